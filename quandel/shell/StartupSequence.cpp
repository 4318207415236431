#include "StartupSequence.h"

#include "AppPaths.h"
#include "CodeEditor.h"
#include "Commands.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditorFont.h"
#include "Helpers.h"
#include "Layout.h"
#include "Lizenz.h"
#include "PicturePane.h"
#include "Placement.h"
#include "ProductInfo.h"
#include "Prompts.h"
#include "Registry.h"
#include "ReplaceSession.h"
#include "Root.h"
#include "Settings.h"
#include "Startup.h"
#include "TextFile.h"
#include "WebView.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QScreen>

#include <cmath>
#include <exception>

namespace {

const Registry::Root User = Registry::Root::CurrentUser;

// Each start-up step is guarded on its own: whatever goes wrong in one step,
// the sequence goes on with the next.
template <typename Step> void guarded(Step &&step)
{
    try {
        step();
    } catch (const std::exception &e) {
        qWarning("Start-up step failed: %s", e.what());
    } catch (...) {
        qWarning("Start-up step failed");
    }
}

// A document folder that is usable: a file of that name is none, like a
// folder that no longer exists.
bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

StartupSequence::StartupSequence(Root &root) : m_root(root) {}

StartupSequence::~StartupSequence()
{
    delete m_splash;
}

// The steps in the order they run. The zip support is linked into the
// program, so there is no component to look for among them.
bool StartupSequence::run()
{
    guarded([this] { addShortcutTextsToMenus(); });
    guarded([this] { reportUnreadableStores(); });
    guarded([this] { showSplash(); });
    guarded([this] { createSettingsKeys(); });
    bool accepted = true;
    guarded([this, &accepted] { accepted = acceptDisclaimer(); });
    if (!accepted) {
        delete m_splash;
        return false;
    }
    guarded([this] { recordProgramFolder(); });
    // Until the window is shown, the list is filled and entries are
    // selected without loading a document; the one selected at the end is
    // loaded once.
    m_root.m_library->setLoadingDeferred(true);
    guarded([this] { openDocumentFolder(); });
    guarded([this] { applyStatusLineOption(); });
    guarded([this] { selectStoredKind(); });
    guarded([this] { readLinkCheckOption(); });
    guarded([this] { fillFavourites(); });
    guarded([this] { placeWindow(); });
    guarded([this] { selectLastDocument(); });
    guarded([this] { applyPicturePaneOption(); });
    guarded([this] { hideWebView(); });
    guarded([this] { restoreWebView(); });
    guarded([this] { closeSplash(); });
    guarded([this] { showWindowAndCheckFolder(); });
    m_root.m_shown = true;
    m_root.m_library->setLoadingDeferred(false);
    guarded([this] { showSelectedDocument(); });
    guarded([this] { applyEditorFont(); });
    guarded([this] { offerFavouritesRepair(); });
    guarded([this] { drawAttention(); });
    // Last, with the window and the document list in place: unsaved text a
    // crashed or killed program left behind.
    guarded([this] { m_root.m_library->offerLeftRecovery(); });
    // The undo data of a replace that a killed program left: "Ersetzen
    // rückgängig" puts those files back. No question at start (the recovery
    // offer may ask one already): the menu entry is there.
    guarded([this] { m_root.m_replace->takeLeftOver(); });
    return true;
}

void StartupSequence::addShortcutTextsToMenus()
{
    // The keys belong to the editor and the list, which handle them
    // themselves; the entries show them and tell them to a screen reader as
    // their shortcut, as every other entry does, without a tab in the name.
    // Bound to the menu alone, they never take a key from the editor.
    const std::pair<QAction *, QKeySequence> keys[] = {
        {m_root.m_actions[Command::Rueckgaengig], QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {m_root.m_actions[Command::Ausschneiden], QKeySequence(Qt::CTRL | Qt::Key_X)},
        {m_root.m_actions[Command::Kopieren], QKeySequence(Qt::CTRL | Qt::Key_C)},
        {m_root.m_actions[Command::Einfuegen], QKeySequence(Qt::CTRL | Qt::Key_V)},
        {m_root.m_actions[Command::Markieren], QKeySequence(Qt::CTRL | Qt::Key_A)},
        {m_root.m_actions[Command::Beenden], QKeySequence(Qt::ALT | Qt::Key_Q)}};
    for (const auto &[action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

void StartupSequence::showSplash()
{
    if (Settings::read(Settings::Startup)) {
        return;
    }
    m_splash = new Startup;
    m_splash->show();
    Wait(1.0);
}

// A store that is a pipe, a device or far too large is read as empty and
// never written over; the user is told once, at the start, why settings,
// favourites or history are missing. A store linked to the null device is
// switched off on purpose: nothing to say about it.
void StartupSequence::reportUnreadableStores()
{
    const std::pair<QString, QString> stores[] = {
        {Registry::storeFile(), QStringLiteral("Die Einstellungen darin fehlen bis auf Weiteres.")},
        {AppPaths::dataFile(), QStringLiteral("Die Favoriten und die Schriftart darin fehlen bis auf Weiteres.")},
        {AppPaths::historyFile(), QStringLiteral("Der Suchverlauf darin fehlt bis auf Weiteres.")},
        {AppPaths::winIniFile(), QStringLiteral("Die zuletzt gewählte Zip-Datei darin fehlt bis auf Weiteres.")},
    };
    QString text;
    int refused = 0;
    for (const auto &[store, missing] : stores) {
        if (TextFile::isNullDevice(store)) {
            continue;
        }
        if (const QString reason = TextFile::storeRefusal(store); !reason.isEmpty()) {
            text += store + u'\n' + reason + u'\n' + missing + u'\n' + u'\n';
            ++refused;
        }
    }
    if (refused == 0) {
        return;
    }
    text += refused == 1 ? QStringLiteral("Quandel Library liest diese Datei nicht und verändert sie nicht. ")
                         : QStringLiteral("Quandel Library liest diese Dateien nicht und verändert sie nicht. ");
    Prompts::instance().message(&m_root, text, QStringLiteral(" ") + ProductInfo::windowCaption(), Prompts::Buttons::Ok,
                                Prompts::Icon::Exclamation);
}

void StartupSequence::createSettingsKeys()
{
    // A store that cannot be written is no reason not to start: the program
    // then runs on its defaults, and every later write fails as quietly.
    if (!Registry::KeyExists(User, ProductInfo::parentRegistryKey())) {
        (void)Registry::CreateRegKey(User, ProductInfo::parentRegistryKey(), QStringLiteral("1"));
    }
    if (!Registry::KeyExists(User, ProductInfo::registryKey())) {
        (void)Registry::CreateRegKey(User, ProductInfo::registryKey(), QStringLiteral("1"));
    }
}

bool StartupSequence::acceptDisclaimer()
{
    if (Settings::read(Settings::Version) == ProductInfo::versionText()) {
        return true;
    }
    Lizenz dialog(m_splash);
    if (Prompts::instance().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    // Not kept, the disclaimer is shown again at the next start: no harm.
    (void)Settings::write(Settings::Version, ProductInfo::versionText());
    return true;
}

void StartupSequence::recordProgramFolder()
{
    // Only for other programs to find this one; nothing here reads it.
    (void)Settings::write(Settings::InstallDir, AppPaths::programFolder());
}

void StartupSequence::openDocumentFolder()
{
    if (!m_root.m_options.folder.isEmpty()) {
        if (isFolder(m_root.m_options.folder)) {
            m_root.m_library->setFolder(m_root.m_options.folder);
        }
    } else if (const auto path = Settings::read(Settings::Path); path && isFolder(*path)) {
        m_root.m_library->setFolder(*path);
    }
    // The list is filled by the choice of the stored kind, the next step
    // but one.
}

void StartupSequence::applyStatusLineOption()
{
    if (Settings::read(Settings::StatusText)) {
        m_root.m_status->hide();
    }
}

void StartupSequence::selectStoredKind()
{
    const int kind = Settings::read(Settings::Pattern);
    m_root.m_library->selectKind(DocumentKinds::isValid(kind) ? kind : 0);
}

void StartupSequence::readLinkCheckOption()
{
    m_linkCheck = Settings::read(Settings::LinkCheck);
}

void StartupSequence::fillFavourites()
{
    m_brokenLinkReported = m_root.fillFavouritesMenu(m_linkCheck);
}

void StartupSequence::placeWindow()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QRect screen = primary ? primary->geometry() : QRect();
    const float tpp = Layout::twipsPerPixel(m_root.dpi());
    const auto top = Settings::read(Settings::Top);
    const auto left = Settings::read(Settings::Left);
    const auto sixth = [tpp](int pixels) { return std::floor(float(pixels) * tpp / 6.0F); };
    const int topPx = Layout::toPixels(top ? *top : sixth(screen.height()), m_root.dpi());
    const int leftPx = Layout::toPixels(left ? *left : sixth(screen.width()), m_root.dpi());
    // Heights and widths are the outer window's.
    QSize outer = m_root.size();
    if (const auto height = Settings::read(Settings::Height)) {
        outer.setHeight(Layout::toPixels(*height, m_root.dpi()));
        m_root.m_storedHeight = Root::StoredLength{outer.height(), *height};
    }
    if (const auto width = Settings::read(Settings::Width)) {
        outer.setWidth(Layout::toPixels(*width, m_root.dpi()));
        m_root.m_storedWidth = Root::StoredLength{outer.width(), *width};
    }
    // A damaged or foreign store must not give a window larger than the
    // screen or one whose title bar cannot be reached.
    QList<QRect> areas;
    if (primary) {
        areas.append(primary->availableGeometry());
    }
    for (const QScreen *s : QGuiApplication::screens()) {
        if (s != primary) {
            areas.append(s->availableGeometry());
        }
    }
    // The layout enlarges a window below its minimum; the placement is
    // made for the size the window will really have.
    const QSize minimum(Layout::toPixels(Layout::MinWidth, m_root.dpi()),
                        Layout::toPixels(Layout::MinHeight, m_root.dpi()));
    m_root.m_placement = Placement::fit(QRect(QPoint(leftPx, topPx), outer.expandedTo(minimum)), areas);
    m_root.applyPlacement();
}

void StartupSequence::selectLastDocument()
{
    if (!Settings::read(Settings::TextIndex)) {
        return;
    }
    QStringList entries;
    for (int i = 0; i < m_root.m_dateien->count(); ++i) {
        entries.append(m_root.m_dateien->item(i)->text());
    }
    const int index = FindListIndex(entries, Settings::read(Settings::Last).value_or(QString()));
    if (index < m_root.m_dateien->count()) {
        m_root.m_dateien->setCurrentRow(index);
    }
}

void StartupSequence::applyPicturePaneOption()
{
    if (Settings::read(Settings::Werbung)) {
        m_root.m_background->hide();
    }
}

void StartupSequence::hideWebView()
{
    m_root.m_webBrowser->navigateBlank();
    m_root.m_actions[Command::Webansicht]->setChecked(false);
    m_root.m_webBrowser->hide();
    QCoreApplication::processEvents();
}

void StartupSequence::restoreWebView()
{
    if (m_root.m_actions[Command::Ansicht1]->isChecked()) {
        return;
    }
    if (Settings::read(Settings::Viewer)) {
        m_root.m_library->toggleWebView();
    }
}

void StartupSequence::closeSplash()
{
    if (m_splash) {
        m_splash->close();
        delete m_splash;
    }
}

void StartupSequence::showWindowAndCheckFolder()
{
    const QString path = m_root.m_options.folder.isEmpty() ? Settings::read(Settings::Path).value_or(QString())
                                                           : m_root.m_options.folder;
    const bool found = !m_root.m_options.folder.isEmpty() || Settings::read(Settings::Path).has_value();
    if (!found) {
        m_root.m_placement.moveTopLeft(
            QPoint(Layout::toPixels(500, m_root.dpi()), Layout::toPixels(500, m_root.dpi())));
        m_root.move(m_root.m_placement.topLeft());
        m_root.show();
        m_root.settlePlacement();
        m_root.m_library->chooseFolder();
        return;
    }
    m_root.show();
    m_root.settlePlacement();
    if (!isFolder(path)) {
        m_root.m_library->chooseFolder();
    }
}

void StartupSequence::showSelectedDocument()
{
    m_root.m_library->documentSelected();
}

void StartupSequence::applyEditorFont()
{
    EditorFont::apply(m_root.m_text, AppPaths::dataFile());
}

void StartupSequence::offerFavouritesRepair()
{
    if (Settings::read(Settings::LinkError) && m_brokenLinkReported) {
        m_root.showFavouritesManager();
    }
}

void StartupSequence::drawAttention()
{
    QApplication::alert(&m_root, 1000);
}
