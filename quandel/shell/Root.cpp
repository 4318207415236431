#include "Root.h"

#include "Accessibility.h"
#include "AppPaths.h"
#include "CodeEditor.h"
#include "DataFileKeys.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditCommands.h"
#include "Favoriten.h"
#include "FavouritesMenu.h"
#include "FavouritesStore.h"
#include "FileCommands.h"
#include "FontAndPrint.h"
#include "HelpLaunch.h"
#include "Info.h"
#include "IniFile.h"
#include "Layout.h"
#include "Optionen.h"
#include "PicturePane.h"
#include "ProcedureBox.h"
#include "ProductInfo.h"
#include "Prompts.h"
#include "ReplaceSession.h"
#include "SearchController.h"
#include "Settings.h"
#include "StartupSequence.h"
#include "WebView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

Root::Root(const RootOptions &options, QWidget *parent) : QMainWindow(parent), m_options(options)
{
    setObjectName(QStringLiteral("Root"));
    setWindowTitle(ProductInfo::windowCaption());
    setWindowIcon(QIcon(QStringLiteral(":/quandel/quandel.svg")));
    buildPanes();
    buildMenus();
    DocumentWidgets widgets;
    widgets.window = this;
    widgets.dateien = m_dateien;
    widgets.text = m_text;
    widgets.webBrowser = m_webBrowser;
    widgets.status = m_status;
    widgets.wordSearch = m_wordSearch;
    widgets.webAction = m_actions[Command::Webansicht];
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        widgets.kindActions[size_t(i)] = m_actions[nthCommand(Command::Ansicht0, i)];
    }
    m_library = new DocumentLibrary(widgets, this);
    m_fileCommands = new FileCommands(m_library, this, this);
    m_editCommands = new EditCommands(m_library, this, this);
    m_fontAndPrint = new FontAndPrint(m_library, m_text, this, AppPaths::dataFile(), this);
    connect(m_library, &DocumentLibrary::exitRequested, this, &Root::mnubeenden);
    connect(m_refresh, &QPushButton::clicked, m_library, &DocumentLibrary::refresh);

    SearchWidgets searchWidgets;
    searchWidgets.window = this;
    searchWidgets.dateienImt = m_dateienImt;
    searchWidgets.text = m_text;
    searchWidgets.textImt = m_textImt;
    searchWidgets.webBrowser = m_webBrowser;
    m_search = new SearchController(searchWidgets, m_library, AppPaths::historyFile(), this);
    m_replace = new ReplaceSession(this);
    m_favourites = new FavouritesMenu(this, m_favouritesMenu, m_library, AppPaths::dataFile(), this);
    // Unsaved text is restored to a favourite's document, and to no file
    // outside the document folder besides.
    m_library->setRecoveryFavourites([dataFile = AppPaths::dataFile()](const QString &path) {
        const QFileInfo target(path);
        for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
            const Favourite favourite = FavouritesStore::read(dataFile, slot);
            if (!favourite.isFree() &&
                (target == QFileInfo(favourite.fullPath()) ||
                 (QFileInfo(target.path()) == QFileInfo(favourite.fullPath()) &&
                  target.fileName().compare(DocumentKinds::projectFileName(), Qt::CaseInsensitive) == 0))) {
                return true;
            }
        }
        return false;
    });
    m_actions.add(Command::Hinzufuegen, m_favourites->addAction());
    m_actions.add(Command::Verwalten, m_favourites->manageAction());
    connect(m_favourites->manageAction(), &QAction::triggered, this, &Root::showFavouritesManager);
    // A command left out of the menus would silently keep its state.
    Q_ASSERT(m_actions.isComplete());
    collectDocumentCommands();
    connect(m_search, &SearchController::runningChanged, this, [this](bool running) {
        // Each entry gets back the state it had before the run.
        if (running) {
            m_enabledBeforeRun.clear();
            for (QAction *a : std::as_const(m_documentCommands)) {
                m_enabledBeforeRun.append(a->isEnabled());
                a->setEnabled(false);
            }
        } else {
            for (qsizetype i = 0; i < m_documentCommands.size() && i < m_enabledBeforeRun.size(); ++i) {
                m_documentCommands.at(i)->setEnabled(m_enabledBeforeRun.at(i));
            }
        }
    });
    // The clipboard is watched rather than asked on every tick: asking
    // another program for its clipboard can take long on X11.
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        const auto update = [this, clipboard] {
            const QMimeData *data = clipboard->mimeData();
            m_clipboardHasText = data && data->hasText();
        };
        connect(clipboard, &QClipboard::dataChanged, this, update);
        update();
    }
    // Alt+letter keeps its menu open also while a screen reader listens,
    // and the focus is told again when a message box or dialog has closed.
    Accessibility::installMenuKeyGuard();
    Accessibility::installFocusAnnouncements();
    // A class and a module of the same name differ only by the class's
    // trailing tab, which a screen reader does not speak: the entries of
    // that kind say what they are.
    connect(
        m_dateien->model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            if (m_library->checkedKind() != 1) {
                return;
            }
            for (int row = first; row <= last; ++row) {
                if (QListWidgetItem *item = m_dateien->item(row)) {
                    item->setData(Qt::AccessibleDescriptionRole,
                                  item->text().endsWith(u'\t') ? QStringLiteral("Klasse") : QStringLiteral("Modul"));
                }
            }
        });
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(200);
    connect(m_timer1, &QTimer::timeout, this, &Root::tick);
    m_timer1->start();
    for (QMenu *menu : menuBar()->findChildren<QMenu *>()) {
        connect(menu, &QMenu::aboutToShow, this, &Root::tick);
    }
    // The designed client area: 8955 x 7080 twips below the menu bar.
    resize(Layout::toPixels(8955, dpi()), Layout::toPixels(7080, dpi()) + menuBar()->sizeHint().height());
}

Root::~Root() = default;

void Root::buildPanes()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    m_frame1 = new QFrame(m_client);
    Accessibility::setRole(m_frame1, QAccessible::Separator);
    m_frame1->setObjectName(QStringLiteral("Frame1"));

    m_dateien = new QListWidget(m_client);
    m_dateien->setObjectName(QStringLiteral("Dateien"));
    // All entries are one line high: the list need not measure each of
    // thousands of entries.
    m_dateien->setUniformItemSizes(true);
    // The frozen list of a search run shows the entries of the list itself,
    // with a selection of its own: no second set of items to fill.
    m_dateienImt = new QListView(m_client);
    m_dateienImt->setObjectName(QStringLiteral("Dateien_Imt"));
    m_dateienImt->setUniformItemSizes(true);
    // It is laid out when a run first shows it after the list changed: in
    // slices between events, so that a list of any length never holds the
    // window up.
    m_dateienImt->setLayoutMode(QListView::Batched);
    m_dateienImt->setBatchSize(2000);
    m_dateienImt->setModel(m_dateien->model());
    m_dateienImt->hide();

    m_background = new PicturePane(m_client);
    connect(m_background, &PicturePane::rightButtonPressed, this, &Root::picturePaneRightClicked);

    m_text = new CodeEditor(m_client);
    m_text->setObjectName(QStringLiteral("Text"));
    m_text->setUserFontQuery([] {
        return !IniFiles::GetINIString(AppPaths::dataFile(), QString::fromUtf16(DataFileKeys::FontSection),
                                       QString::fromUtf16(DataFileKeys::FontName))
                    .isEmpty();
    });
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_procedures = new ProcedureBox(m_text, m_client);
    m_procedures->hide();
    // Tab order follows the panes from the top: list, procedure list, editor.
    setTabOrder(m_dateien, m_procedures->comboBox());
    setTabOrder(m_procedures->comboBox(), m_text);
    connect(m_procedures, &ProcedureBox::appliesChanged, this, &Root::layoutPass);
    // The frozen editor of a search run is a picture of the editor: a copy
    // of a large text would stall the window and double its memory.
    m_textImt = new QLabel(m_client);
    m_textImt->setObjectName(QStringLiteral("Text_Imt"));
    m_textImt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_textImt->hide();

    m_webBrowser = new WebView(m_client);
    m_webBrowser->hide();

    m_status = new QLabel(m_client);
    m_status->setObjectName(QStringLiteral("LStatus"));
    m_status->hide();

    // The echo of keys typed into the list and the refresh button are kept
    // out of sight: the layout has no room for them, and F5 and the menu do
    // the same.
    m_wordSearch = new QLineEdit(m_client);
    m_wordSearch->setObjectName(QStringLiteral("TWordSearch"));
    m_wordSearch->hide();
    m_refresh = new QPushButton(QStringLiteral("Refresh"), m_client);
    m_refresh->setObjectName(QStringLiteral("CRefresh"));
    m_refresh->hide();

    // What a screen reader says for each pane.
    m_dateien->setAccessibleName(QStringLiteral("Dokumente"));
    m_dateien->setAccessibleDescription(QStringLiteral("Die Dokumente der gewählten Art im Dokumentenordner"));
    m_text->setAccessibleName(QStringLiteral("Dokumenttext"));
    m_webBrowser->setAccessibleName(QStringLiteral("Webansicht"));
    m_webBrowser->setAccessibleDescription(QStringLiteral("Das gewählte Hilfe-Dokument als Webseite"));
    m_background->setAccessibleName(QStringLiteral("Bildbereich"));
    m_background->setAccessibleDescription(QStringLiteral("Rechtsklick schaltet die Webansicht um"));
    m_status->setAccessibleName(QStringLiteral("Statuszeile"));
    m_frame1->setAccessibleName(QStringLiteral("Trennlinie"));
    m_wordSearch->setAccessibleName(QStringLiteral("Eingetippte Buchstaben"));
    m_dateienImt->setAccessibleName(QStringLiteral("Dokumente (Kopie)"));
    m_textImt->setAccessibleName(QStringLiteral("Suchtext"));
}

bool Root::start()
{
    return StartupSequence(*this).run();
}

void Root::applyPlacement()
{
    if (!m_placement.isValid()) {
        return;
    }
    // The frame is known only once the window manager has framed the shown
    // window; until then the outer size is applied as the inner one, and
    // settlePlacement() corrects it.
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    resize(std::max(1, m_placement.width() - frameExtra.width()),
           std::max(1, m_placement.height() - frameExtra.height()));
    move(m_placement.topLeft());
}

void Root::settlePlacement()
{
    applyPlacement();
    if (!m_placement.isValid() || frameGeometry().size() != geometry().size()) {
        m_placement = QRect();
        return;
    }
    // Waits for the frame a little while; without a window manager there is
    // none, and the window keeps what it has.
    auto *poll = new QTimer(this);
    poll->setInterval(20);
    connect(poll, &QTimer::timeout, this, [this, poll, tries = 0]() mutable {
        const bool framed = frameGeometry().size() != geometry().size();
        if (framed) {
            applyPlacement();
        }
        if (framed || ++tries >= 100 || !m_placement.isValid()) {
            m_placement = QRect();
            poll->deleteLater();
        }
    });
    poll->start();
}

// ---------------------------------------------------------------------------
// Exit

void Root::mnubeenden()
{
    if (storeAndEnd()) {
        close();
    }
}

bool Root::storeAndEnd()
{
    if (m_ended) {
        return true;
    }
    if (TextChanging() == 1) {
        return false;
    }
    if (isMinimized()) {
        showNormal();
    }
    // The undo of the last replace ends with the program.
    m_replace->discardAtExit();
    storeExitValues();
    m_ended = true;
    Q_EMIT ended();
    return true;
}

bool Root::endWithoutAsking()
{
    if (m_ended) {
        return false;
    }
    m_library->keepUnsavedTextForNextStart();
    // Before that the window holds nothing the next start could use.
    if (m_shown) {
        storeExitValues();
    }
    m_ended = true;
    return true;
}

void Root::storeExitValues()
{
    Settings::Batch values;
    const QString folder = m_library->folder();
    const bool folderFromCommandLine = !m_options.folder.isEmpty() && folder == QDir::cleanPath(m_options.folder);
    // A run that never had a folder to work in (one given that does not
    // exist, the chooser cancelled) keeps the stored one for the next start.
    if (!folderFromCommandLine && !folder.isEmpty() && QFileInfo(folder).isDir()) {
        values.add(Settings::Path, folder);
    }
    if (const int kind = checkedKind(); kind >= 0) {
        values.add(Settings::Pattern, kind);
    }
    const QListWidgetItem *current = m_dateien->currentItem();
    values.add(Settings::Last, current ? current->text() : QString());
    values.add(Settings::Viewer, m_actions[Command::Webansicht]->isChecked());
    const QRect frame = frameGeometry();
    // A Wayland compositor does not tell a window where it is: the position
    // stored stays as it was.
    if (!QGuiApplication::platformName().startsWith(u"wayland")) {
        values.add(Settings::Left, Layout::toTwips(frame.x(), dpi()));
        values.add(Settings::Top, Layout::toTwips(frame.y(), dpi()));
    }
    const auto length = [this](const std::optional<StoredLength> &stored, int pixels) {
        return stored && stored->pixels == pixels ? stored->twips : Layout::toTwips(pixels, dpi());
    };
    values.add(Settings::Height, length(m_storedHeight, frame.height()));
    values.add(Settings::Width, length(m_storedWidth, frame.width()));
    // In one change, so another instance never reads half of them. When the
    // store cannot be written the program ends all the same: nothing can be
    // done about it now, and the next start uses the values stored before.
    (void)values.write();
}

void Root::closeEvent(QCloseEvent *event)
{
    // Every way of closing the window runs the exit command, which may keep
    // the window open for unsaved changes.
    if (storeAndEnd()) {
        event->accept();
    } else {
        event->ignore();
    }
}

int Root::checkedKind() const
{
    return m_library->checkedKind();
}

QString Root::documentFolder() const
{
    return m_library->folder();
}

void Root::mnuoptionen()
{
    // The dialog has no owner window: it is a window of its own, which the
    // main window does not cover.
    Optionen dialog([](QWidget *from) { HelpLaunch::showHelp(from, HelpLaunch::OptionsTopic, from->windowTitle()); });
    connect(&dialog, &Optionen::applied, this, [this](bool hidePicture) {
        m_background->setVisible(!hidePicture);
        StatusRefresh();
    });
    Prompts::instance().execDialog(dialog);
}

// ---------------------------------------------------------------------------
// Layout

void Root::StatusRefresh()
{
    layoutPass();
}

void Root::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutPass();
}

void Root::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        layoutPass();
    }
}

void Root::layoutPass()
{
    if (isMinimized() || m_inLayout) {
        return;
    }
    const float d = dpi();
    // The arithmetic works on the outer size of a window with the designed
    // frame. The frame the window manager draws differs and is unknown
    // until the window is framed, so the outer size is derived from the
    // client area: the panes then fit the client area at any time.
    const int menuHeight = menuBar()->isVisible() ? menuBar()->height() : 0;
    const QSize client(width(), height() - menuHeight);
    Layout::Input input;
    input.width = Layout::toTwips(client.width(), d) + Layout::DesignedFrameWidth;
    input.height = Layout::toTwips(client.height(), d) + Layout::DesignedFrameHeight;
    input.pictureVisible = !m_background->isHidden();
    input.picturesHeight = (Layout::PictureWidth - 300.0F) * 160.0F / 226.0F;
    const bool procedures = m_procedures->applies() && m_webBrowser->isHidden();
    input.proceduresHeight = procedures ? Layout::toTwips(m_procedures->sizeHint().height(), d) : 0.0F;
    const Layout::Result r = Layout::compute(input);
    if (r.resized) {
        // Enlarging starts a nested pass, which lays out the new size.
        m_inLayout = true;
        resize(Layout::toPixels(r.width - Layout::DesignedFrameWidth, d),
               Layout::toPixels(r.height - Layout::DesignedFrameHeight, d) + menuHeight);
        m_inLayout = false;
    }
    m_dateien->setGeometry(twipsToPixels(r.dateien));
    m_dateienImt->setGeometry(twipsToPixels(r.dateienImt));
    m_frame1->setGeometry(twipsToPixels(r.frame1));
    m_background->setGeometry(twipsToPixels(r.background));
    m_background->placePictures(twipsToPixels(r.pictures));
    m_procedures->setGeometry(twipsToPixels(r.procedures));
    m_procedures->setVisible(procedures);
    m_text->setGeometry(twipsToPixels(r.text));
    m_textImt->setGeometry(twipsToPixels(r.textImt));
    m_status->hide();
    m_webBrowser->setGeometry(twipsToPixels(r.webBrowser));
}

float Root::dpi() const
{
    const int d = logicalDpiX();
    return d > 0 ? float(d) : 96.0F;
}

QRect Root::twipsToPixels(const QRectF &rect) const
{
    const float d = dpi();
    return QRect(Layout::toPixels(float(rect.x()), d), Layout::toPixels(float(rect.y()), d),
                 Layout::toPixels(float(rect.width()), d), Layout::toPixels(float(rect.height()), d));
}

// ---------------------------------------------------------------------------
// Commands of the document library, favourites and search

int Root::StopSearch()
{
    return m_search->StopSearch();
}

int Root::TextChanging()
{
    return m_library->TextChanging();
}

bool Root::fillFavouritesMenu(bool linkCheck)
{
    return m_favourites->fillAtStartup(linkCheck);
}

void Root::showFavouritesManager()
{
    Favoriten dialog(m_favourites, this);
    Prompts::instance().execDialog(dialog);
}

void Root::picturePaneRightClicked()
{
    if (!m_actions[nthCommand(Command::Ansicht0, DocumentKinds::ClassesAndModules)]->isChecked()) {
        m_library->toggleWebView();
    }
}
