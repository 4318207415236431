#include "Tooltips.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace {

constexpr quint32 kToolIsControl = 0x11; // TTF_IDISHWND | TTF_SUBCLASS
constexpr int kColorInfoText = 23;
constexpr int kColorInfoBackground = 24;

constexpr int kDefaultInitialDelay = 500;
constexpr int kDefaultAutoPopDelay = 5000;
constexpr int kDefaultReshowDelay = 100;

// Border and the room the platform's tip keeps around its text, before the
// margins the caller sets.
constexpr QMargins kPadding(4, 2, 4, 2);
constexpr int kIconSize = 16;
constexpr int kTitleGap = 4;
// The pointer covers the spot it points at; the tip goes below it.
constexpr int kBelowPointer = 20;

// The platform's system colour indices expressed in the palette the user sees.
QColor systemColor(int index)
{
    struct Entry
    {
        int index;
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    };
    static constexpr Entry table[] = {
        {0, QPalette::Active, QPalette::Button},           // scroll bar
        {1, QPalette::Active, QPalette::Dark},             // desktop
        {2, QPalette::Active, QPalette::Highlight},        // active caption
        {3, QPalette::Inactive, QPalette::Mid},            // inactive caption
        {4, QPalette::Active, QPalette::Window},           // menu
        {5, QPalette::Active, QPalette::Base},             // window
        {6, QPalette::Active, QPalette::Shadow},           // window frame
        {7, QPalette::Active, QPalette::WindowText},       // menu text
        {8, QPalette::Active, QPalette::Text},             // window text
        {9, QPalette::Active, QPalette::HighlightedText},  // caption text
        {10, QPalette::Active, QPalette::Window},          // active border
        {11, QPalette::Inactive, QPalette::Window},        // inactive border
        {12, QPalette::Active, QPalette::Dark},            // application workspace
        {13, QPalette::Active, QPalette::Highlight},       // highlight
        {14, QPalette::Active, QPalette::HighlightedText}, // highlight text
        {15, QPalette::Active, QPalette::Button},          // button face
        {16, QPalette::Active, QPalette::Dark},            // button shadow
        {17, QPalette::Disabled, QPalette::Text},          // grey text
        {18, QPalette::Active, QPalette::ButtonText},      // button text
        {19, QPalette::Inactive, QPalette::WindowText},    // inactive caption text
        {20, QPalette::Active, QPalette::Light},           // button highlight
        {21, QPalette::Active, QPalette::Shadow},          // 3D dark shadow
        {22, QPalette::Active, QPalette::Midlight},        // 3D light
        {kColorInfoText, QPalette::Active, QPalette::ToolTipText},
        {kColorInfoBackground, QPalette::Active, QPalette::ToolTipBase},
        {26, QPalette::Active, QPalette::Link},      // hot-tracked item
        {27, QPalette::Active, QPalette::Highlight}, // active caption gradient
        {28, QPalette::Inactive, QPalette::Mid},     // inactive caption gradient
        {29, QPalette::Active, QPalette::Highlight}, // menu highlight
        {30, QPalette::Active, QPalette::Window},    // menu bar
    };
    const QPalette palette = QGuiApplication::palette();
    for (const Entry &entry : table) {
        if (entry.index == index) {
            return palette.color(entry.group, entry.role);
        }
    }
    // The platform answers black for an index it does not know.
    return QColor(Qt::black);
}

QColor fromColorRef(quint32 color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

quint32 toColorRef(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return static_cast<quint32>(rgb.red()) | static_cast<quint32>(rgb.green()) << 8 |
           static_cast<quint32>(rgb.blue()) << 16;
}

QColor translatedColor(quint32 color)
{
    if ((color >> 24) == 0x80) {
        return systemColor(static_cast<int>(color & 0xFF));
    }
    return fromColorRef(color);
}

QStyle::StandardPixmap titleIconPixmap(int icon)
{
    switch (icon) {
    case 1:
        return QStyle::SP_MessageBoxInformation;
    case 2:
        return QStyle::SP_MessageBoxWarning;
    case 3:
        return QStyle::SP_MessageBoxCritical;
    default:
        return QStyle::SP_CustomBase;
    }
}

} // namespace

struct TooltipWindow::Layout
{
    QSize size;
    QRect icon;  // null without an icon
    QRect title; // null without a title
    QRect text;  // where the text is drawn; may reach past the window when wrapping
    int textFlags = 0;
};

TooltipWindow::TooltipWindow(QWidget *owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("tooltips_class32"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(QToolTip::font());
    m_background = systemColor(kColorInfoBackground);
    m_foreground = systemColor(kColorInfoText);

    m_showTimer.setSingleShot(true);
    m_popTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &TooltipWindow::showPending);
    connect(&m_popTimer, &QTimer::timeout, this, [this] {
        m_popped = m_shown;
        hideTip();
    });
}

void TooltipWindow::addTool(QWidget *control, quint32 flags, const QString &text)
{
    if (!control) {
        return;
    }
    if (Tool *tool = findTool(control)) {
        tool->flags = flags;
        tool->text = text;
        if (m_shown == control) {
            relayout();
        }
        return;
    }
    m_tools.append(Tool{control, flags, text, QRect()});
    watch(control, true);
    connect(control, &QObject::destroyed, this, [this](QObject *gone) {
        // A widget reports its end before its guarded pointers read null.
        m_tools.removeIf([gone](const Tool &tool) { return tool.control.isNull() || tool.control.data() == gone; });
        if (m_shown.isNull() || m_shown.data() == gone) {
            hideTip();
        }
    });
}

bool TooltipWindow::deleteTool(QWidget *control)
{
    const auto found =
        std::find_if(m_tools.begin(), m_tools.end(), [control](const Tool &tool) { return tool.control == control; });
    if (found == m_tools.end()) {
        return false;
    }
    m_tools.erase(found);
    watch(control, false);
    if (m_pending == control) {
        m_showTimer.stop();
        m_pending = nullptr;
    }
    if (m_tracked == control) {
        m_tracked = nullptr;
    }
    if (m_shown == control) {
        hideTip();
    }
    return true;
}

int TooltipWindow::toolCount() const
{
    return static_cast<int>(m_tools.size());
}

bool TooltipWindow::hasTool(const QWidget *control) const
{
    return findTool(control) != nullptr;
}

QString TooltipWindow::toolText(const QWidget *control) const
{
    const Tool *tool = findTool(control);
    return tool ? tool->text : QString();
}

quint32 TooltipWindow::toolFlags(const QWidget *control) const
{
    const Tool *tool = findTool(control);
    return tool ? tool->flags : 0;
}

bool TooltipWindow::setToolText(const QWidget *control, const QString &text)
{
    Tool *tool = findTool(control);
    if (!tool) {
        return false;
    }
    tool->text = text;
    if (m_shown == control) {
        relayout();
    }
    return true;
}

bool TooltipWindow::setToolRect(const QWidget *control, const QRect &rect)
{
    Tool *tool = findTool(control);
    if (!tool) {
        return false;
    }
    tool->rect = rect;
    // Entering and leaving a part of the control shows only in its moves.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(tool->control.data())) {
        area->viewport()->setMouseTracking(true);
    } else {
        tool->control->setMouseTracking(true);
    }
    return true;
}

QRect TooltipWindow::toolRect(const QWidget *control) const
{
    const Tool *tool = findTool(control);
    if (!tool) {
        return {};
    }
    return tool->rect.isNull() ? tool->control->rect() : tool->rect;
}

bool TooltipWindow::hitTest(const QWidget *control, const QPoint &pos) const
{
    return hasTool(control) && toolRect(control).contains(pos);
}

void TooltipWindow::setActive(bool active)
{
    m_active = active;
    if (!active) {
        m_showTimer.stop();
        m_pending = nullptr;
        m_tracked = nullptr;
        hideTip();
    }
}

int TooltipWindow::delayTime(int mode) const
{
    switch (mode) {
    case Reshow:
        return m_reshowDelay;
    case AutoPop:
        return m_autoPopDelay;
    case Initial:
        return m_initialDelay;
    default:
        return 0;
    }
}

void TooltipWindow::setDelayTime(int mode, int milliseconds)
{
    // A negative time restores the default, as on the platform.
    switch (mode) {
    case Automatic:
        if (milliseconds < 0) {
            m_initialDelay = kDefaultInitialDelay;
            m_autoPopDelay = kDefaultAutoPopDelay;
            m_reshowDelay = kDefaultReshowDelay;
        } else {
            m_initialDelay = milliseconds;
            m_autoPopDelay = milliseconds * 10;
            m_reshowDelay = milliseconds / 5;
        }
        break;
    case Reshow:
        m_reshowDelay = milliseconds < 0 ? kDefaultReshowDelay : milliseconds;
        break;
    case AutoPop:
        m_autoPopDelay = milliseconds < 0 ? kDefaultAutoPopDelay : milliseconds;
        break;
    case Initial:
        m_initialDelay = milliseconds < 0 ? kDefaultInitialDelay : milliseconds;
        break;
    default:
        break;
    }
}

void TooltipWindow::setTitle(int icon, const QString &title)
{
    m_icon = icon;
    m_title = title;
    relayout();
}

void TooltipWindow::setTipMargins(const QMargins &margins)
{
    m_margins = margins;
    relayout();
}

void TooltipWindow::setMaxTipWidth(int width)
{
    m_maxTipWidth = width;
    relayout();
}

void TooltipWindow::setBackgroundColor(const QColor &color)
{
    m_background = color;
    update();
}

void TooltipWindow::setTextColor(const QColor &color)
{
    m_foreground = color;
    update();
}

QSize TooltipWindow::bubbleSize(const QWidget *control) const
{
    const Tool *tool = findTool(control);
    return tool ? layoutFor(tool->text).size : QSize();
}

QRect TooltipWindow::adjustRect(const QRect &rect, bool larger) const
{
    const QMargins around = kPadding + m_margins;
    return larger ? rect.marginsAdded(around) : rect.marginsRemoved(around);
}

void TooltipWindow::trackActivate(QWidget *control, bool on)
{
    const Tool *tool = findTool(control);
    if (!tool) {
        return;
    }
    if (!on) {
        if (m_tracked == control) {
            m_tracked = nullptr;
            hideTip();
        }
        return;
    }
    if (!m_active) {
        return;
    }
    m_showTimer.stop();
    m_pending = nullptr;
    m_tracked = control;
    if (!tool->text.isEmpty()) {
        showTip(control, m_trackPos);
    }
}

void TooltipWindow::trackPosition(const QPoint &globalPos)
{
    m_trackPos = globalPos;
    if (m_tracked && isVisible()) {
        move(globalPos);
    }
}

void TooltipWindow::pop()
{
    m_showTimer.stop();
    m_pending = nullptr;
    m_tracked = nullptr;
    if (isVisible()) {
        m_popped = m_shown;
    }
    hideTip();
}

QWidget *TooltipWindow::shownTool() const
{
    return isVisible() ? m_shown.data() : nullptr;
}

QString TooltipWindow::shownText() const
{
    return m_shown ? toolText(m_shown) : QString();
}

bool TooltipWindow::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *control = toolControlFor(watched);
    if (!control) {
        return QWidget::eventFilter(watched, event);
    }
    const auto inControl = [&](const QPointF &pos) {
        const QPoint point = pos.toPoint();
        return watched == control ? point : static_cast<QWidget *>(watched)->mapTo(control, point);
    };
    switch (event->type()) {
    case QEvent::Enter:
        pointerAt(control, inControl(static_cast<QEnterEvent *>(event)->position()));
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        // A release lets the tip come back, with what the click may have
        // changed in its text.
        pointerAt(control, inControl(static_cast<QMouseEvent *>(event)->position()));
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Hide:
        pointerGone(control);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TooltipWindow::paintEvent(QPaintEvent *)
{
    const QString text = shownText();
    const Layout layout = layoutFor(text);
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setPen(m_foreground);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!layout.icon.isNull()) {
        const QIcon icon = style()->standardIcon(titleIconPixmap(m_icon), nullptr, this);
        icon.paint(&painter, layout.icon);
    }
    if (!layout.title.isNull()) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter, m_title);
        painter.setFont(font());
    }
    painter.drawText(layout.text, layout.textFlags, text);
}

void TooltipWindow::mousePressEvent(QMouseEvent *event)
{
    m_popped = m_shown;
    hideTip();
    event->accept();
}

const TooltipWindow::Tool *TooltipWindow::findTool(const QWidget *control) const
{
    if (!control) {
        return nullptr;
    }
    for (const Tool &tool : m_tools) {
        if (tool.control == control) {
            return &tool;
        }
    }
    return nullptr;
}

TooltipWindow::Tool *TooltipWindow::findTool(const QWidget *control)
{
    return const_cast<Tool *>(std::as_const(*this).findTool(control));
}

QWidget *TooltipWindow::toolControlFor(QObject *watched) const
{
    for (const Tool &tool : m_tools) {
        if (!tool.control) {
            continue;
        }
        if (tool.control == watched) {
            return tool.control;
        }
        // A scroll area's mouse events arrive at its viewport.
        if (auto *area = qobject_cast<QAbstractScrollArea *>(tool.control.data());
            area && area->viewport() == watched) {
            return tool.control;
        }
    }
    return nullptr;
}

void TooltipWindow::watch(QWidget *control, bool on)
{
    QWidget *viewport = nullptr;
    if (auto *area = qobject_cast<QAbstractScrollArea *>(control)) {
        viewport = area->viewport();
    }
    if (on) {
        control->installEventFilter(this);
        if (viewport) {
            viewport->installEventFilter(this);
        }
    } else {
        control->removeEventFilter(this);
        if (viewport) {
            viewport->removeEventFilter(this);
        }
    }
}

void TooltipWindow::pointerAt(QWidget *control, const QPoint &pos)
{
    if (!m_active || m_tracked) {
        return;
    }
    const Tool *tool = findTool(control);
    if (!tool || (tool->flags & Track)) {
        return;
    }
    if (!toolRect(control).contains(pos)) {
        pointerGone(control);
        return;
    }
    if (control == m_popped || control == m_shown) {
        return;
    }
    if (control == m_pending && m_showTimer.isActive()) {
        return;
    }
    // Moving on from one tip to the next is quicker than the first tip.
    const bool following = isVisible() || (m_sinceHidden.isValid() && !m_sinceHidden.hasExpired(m_initialDelay));
    m_pending = control;
    m_showTimer.start(following ? m_reshowDelay : m_initialDelay);
}

void TooltipWindow::pointerGone(QWidget *control)
{
    if (m_popped == control) {
        m_popped = nullptr;
    }
    if (m_pending == control) {
        m_showTimer.stop();
        m_pending = nullptr;
    }
    if (m_shown == control && m_tracked != control) {
        hideTip();
    }
}

void TooltipWindow::showPending()
{
    QWidget *control = m_pending;
    m_pending = nullptr;
    if (!control || !m_active || m_tracked) {
        return;
    }
    const Tool *tool = findTool(control);
    if (!tool || tool->text.isEmpty()) {
        return;
    }
    // Placing needs the size for this text before the tip is shown.
    m_shown = control;
    relayout();
    showTip(control, placeBesidePointer(*tool));
    m_popTimer.start(m_autoPopDelay);
}

void TooltipWindow::showTip(QWidget *control, const QPoint &topLeft)
{
    m_shown = control;
    relayout();
    move(topLeft);
    show();
    update();
}

void TooltipWindow::hideTip()
{
    m_popTimer.stop();
    if (isVisible()) {
        hide();
        m_sinceHidden.start();
    }
    m_shown = nullptr;
}

void TooltipWindow::relayout()
{
    if (m_shown) {
        resize(layoutFor(shownText()).size);
    }
    update();
}

TooltipWindow::Layout TooltipWindow::layoutFor(const QString &text) const
{
    Layout layout;
    const QFontMetrics metrics(font());
    const QPoint origin(kPadding.left() + m_margins.left(), kPadding.top() + m_margins.top());
    int y = origin.y();
    int width = 0;

    if (!m_title.isEmpty()) {
        QFont bold = font();
        bold.setBold(true);
        const QFontMetrics boldMetrics(bold);
        const bool withIcon = titleIconPixmap(m_icon) != QStyle::SP_CustomBase;
        const int height = std::max(withIcon ? kIconSize : 0, boldMetrics.height());
        int x = origin.x();
        if (withIcon) {
            layout.icon = QRect(x, y + (height - kIconSize) / 2, kIconSize, kIconSize);
            x += kIconSize + kTitleGap;
        }
        layout.title = QRect(x, y, boldMetrics.horizontalAdvance(m_title), height);
        width = layout.title.right() + 1 - origin.x();
        y += height + (text.isEmpty() ? 0 : kTitleGap);
    }

    const bool wrap = m_maxTipWidth > 0;
    layout.textFlags = static_cast<int>(Qt::AlignLeft | Qt::AlignTop) | static_cast<int>(Qt::TextExpandTabs) |
                       (wrap ? static_cast<int>(Qt::TextWordWrap) : 0);
    if (!text.isEmpty()) {
        const int room = wrap ? m_maxTipWidth : std::numeric_limits<int>::max() / 4;
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, room, std::numeric_limits<int>::max() / 4), layout.textFlags, text);
        // Drawing into the measured width again could break the lines anew.
        layout.text = QRect(origin.x(), y, wrap ? std::max(room, bounds.width()) : bounds.width() + 1, bounds.height());
        width = std::max(width, bounds.width());
        y += bounds.height();
    }

    const QRect content(origin, QSize(width, y - origin.y()));
    layout.size = adjustRect(content, true).size();
    return layout;
}

QPoint TooltipWindow::placeBesidePointer(const Tool &tool) const
{
    QPoint topLeft;
    if ((tool.flags & CenterTip) && tool.control) {
        const QRect area = toolRect(tool.control);
        const QPoint below = tool.control->mapToGlobal(QPoint(area.center().x(), area.bottom() + 1));
        topLeft = QPoint(below.x() - width() / 2, below.y() + 2);
    } else {
        topLeft = QCursor::pos() + QPoint(0, kBelowPointer);
    }
    const QScreen *screen = QGuiApplication::screenAt(topLeft);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        const QRect available = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() + 1 - width())));
        topLeft.setY(
            std::clamp(topLeft.y(), available.top(), std::max(available.top(), available.bottom() + 1 - height())));
    }
    return topLeft;
}

Tooltips_Class::Tooltips_Class(QObject *parent) : QObject(parent) {}

Tooltips_Class::~Tooltips_Class()
{
    destroyWindow();
}

void Tooltips_Class::AddTool(QWidget *ctl, quint32 flags, const QString &text)
{
    if (m_window && ctl) {
        m_window->addTool(ctl, flags | kToolIsControl, text);
    }
}

void Tooltips_Class::Create(QWidget *frm, quint32)
{
    destroyWindow();
    m_enabled = true;
    m_icon = 0;
    m_title.clear();
    m_window = new TooltipWindow(frm);
}

void Tooltips_Class::DeleteTool(QWidget *ctl)
{
    if (m_window) {
        m_window->deleteTool(ctl);
    }
}

bool Tooltips_Class::Enabled() const
{
    return m_window && m_enabled;
}

void Tooltips_Class::setEnabled(bool newState)
{
    m_enabled = newState;
    if (m_window) {
        m_window->setActive(newState);
    }
}

qint32 Tooltips_Class::GetDelayTime(qint32 timeMode) const
{
    return m_window ? m_window->delayTime(timeMode) : 0;
}

qint32 Tooltips_Class::Icon() const
{
    return m_window ? m_icon : 0;
}

qint32 Tooltips_Class::MakeLong(qint16 int1, qint16 int2)
{
    const quint32 low = static_cast<quint16>(int1);
    const quint32 high = static_cast<quint16>(int2);
    return static_cast<qint32>(high << 16 | low);
}

void Tooltips_Class::SetTracking(QWidget *ctl, bool tracking)
{
    if (m_window) {
        m_window->trackActivate(ctl, tracking);
    }
}

void Tooltips_Class::SetTrackPosition(QWidget *ctl, qint16 x, qint16 y)
{
    if (m_window && m_window->hasTool(ctl)) {
        m_window->trackPosition(QPoint(x, y));
    }
}

QString Tooltips_Class::Title() const
{
    return m_window ? m_title : QString();
}

void Tooltips_Class::setIcon(qint32 newIcon)
{
    if (m_window) {
        m_icon = newIcon;
        m_window->setTitle(m_icon, m_title);
    }
}

void Tooltips_Class::setTitle(const QString &newTitle)
{
    if (m_window) {
        m_title = newTitle;
        m_window->setTitle(m_icon, m_title);
    }
}

void Tooltips_Class::SetDelayTime(qint32 timeMode, qint32 time)
{
    if (m_window) {
        m_window->setDelayTime(timeMode, time);
    }
}

void Tooltips_Class::HideTips()
{
    if (m_window) {
        m_window->pop();
    }
}

bool Tooltips_Class::HitTest(QWidget *ctl, qint32 x, qint32 y) const
{
    return m_window && m_window->hitTest(ctl, QPoint(x, y));
}

qint32 Tooltips_Class::MarginLeft() const
{
    return m_window ? m_window->tipMargins().left() : 0;
}

qint32 Tooltips_Class::MarginTop() const
{
    return m_window ? m_window->tipMargins().top() : 0;
}

qint32 Tooltips_Class::MarginRight() const
{
    return m_window ? m_window->tipMargins().right() : 0;
}

qint32 Tooltips_Class::MarginBottom() const
{
    return m_window ? m_window->tipMargins().bottom() : 0;
}

void Tooltips_Class::setMarginLeft(qint32 newMargin)
{
    setMargins(QMargins(newMargin, MarginTop(), MarginRight(), MarginBottom()));
}

void Tooltips_Class::setMarginTop(qint32 newMargin)
{
    setMargins(QMargins(MarginLeft(), newMargin, MarginRight(), MarginBottom()));
}

void Tooltips_Class::setMarginRight(qint32 newMargin)
{
    setMargins(QMargins(MarginLeft(), MarginTop(), newMargin, MarginBottom()));
}

void Tooltips_Class::setMarginBottom(qint32 newMargin)
{
    setMargins(QMargins(MarginLeft(), MarginTop(), MarginRight(), newMargin));
}

qint32 Tooltips_Class::GetTooltipWidth(QWidget *ctl) const
{
    return m_window && m_window->hasTool(ctl) ? m_window->bubbleSize(ctl).width() : 0;
}

qint32 Tooltips_Class::GetTooltipHeight(QWidget *ctl) const
{
    return m_window && m_window->hasTool(ctl) ? m_window->bubbleSize(ctl).height() : 0;
}

qint32 Tooltips_Class::MaxTipWidth() const
{
    return m_window ? m_window->maxTipWidth() : 0;
}

void Tooltips_Class::setMaxTipWidth(qint32 newWidth)
{
    if (m_window) {
        m_window->setMaxTipWidth(newWidth);
    }
}

void Tooltips_Class::SetToolRect(QWidget *ctl, qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    if (m_window) {
        m_window->setToolRect(ctl, QRect(left, top, right - left, bottom - top));
    }
}

qint32 Tooltips_Class::ToolCount() const
{
    return m_window ? m_window->toolCount() : 0;
}

quint32 Tooltips_Class::BackColor() const
{
    return m_window ? toColorRef(m_window->backgroundColor()) : 0;
}

void Tooltips_Class::setBackColor(quint32 newColor)
{
    if (m_window) {
        m_window->setBackgroundColor(translatedColor(newColor));
    }
}

void Tooltips_Class::SetTipText(QWidget *ctl, const QString &newText)
{
    if (m_window) {
        m_window->setToolText(ctl, newText);
    }
}

void Tooltips_Class::setForeColor(quint32 newColor)
{
    if (m_window) {
        m_window->setTextColor(translatedColor(newColor));
    }
}

quint32 Tooltips_Class::ForeColor() const
{
    return m_window ? toColorRef(m_window->textColor()) : 0;
}

qint32 Tooltips_Class::ToolTipWidthFromText(const QFontMetrics &metrics, const QString &text) const
{
    if (!m_window) {
        return 0;
    }
    const QRect extent(0, 0, metrics.horizontalAdvance(text), metrics.height());
    return m_window->adjustRect(extent, true).width();
}

qint32 Tooltips_Class::ToolTipHeightFromText(const QFontMetrics &metrics, const QString &text) const
{
    if (!m_window) {
        return 0;
    }
    const QRect extent(0, 0, metrics.horizontalAdvance(text), metrics.height());
    return m_window->adjustRect(extent, true).height();
}

qint32 Tooltips_Class::TextHeightFromToolTipHeight(qint32 toolTipHeight) const
{
    return m_window ? m_window->adjustRect(QRect(0, 0, 0, toolTipHeight), false).height() : 0;
}

qint32 Tooltips_Class::TextWidthFromToolTipWidth(qint32 toolTipWidth) const
{
    return m_window ? m_window->adjustRect(QRect(0, 0, toolTipWidth, 0), false).width() : 0;
}

void Tooltips_Class::destroyWindow()
{
    // The owner form may have taken the window with it already.
    delete m_window.data();
    m_window = nullptr;
}

void Tooltips_Class::setMargins(const QMargins &margins)
{
    if (m_window) {
        m_window->setTipMargins(margins);
    }
}
