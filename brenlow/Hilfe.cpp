#include "Hilfe.h"

#include "Accessibility.h"
#include "Drucken.h"
#include "FileSystem.h"
#include "HelpCommandLine.h"
#include "HelpContent.h"
#include "Prompts.h"
#include "TextFile.h"
#include "Twips.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QWindow>

#include <cmath>
#include <memory>

namespace {

// The pale yellow paper the help text lies on.
const QColor PaperYellow(251, 244, 208);

QString messageTitle()
{
    return QStringLiteral(" Hilfethemen");
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, int left)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(Twips::toPixels(left), Twips::toPixels(15), Twips::toPixels(1095), Twips::toPixels(375));
    button->setAutoDefault(false);
    return button;
}

QAction *makeChoice(QMenu *menu, QActionGroup *group, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(true);
    group->addAction(action);
    return action;
}

// A frameless read-only text on the paper: plain text, word-wrapped, a caret
// for the keyboard, Tab moves on.
QTextEdit *makeReadingText(QWidget *parent, const QString &name, QAccessible::Role role, const QPalette &ink)
{
    auto *edit = new QTextEdit(parent);
    Accessibility::setRole(edit, role);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAcceptRichText(false);
    edit->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    edit->setTabChangesFocus(true);
    // No frame, but one dotted while the field has the keyboard focus, so
    // that the focus is seen also when the caret blinks off.
    edit->setStyleSheet(QStringLiteral("QTextEdit { border: 1px solid transparent; background: transparent; }"
                                       "QTextEdit:focus { border: 1px dotted black; }"));
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QTextEdit::WidgetWidth);
    edit->document()->setDocumentMargin(0);
    edit->setPalette(ink);
    edit->setAutoFillBackground(false);
    edit->viewport()->setAutoFillBackground(false);
    return edit;
}

// The height the text of the field needs at the given width.
int textHeight(const QTextEdit *edit, int width)
{
    const std::unique_ptr<QTextDocument> copy(edit->document()->clone());
    copy->setDefaultFont(edit->font());
    copy->setTextWidth(std::max(1, width - 2 * edit->frameWidth()));
    return int(std::ceil(copy->size().height())) + 2 * edit->frameWidth();
}

} // namespace

Hilfe::Hilfe(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Hilfe"));
    // A window of its own, not a filler: a screen reader names it by its
    // caption.
    Accessibility::setRole(this, QAccessible::Window);
    setWindowTitle(HelpContent::defaultCaption());
    const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    setWindowIcon(icon);

    m_topicsButton = makeButton(this, QStringLiteral("CThemen"), QStringLiteral("&Themen"), 0);
    m_backButton = makeButton(this, QStringLiteral("CZurück"), QStringLiteral("&Zurück"), 1080);
    m_optionsButton = makeButton(this, QStringLiteral("COptionen"), QStringLiteral("&Optionen"), 2160);
    m_quitButton = makeButton(this, QStringLiteral("CBeenden"), QStringLiteral("&Beenden"), 3240);
    m_backButton->setEnabled(false);

    m_line = new QFrame(this);
    Accessibility::setRole(m_line, QAccessible::Separator);
    m_line->setObjectName(QStringLiteral("Titellinie"));
    m_line->setFrameShape(QFrame::HLine);
    m_line->setFrameShadow(QFrame::Sunken);
    m_line->setAccessibleName(QStringLiteral("Trennlinie"));

    m_background = new QFrame(this);
    Accessibility::setRole(m_background, QAccessible::Pane);
    m_background->setObjectName(QStringLiteral("LBack"));
    m_background->setFrameShape(QFrame::Panel);
    m_background->setFrameShadow(QFrame::Sunken);
    QPalette paper = m_background->palette();
    paper.setColor(QPalette::Window, PaperYellow);
    m_background->setPalette(paper);
    m_background->setAutoFillBackground(true);
    m_background->setAccessibleName(QStringLiteral("Hilfeseite"));

    // Heading and text lie on the light background and are written in black,
    // whatever colours the desktop theme gives the window.
    QPalette ink = palette();
    ink.setColor(QPalette::WindowText, Qt::black);

    m_heading = makeReadingText(this, QStringLiteral("LTitel"), QAccessible::Heading, ink);
    m_heading->setPlainText(HelpContent::untitled());
    // A long heading wraps before the icon instead of running under it; it
    // never scrolls, it is as high as its lines.
    m_heading->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_heading->move(Twips::toPixels(135), Twips::toPixels(600));

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("Bild"));
    m_icon->setGeometry(Twips::toPixels(3960), Twips::toPixels(520), Twips::toPixels(480), Twips::toPixels(480));
    m_icon->setPixmap(icon.pixmap(m_icon->size()));
    m_icon->setAccessibleName(QStringLiteral("Hilfe"));

    // The text lies frameless on the light background and scrolls when the
    // window is made smaller than the text. Read-only, it keeps a caret:
    // the arrow keys move through it and a screen reader reads it.
    m_text = makeReadingText(this, QStringLiteral("LText"), QAccessible::EditableText, ink);
    m_text->setAccessibleName(QStringLiteral("Hilfetext"));
    m_text->setAccessibleDescription(QStringLiteral("Text des Themas; die Pfeiltasten bewegen die Einfügemarke"));
    m_text->setGeometry(Twips::toPixels(135), Twips::toPixels(900), Twips::toPixels(4155), Twips::toPixels(2220));

    setTextSize(10);
    buildMenus();
    // Alt+T and Alt+O keep their menus open also while a screen reader
    // listens.
    Accessibility::installMenuKeyGuard();
    Accessibility::installFocusAnnouncements();

    connect(m_topicsButton, &QPushButton::clicked, this,
            [this] { m_topicsMenu->popup(mapToGlobal(QPoint(0, Twips::toPixels(380)))); });
    connect(m_optionsButton, &QPushButton::clicked, this,
            [this] { m_optionsMenu->popup(mapToGlobal(QPoint(Twips::toPixels(2160), Twips::toPixels(380)))); });
    connect(m_backButton, &QPushButton::clicked, this, &Hilfe::back);
    connect(m_quitButton, &QPushButton::clicked, this, &QWidget::close);

    setMinimumSize(Twips::toPixels(4335), Twips::toPixels(1800));
    resize(Twips::toPixels(4680), Twips::toPixels(3210));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(screen->geometry().right() + 1 - Twips::toPixels(5500), area.top() + area.height() / 6);
    }
    applyLayout();
    m_history.clear();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void Hilfe::buildMenus()
{
    m_topicsMenu = new QMenu(this);
    m_topicsMenu->setObjectName(QStringLiteral("Themen"));
    auto *topics = new QActionGroup(m_topicsMenu);
    for (int n = 1; n <= TopicCount; ++n) {
        QAction *action =
            makeChoice(m_topicsMenu, topics, QStringLiteral("Thema_") + QString::number(n), HelpContent::untitled());
        action->setVisible(n == 1);
        m_titles[size_t(n - 1)] = HelpContent::untitled();
        connect(action, &QAction::triggered, this, [this, n] {
            showTopic(n);
            // The topic chosen is the one to read: the focus goes to its
            // text, and a screen reader reads it.
            m_text->setFocus(Qt::PopupFocusReason);
        });
        m_topics[n - 1] = action;
    }

    m_optionsMenu = new QMenu(this);
    m_optionsMenu->setObjectName(QStringLiteral("Optionen"));
    QAction *print = m_optionsMenu->addAction(QStringLiteral("&Thema drucken"));
    print->setObjectName(QStringLiteral("ThemaDrucken"));
    connect(print, &QAction::triggered, this, &Hilfe::printTopic);
    QAction *copy = m_optionsMenu->addAction(QStringLiteral("&Kopieren"));
    copy->setObjectName(QStringLiteral("Kopieren"));
    connect(copy, &QAction::triggered, this, &Hilfe::copyTopic);

    QMenu *sizes = m_optionsMenu->addMenu(QStringLiteral("&Schriftart"));
    sizes->setObjectName(QStringLiteral("Schriftart"));
    auto *sizeGroup = new QActionGroup(sizes);
    const struct
    {
        const char16_t *name;
        const char16_t *caption;
        int points;
    } sizeChoices[] = {
        {u"Schriftart_Klein", u"Klein", 8}, {u"Schriftart_Normal", u"Normal ", 10}, {u"Schriftart_Groß", u"Groß", 11}};
    for (const auto &choice : sizeChoices) {
        QAction *action =
            makeChoice(sizes, sizeGroup, QString::fromUtf16(choice.name), QString::fromUtf16(choice.caption));
        action->setChecked(choice.points == 10);
        const int points = choice.points;
        connect(action, &QAction::triggered, this, [this, points] { setTextSize(points); });
    }

    QMenu *order = m_optionsMenu->addMenu(QStringLiteral("&Fenster"));
    order->setObjectName(QStringLiteral("Fenster"));
    auto *orderGroup = new QActionGroup(order);
    QAction *front = makeChoice(order, orderGroup, QStringLiteral("Vordergrund"), QStringLiteral("Im &Vordergrund  "));
    front->setChecked(true);
    connect(front, &QAction::triggered, this, [this] { setTopmost(true); });
    QAction *behind = makeChoice(order, orderGroup, QStringLiteral("Hintergrund"), QStringLiteral("Im &Hintergrund"));
    connect(behind, &QAction::triggered, this, [this] { setTopmost(false); });
}

bool Hilfe::start(const QString &argument)
{
    const HelpCommandLine::Request request = HelpCommandLine::parse(argument);
    if (request.outcome == HelpCommandLine::Request::Outcome::Quit) {
        return false;
    }
    m_file = request.file;
    m_startTopic = request.topic;
    if (!FileExists(m_file)) {
        Prompts::instance().message(nullptr, m_file + u'\n' + QStringLiteral("konnte nicht gefunden werden."),
                                    messageTitle(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return false;
    }
    // A pipe, a device or an oversized file would read as an empty help
    // file; the user is told why instead.
    if (const QString refused = TextFile::storeRefusal(m_file); !refused.isEmpty()) {
        Prompts::instance().message(nullptr,
                                    m_file + u'\n' + QStringLiteral("konnte nicht gelesen werden.") + u'\n' + refused,
                                    messageTitle(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return false;
    }

    // Read once: every title and text comes from memory, however large the
    // file.
    m_content = IniFiles::Snapshot::read(m_file);
    const HelpContent::Contents contents = HelpContent::Contents::read(m_content);
    setWindowTitle(contents.caption());
    for (int n = 1; n <= TopicCount; ++n) {
        const QString &title = contents.titles[n - 1];
        if (!title.isEmpty()) {
            m_titles[size_t(n - 1)] = title;
            // "&" is a character of the title, not a menu key.
            m_topics[n - 1]->setText(QString(title).replace(u'&', QStringLiteral("&&")));
            m_topics[n - 1]->setVisible(true);
        }
    }

    const std::optional<HelpContent::StartTopic> topic = HelpContent::startTopic(m_content, contents, m_startTopic);
    if (!topic) {
        Prompts::instance().message(nullptr, QStringLiteral("Falsches Parameter wurde gesendet. "), messageTitle(),
                                    Prompts::Buttons::Ok, Prompts::Icon::Information);
        return false;
    }
    setHeading(topic->heading);
    setText(topic->text);
    m_topics[topic->number - 1]->setChecked(true);
    m_history.append(m_startTopic);
    show();
    return true;
}

void Hilfe::showTopic(int topic)
{
    if (topic < 1 || topic > TopicCount) {
        return;
    }
    QAction *entry = m_topics[topic - 1];
    setHeading(m_titles[size_t(topic - 1)]);
    setText(HelpContent::topicText(m_content, topic));
    entry->setChecked(true);
    m_history.append(QString::number(topic));
    m_backButton->setEnabled(true);
}

void Hilfe::back()
{
    if (m_history.isEmpty()) {
        return;
    }
    m_history.removeLast();
    if (!m_history.isEmpty()) {
        bool isNumber = false;
        const int topic = m_history.constLast().toInt(&isNumber, 10);
        if (isNumber) {
            showTopic(topic);
        }
    }
    // showTopic appended the topic once more; it belongs in the history once.
    if (!m_history.isEmpty()) {
        m_history.removeLast();
    }
    if (m_history.size() <= 1) {
        // A disabled button loses the focus; the text shown is where it
        // belongs then, not the next button.
        if (m_backButton->hasFocus()) {
            m_text->setFocus(Qt::OtherFocusReason);
        }
        m_backButton->setEnabled(false);
    }
}

void Hilfe::printTopic()
{
    if (!m_printLayout) {
        m_printLayout = new Drucken(this);
    }
    m_printLayout->setTexts(windowTitle(), m_heading->toPlainText(), m_text->toPlainText());
    const std::unique_ptr<QPrinter> printer = m_printerFactory ? m_printerFactory() : std::make_unique<QPrinter>();
    if (!printer || !m_printLayout->printOn(*printer)) {
        Prompts::instance().message(this, QStringLiteral("Das Thema konnte nicht gedruckt werden. "), messageTitle(),
                                    Prompts::Buttons::Ok, Prompts::Icon::Critical);
    }
}

void Hilfe::copyTopic()
{
    QGuiApplication::clipboard()->setText(m_heading->toPlainText() + u'\n' + m_text->toPlainText());
}

void Hilfe::setTextSize(int points)
{
    QFont headingFont = m_heading->font();
    headingFont.setPointSize(points);
    headingFont.setBold(true);
    m_heading->setFont(headingFont);
    QFont textFont = m_text->font();
    textFont.setPointSize(points);
    m_text->setFont(textFont);
    applyLayout();
    fitText();
}

void Hilfe::setTopmost(bool topmost)
{
    const Qt::WindowFlags flags =
        topmost ? windowFlags() | Qt::WindowStaysOnTopHint : windowFlags() & ~Qt::WindowStaysOnTopHint;
    if (QWindow *window = windowHandle(); window && isVisible()) {
        // setWindowFlags would hide the window and show it again; telling the
        // platform window directly keeps it where it is.
        overrideWindowFlags(flags);
        window->setFlags(flags);
        if (topmost) {
            raise();
        }
    } else {
        setWindowFlags(flags);
    }
}

void Hilfe::setPrinterFactory(PrinterFactory factory)
{
    m_printerFactory = std::move(factory);
}

void Hilfe::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void Hilfe::applyLayout()
{
    if (isMinimized()) {
        return;
    }
    // At any width the background stops 30 twips short of the right edge and
    // the text 600 twips short of the background's, so that the text keeps a
    // margin on the light background.
    const int width = this->width();
    const int height = this->height();
    m_line->setGeometry(0, Twips::toPixels(385) - 1, width, 2);
    const int top = Twips::toPixels(415);
    m_background->setGeometry(0, top, std::max(0, width - Twips::toPixels(30)), std::max(0, height - top));
    // The icon keeps its place at the right edge; the heading takes the
    // room left of it, on as many lines as it needs, and the text follows
    // below the heading.
    const int iconLeft = std::max(Twips::toPixels(135), m_background->width() - Twips::toPixels(690));
    m_icon->move(iconLeft, Twips::toPixels(520));
    const int headingWidth = std::max(Twips::toPixels(600), iconLeft - Twips::toPixels(135) - Twips::toPixels(60));
    m_heading->setGeometry(Twips::toPixels(135), Twips::toPixels(600), headingWidth,
                           textHeight(m_heading, headingWidth));
    const int textTop = std::max(Twips::toPixels(900), m_heading->geometry().bottom() + 1 + Twips::toPixels(60));
    m_text->setGeometry(Twips::toPixels(135), textTop, std::max(0, m_background->width() - Twips::toPixels(600)),
                        std::max(0, height - textTop - Twips::toPixels(90)));
}

void Hilfe::setText(const QString &text)
{
    m_text->setPlainText(text);
    fitText();
}

void Hilfe::fitText()
{
    // A long topic in the large size does not fit the small window: it grows
    // rather than cut off the end of the text. It never shrinks by itself.
    const int needed = textHeight(m_text, m_text->width());
    if (needed > m_text->height() && !isMinimized() && !isMaximized() && !isFullScreen()) {
        resize(width(), height() + needed - m_text->height());
        // A hidden window gets its resize event only when it is shown.
        applyLayout();
    }
}

void Hilfe::setHeading(const QString &heading)
{
    m_heading->setPlainText(heading);
    applyLayout();
}
