#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

class QFontMetrics;

// The tip window itself: a frameless top-level window that keeps the tools
// (controls with their texts), watches their mouse events and shows the tip
// of the one under the pointer after the initial delay. Tooltips_Class is its
// object interface; tests read what is on display through the accessors.
class TooltipWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TooltipWindow)

public:
    // The three delay modes; Automatic sets all three from one time.
    enum DelayMode
    {
        Automatic = 0,
        Reshow = 1,
        AutoPop = 2,
        Initial = 3
    };
    // Tool flags with a meaning here (the others are kept, but change nothing).
    enum ToolFlag : quint32
    {
        CenterTip = 0x2,
        Track = 0x20
    };

    // The window belongs to owner (it dies with it) but is a window of its own.
    explicit TooltipWindow(QWidget *owner);

    // One tool per control: adding a control again replaces its flags and text,
    // so the tip always shows the latest text given for it.
    void addTool(QWidget *control, quint32 flags, const QString &text);
    bool deleteTool(QWidget *control);
    int toolCount() const;
    bool hasTool(const QWidget *control) const;
    QString toolText(const QWidget *control) const;
    quint32 toolFlags(const QWidget *control) const;
    bool setToolText(const QWidget *control, const QString &text);
    // rect in the control's coordinates, right and bottom exclusive.
    bool setToolRect(const QWidget *control, const QRect &rect);
    // The tool's area: the rectangle given for it, else the whole control.
    QRect toolRect(const QWidget *control) const;
    bool hitTest(const QWidget *control, const QPoint &pos) const;

    bool isActive() const { return m_active; }
    void setActive(bool active);
    int delayTime(int mode) const;
    void setDelayTime(int mode, int milliseconds);

    int titleIcon() const { return m_icon; }
    QString title() const { return m_title; }
    void setTitle(int icon, const QString &title);
    QMargins tipMargins() const { return m_margins; }
    void setTipMargins(const QMargins &margins);
    int maxTipWidth() const { return m_maxTipWidth; }
    void setMaxTipWidth(int width);
    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor &color);
    QColor textColor() const { return m_foreground; }
    void setTextColor(const QColor &color);

    // The window size the tip of this control would have; empty without a tool.
    QSize bubbleSize(const QWidget *control) const;
    // Text area to window size (larger) and back; the title is not counted.
    QRect adjustRect(const QRect &rect, bool larger) const;

    void trackActivate(QWidget *control, bool on);
    void trackPosition(const QPoint &globalPos);
    // Hides a tip on display; it comes back only after the pointer left the tool.
    void pop();

    // The control whose tip is on display, nullptr while none is shown.
    QWidget *shownTool() const;
    QString shownText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Tool
    {
        QPointer<QWidget> control;
        quint32 flags = 0;
        QString text;
        QRect rect; // null: the whole control
    };
    struct Layout;

    const Tool *findTool(const QWidget *control) const;
    Tool *findTool(const QWidget *control);
    QWidget *toolControlFor(QObject *watched) const;
    void watch(QWidget *control, bool on);
    void pointerAt(QWidget *control, const QPoint &pos);
    void pointerGone(QWidget *control);
    void showPending();
    void showTip(QWidget *control, const QPoint &topLeft);
    void hideTip();
    void relayout();
    Layout layoutFor(const QString &text) const;
    QPoint placeBesidePointer(const Tool &tool) const;

    QList<Tool> m_tools;
    bool m_active = true;
    int m_initialDelay = 500;
    int m_autoPopDelay = 5000;
    int m_reshowDelay = 100;
    int m_icon = 0;
    QString m_title;
    QMargins m_margins;
    int m_maxTipWidth = -1;
    QColor m_background;
    QColor m_foreground;

    QTimer m_showTimer;
    QTimer m_popTimer;
    QPointer<QWidget> m_pending;
    QPointer<QWidget> m_shown;
    QPointer<QWidget> m_popped;
    QPointer<QWidget> m_tracked;
    QPoint m_trackPos;
    QElapsedTimer m_sinceHidden;
};

// One tooltip window for a form with a small object interface. Every member
// does nothing, or answers 0, false or an empty text, while no window exists
// (before Create, or after the form that owns the window is gone); MakeLong
// is the one exception. Colours are 0x00BBGGRR values, or system colours when
// the highest byte is 0x80 (low byte = system colour index).
class Tooltips_Class final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tooltips_Class)

public:
    explicit Tooltips_Class(QObject *parent = nullptr);
    ~Tooltips_Class() override;

    // flags are or-ed with 0x11: the tool is the control, and the tip window
    // watches the control's mouse events itself.
    void AddTool(QWidget *ctl, quint32 flags = 0, const QString &text = {});
    // Replaces an earlier window (its tools go with it). The window style bits
    // of the platform have no counterpart here; flags are accepted for callers.
    void Create(QWidget *frm, quint32 flags = 0);
    void DeleteTool(QWidget *ctl);
    bool Enabled() const;
    void setEnabled(bool newState);
    qint32 GetDelayTime(qint32 timeMode) const;
    qint32 Icon() const;
    static qint32 MakeLong(qint16 int1, qint16 int2);
    void SetTracking(QWidget *ctl, bool tracking);
    // x and y are screen coordinates.
    void SetTrackPosition(QWidget *ctl, qint16 x, qint16 y);
    QString Title() const;
    // 0 none, 1 information, 2 warning, 3 error.
    void setIcon(qint32 newIcon);
    void setTitle(const QString &newTitle);
    void SetDelayTime(qint32 timeMode, qint32 time);
    void HideTips();
    // x and y in the control's coordinates.
    bool HitTest(QWidget *ctl, qint32 x, qint32 y) const;
    qint32 MarginLeft() const;
    void setMarginLeft(qint32 newMargin);
    void setMarginTop(qint32 newMargin);
    void setMarginRight(qint32 newMargin);
    void setMarginBottom(qint32 newMargin);
    qint32 MarginTop() const;
    qint32 MarginRight() const;
    qint32 MarginBottom() const;
    qint32 GetShellVersion() const { return 0; }
    qint32 GetTooltipWidth(QWidget *ctl) const;
    qint32 GetTooltipHeight(QWidget *ctl) const;
    qint32 MaxTipWidth() const;
    // -1 or 0: no wrapping.
    void setMaxTipWidth(qint32 newWidth);
    void SetToolRect(QWidget *ctl, qint32 left, qint32 top, qint32 right, qint32 bottom);
    qint32 ToolCount() const;
    quint32 BackColor() const;
    void setBackColor(quint32 newColor);
    void SetTipText(QWidget *ctl, const QString &newText);
    void setForeColor(quint32 newColor);
    quint32 ForeColor() const;
    // The tip size for a one-line text measured with metrics, and back from a
    // tip size to the text area inside it.
    qint32 ToolTipWidthFromText(const QFontMetrics &metrics, const QString &text) const;
    qint32 ToolTipHeightFromText(const QFontMetrics &metrics, const QString &text) const;
    qint32 TextHeightFromToolTipHeight(qint32 toolTipHeight) const;
    qint32 TextWidthFromToolTipWidth(qint32 toolTipWidth) const;

    // The window, nullptr while none exists.
    TooltipWindow *tipWindow() const { return m_window; }

private:
    void destroyWindow();
    void setMargins(const QMargins &margins);

    QPointer<TooltipWindow> m_window;
    bool m_enabled = false;
    qint32 m_icon = 0;
    QString m_title;
};
