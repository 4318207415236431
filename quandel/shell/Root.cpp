#include "Root.h"

#include "Accessibility.h"
#include "AlleTreffer.h"
#include "AppPaths.h"
#include "CodeEditor.h"
#include "CommandState.h"
#include "DesktopShell.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditCommands.h"
#include "EditorFont.h"
#include "Favoriten.h"
#include "FavouritesMenu.h"
#include "FavouritesStore.h"
#include "FileCommands.h"
#include "FileSystem.h"
#include "FontAndPrint.h"
#include "GeheZuZeile.h"
#include "HelpLaunch.h"
#include "Helpers.h"
#include "Info.h"
#include "IniFile.h"
#include "Layout.h"
#include "Lizenz.h"
#include "Optionen.h"
#include "PicturePane.h"
#include "Placement.h"
#include "ProcedureBox.h"
#include "ProductInfo.h"
#include "Prompts.h"
#include "Registry.h"
#include "SearchController.h"
#include "SiblingPrograms.h"
#include "Startup.h"
#include "Suchen.h"
#include "TextFile.h"
#include "WebLinks.h"
#include "WebView.h"
#include "ZipExport.h"

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
#include <QScreen>
#include <QTimer>
#include <QVariant>

#include <algorithm>
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

std::optional<QVariant> query(const QString &name)
{
    QVariant value;
    if (Registry::QueryRegValue(User, ProductInfo::registryKey(), name, value)) {
        return value;
    }
    return std::nullopt;
}

// A stored number as the options dialog writes it; text is read as a number
// too, so a hand-edited store still works.
std::optional<qint64> queryNumber(const QString &name)
{
    const auto value = query(name);
    if (!value) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 n = value->toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::optional<qint64>(0);
}

[[nodiscard]] bool store(const QString &name, const QVariant &value)
{
    return Registry::SetRegValue(User, ProductInfo::registryKey(), name, value);
}

// The leading whole number of a text, 0 when there is none ("2x" is 2).
int leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t.at(end) == u'-' || t.at(end) == u'+')) {
        ++end;
    }
    while (end < t.size() && t.at(end).isDigit()) {
        ++end;
    }
    bool ok = false;
    const int n = t.left(end).toInt(&ok);
    return ok ? n : 0;
}

// Window coordinates are kept as decimal text in twips, in the text form of a
// single-precision number.
std::optional<float> queryTwips(const QString &name)
{
    const auto value = query(name);
    if (!value) {
        return std::nullopt;
    }
    QString text = value->toString().trimmed();
    text.replace(u',', u'.');
    bool ok = false;
    const float twips = text.toFloat(&ok);
    if (!ok || !std::isfinite(twips)) {
        return std::nullopt;
    }
    // Far beyond any screen, and small enough to convert to pixels safely.
    constexpr float Limit = 1.0e7F;
    return std::clamp(twips, -Limit, Limit);
}

// A document folder that is usable: a file of that name is none, like a
// folder that no longer exists.
bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString twipsText(float twips)
{
    return QString::number(double(twips), 'g', 7);
}

} // namespace

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
    widgets.webAction = m_mnuWebansicht;
    widgets.kindActions = m_mnuAnsicht;
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
    connect(m_favourites->manageAction(), &QAction::triggered, this, &Root::showFavouritesManager);
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

Root::~Root()
{
    delete m_splash;
}

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
        return !IniFiles::GetINIString(AppPaths::dataFile(), QStringLiteral("0"), QStringLiteral("FontName")).isEmpty();
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

void Root::buildMenus()
{
    const auto action = [](QMenu *menu, const QString &name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };

    QMenu *vorgaenge = menuBar()->addMenu(QStringLiteral("&Vorgänge "));
    vorgaenge->setObjectName(QStringLiteral("mnuVorgänge"));
    QMenu *neu = vorgaenge->addMenu(QStringLiteral("&Neu"));
    neu->setObjectName(QStringLiteral("mnuNeu"));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QAction *a = action(neu, QStringLiteral("mnuneues_%1").arg(i), DocumentKinds::newCaption(i));
        connect(a, &QAction::triggered, this, [this, i] { m_library->newDocument(i); });
    }
    QAction *oeffnen = action(vorgaenge, QStringLiteral("mnuoeffnen"), QStringLiteral("Ö&ffnen"));
    oeffnen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(oeffnen, &QAction::triggered, this, [this] { m_library->open(); });
    QAction *speichern = action(vorgaenge, QStringLiteral("mnuspeichern"), QStringLiteral("&Speichern"));
    speichern->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(speichern, &QAction::triggered, this, [this] { m_library->save(); });
    QAction *speichernUnter =
        action(vorgaenge, QStringLiteral("mnuspeichernunter"), QStringLiteral("Speichern &unter ...  "));
    connect(speichernUnter, &QAction::triggered, this, [this] { m_library->saveAs(); });
    vorgaenge->addSeparator();
    QAction *umbenennen = action(vorgaenge, QStringLiteral("mnuUmbenennen"), QStringLiteral("&Umbenennen ..."));
    connect(umbenennen, &QAction::triggered, this, [this] { m_fileCommands->rename(); });
    QAction *loesche = action(vorgaenge, QStringLiteral("mnuloesche"), QStringLiteral("&Löschen ..."));
    connect(loesche, &QAction::triggered, this, [this] { m_fileCommands->remove(); });
    QAction *eigenschaften =
        action(vorgaenge, QStringLiteral("mnuEigenschaften"), QStringLiteral("&Eigenschaften ... "));
    connect(eigenschaften, &QAction::triggered, this, [this] { m_fileCommands->showProperties(); });
    QMenu *senden = vorgaenge->addMenu(QStringLiteral("Senden an"));
    senden->setObjectName(QStringLiteral("mnuSenden"));
    for (int i = FileCommands::FirstTarget; i <= FileCommands::LastTarget; ++i) {
        QAction *a = action(senden, QStringLiteral("mnuSendenDatei_%1").arg(i), FileCommands::sendToCaption(i));
        connect(a, &QAction::triggered, this, [this, i] { m_fileCommands->sendTo(i); });
    }
    vorgaenge->addSeparator();
    QAction *seite = action(vorgaenge, QStringLiteral("mnuseiteeinrichten"), QStringLiteral("Seite einrich&ten ..."));
    connect(seite, &QAction::triggered, this, [this] { m_fontAndPrint->pageSetup(); });
    QAction *drucken = action(vorgaenge, QStringLiteral("mnudrucken"), QStringLiteral("&Drucken ..."));
    drucken->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(drucken, &QAction::triggered, this, [this] { m_fontAndPrint->print(); });
    QAction *komprimieren = action(vorgaenge, QStringLiteral("mnuKomprimieren"), QStringLiteral("&Komprimieren ..."));
    // Packing reads the folder only: the shown document and whether it holds
    // unsaved changes stay exactly as they were.
    connect(komprimieren, &QAction::triggered, this, [this] { ZipExport::mnuKomprimieren(this, m_library->folder()); });
    vorgaenge->addSeparator();
    m_mnuVerzeichnis =
        action(vorgaenge, QStringLiteral("mnuverzeichnis"), QStringLiteral("&Verzeichnis auswählen ...  "));
    connect(m_mnuVerzeichnis, &QAction::triggered, this, [this] { m_library->chooseFolder(); });
    vorgaenge->addSeparator();
    m_mnuBeenden = action(vorgaenge, QStringLiteral("mnubeenden"), QStringLiteral("&Beenden"));
    connect(m_mnuBeenden, &QAction::triggered, this, &Root::mnubeenden);

    QMenu *bearbeiten = menuBar()->addMenu(QStringLiteral("&Bearbeiten "));
    bearbeiten->setObjectName(QStringLiteral("mnuBearbeiten"));
    m_mnuRueckgaengig = action(bearbeiten, QStringLiteral("mnuRückgängig"), QStringLiteral("&Rückgängig "));
    // Undo is left to the editor's own keys; the entry stays disabled.
    m_mnuRueckgaengig->setEnabled(false);
    bearbeiten->addSeparator();
    m_mnuAusschneiden = action(bearbeiten, QStringLiteral("mnuausschneiden"), QStringLiteral("&Ausschneiden"));
    m_mnuKopieren = action(bearbeiten, QStringLiteral("mnukopieren"), QStringLiteral("&Kopieren"));
    m_mnuEinfuegen = action(bearbeiten, QStringLiteral("mnueinfuegen"), QStringLiteral("&Einfügen"));
    m_mnuLoeschen = action(bearbeiten, QStringLiteral("mnuloeschen"), QStringLiteral("&Löschen"));
    bearbeiten->addSeparator();
    m_mnuMarkieren = action(bearbeiten, QStringLiteral("mnumarkieren"), QStringLiteral("Alles &markieren  "));
    connect(m_mnuAusschneiden, &QAction::triggered, this, [this] { m_editCommands->cut(); });
    connect(m_mnuKopieren, &QAction::triggered, this, [this] { m_editCommands->copy(); });
    connect(m_mnuEinfuegen, &QAction::triggered, this, [this] { m_editCommands->paste(); });
    connect(m_mnuLoeschen, &QAction::triggered, this, [this] { m_editCommands->remove(); });
    connect(m_mnuMarkieren, &QAction::triggered, this, [this] { m_editCommands->selectAll(); });
    QAction *geheZu = action(bearbeiten, QStringLiteral("mnuGeheZuZeile"), QStringLiteral("Gehe zu &Zeile ..."));
    geheZu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(geheZu, &QAction::triggered, this, [this] { (void)GeheZuZeile::run(m_text, this); });
    bearbeiten->addSeparator();
    QAction *schriftarten = action(bearbeiten, QStringLiteral("mnuSchriftarten"), QStringLiteral("&Schriftart ..."));
    connect(schriftarten, &QAction::triggered, this, [this] { m_fontAndPrint->chooseFont(); });

    QMenu *ansicht = menuBar()->addMenu(QStringLiteral("&Ansicht "));
    ansicht->setObjectName(QStringLiteral("mnuAnsichtMenü"));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QAction *a = action(ansicht, QStringLiteral("mnuAnsicht_%1").arg(i), DocumentKinds::viewCaption(i));
        a->setCheckable(true);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + i)));
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, i] { m_library->selectKind(i); });
        connect(a, &QAction::toggled, this, [this] { m_text->setKind(checkedKind()); });
        m_mnuAnsicht[size_t(i)] = a;
    }
    ansicht->addSeparator();
    m_mnuWebansicht = action(ansicht, QStringLiteral("mnuWebansicht"), QStringLiteral("&Webansicht aktivieren "));
    m_mnuWebansicht->setCheckable(true);
    connect(m_mnuWebansicht, &QAction::triggered, this, [this] {
        // The command decides the checked state itself.
        m_mnuWebansicht->setChecked(!m_mnuWebansicht->isChecked());
        m_library->toggleWebView();
    });
    ansicht->addSeparator();
    m_mnuAktualisieren = action(ansicht, QStringLiteral("mnuaktualisieren"), QStringLiteral("&Aktualisieren"));
    m_mnuAktualisieren->setShortcut(QKeySequence(Qt::Key_F5));
    connect(m_mnuAktualisieren, &QAction::triggered, this, [this] { m_library->refresh(); });
    ansicht->addSeparator();
    QAction *optionen = action(ansicht, QStringLiteral("mnuoptionen"), QStringLiteral("&Optionen ..."));
    connect(optionen, &QAction::triggered, this, &Root::mnuoptionen);
    ansicht->addSeparator();
    QAction *hervorhebung =
        action(ansicht, QStringLiteral("mnuSyntaxhervorhebung"), QStringLiteral("&Syntaxhervorhebung"));
    hervorhebung->setCheckable(true);
    hervorhebung->setChecked(queryNumber(QStringLiteral("Highlight")).value_or(1) != 0);
    m_text->setHighlighting(hervorhebung->isChecked());
    connect(hervorhebung, &QAction::toggled, this, [this](bool on) {
        m_text->setHighlighting(on);
        // The switch holds for this run even when the store cannot keep it.
        (void)store(QStringLiteral("Highlight"), on ? 1 : 0);
    });

    QMenu *suchen = menuBar()->addMenu(QStringLiteral("&Suchen "));
    suchen->setObjectName(QStringLiteral("mnuSuchEs"));
    QAction *mnuSuchen = action(suchen, QStringLiteral("mnuSuchen"), QStringLiteral("&Suchen ..."));
    mnuSuchen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(mnuSuchen, &QAction::triggered, this, [this] { m_search->openDialog(); });
    QAction *weiter = action(suchen, QStringLiteral("mnuWeitersuchen"), QStringLiteral("&Weitersuchen "));
    weiter->setShortcut(QKeySequence(Qt::Key_F3));
    connect(weiter, &QAction::triggered, this, [this] { m_search->findNext(); });
    m_mnuAlleTreffer = action(suchen, QStringLiteral("mnuAlleTreffer"), QStringLiteral("&Alle Treffer anzeigen ..."));
    m_mnuAlleTreffer->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(m_mnuAlleTreffer, &QAction::triggered, this, &Root::showAllHits);
    suchen->addSeparator();
    QAction *verlauf = action(suchen, QStringLiteral("mnuVerlauf"), QStringLiteral("&History ..."));
    connect(verlauf, &QAction::triggered, this, [this] { m_search->clearHistory(); });

    m_favouritesMenu = menuBar()->addMenu(QStringLiteral("&Favoriten "));
    m_favouritesMenu->setObjectName(QStringLiteral("mnuFavoritenMenü"));

    QMenu *hilfe = menuBar()->addMenu(QStringLiteral("&? "));
    hilfe->setObjectName(QStringLiteral("mnuFragezeichen"));
    QAction *themen = action(hilfe, QStringLiteral("mnuHilfethemen"), QStringLiteral("&Hilfethemen"));
    themen->setShortcut(QKeySequence(Qt::Key_F1));
    connect(themen, &QAction::triggered, this,
            [this] { HelpLaunch::showHelp(this, HelpLaunch::OverviewTopic, windowTitle()); });
    hilfe->addSeparator();
    const auto link = [this, &action](QMenu *menu, const QString &name, const QString &caption, const QUrl &url) {
        QAction *a = action(menu, name, caption);
        connect(a, &QAction::triggered, this, [url] { WebLinks::WebSupports(url); });
    };
    link(hilfe, QStringLiteral("mnuSoftware"), QStringLiteral("&Software und Updates "), WebLinks::makerSite());
    QMenu *web = hilfe->addMenu(QStringLiteral("&Web Hilfethemen  "));
    web->setObjectName(QStringLiteral("mnuHilfe"));
    link(web, QStringLiteral("mnulinks1"), QStringLiteral("Kostenloses Zubehör"), WebLinks::freeAccessories());
    web->addSeparator();
    link(web, QStringLiteral("mnulinks2"), QStringLiteral("Entwickler Homepage"), WebLinks::developerHome());
    link(web, QStringLiteral("mnulinks3"), QStringLiteral("MSDN Online"), WebLinks::developerNetwork());
    link(web, QStringLiteral("mnulinks4"), QStringLiteral("Microsoft Newsgroups"), WebLinks::supportForums());
    hilfe->addSeparator();
    for (int i = 0; i < SiblingPrograms::Count; ++i) {
        QAction *a = action(hilfe, QStringLiteral("mnuProgramme_%1").arg(i + 1), SiblingPrograms::caption(i));
        connect(a, &QAction::triggered, this, [i] {
            // A companion that is not installed is simply not started.
            if (SiblingPrograms::exists(i)) {
                Shell::instance().startDetached(SiblingPrograms::path(i), {}, nullptr);
            }
        });
    }
    hilfe->addSeparator();
    QAction *info = action(hilfe, QStringLiteral("mnuinfo"), QStringLiteral("&Info ..."));
    connect(info, &QAction::triggered, this, [this] {
        Info dialog(this);
        Prompts::instance().execDialog(dialog);
    });
}

void Root::collectDocumentCommands()
{
    const QString names[] = {
        QStringLiteral("mnuneues_0"),      QStringLiteral("mnuneues_1"),       QStringLiteral("mnuneues_2"),
        QStringLiteral("mnuneues_3"),      QStringLiteral("mnuspeichern"),     QStringLiteral("mnuspeichernunter"),
        QStringLiteral("mnuverzeichnis"),  QStringLiteral("mnuaktualisieren"), QStringLiteral("mnuWebansicht"),
        QStringLiteral("mnuSuchen"),       QStringLiteral("mnuWeitersuchen"),  QStringLiteral("mnuAlleTreffer"),
        QStringLiteral("mnuhinzufügen"),   QStringLiteral("mnuverwalten"),     QStringLiteral("mnuUmbenennen"),
        QStringLiteral("mnuloesche"),      QStringLiteral("mnuSendenDatei_1"), QStringLiteral("mnuSendenDatei_2"),
        QStringLiteral("mnuSendenDatei_3")};
    for (const QString &name : names) {
        if (QAction *a = findChild<QAction *>(name)) {
            m_documentCommands.append(a);
        }
    }
    for (QAction *a : m_mnuAnsicht) {
        m_documentCommands.append(a);
    }
    for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
        m_documentCommands.append(m_favourites->item(slot));
    }
}

void Root::tick()
{
    // A search run keeps the document commands off until it ends.
    if (m_search->isRunning()) {
        return;
    }
    CommandState::Snapshot state;
    // In the project view the selected project stands for the file: its
    // rename, print and favourite must not hang on stray *.ini files.
    state.fileSelected = m_library->isProjectView() ? m_dateien->currentRow() >= 0 : m_library->fileIndex() >= 0;
    state.documentSelected = m_dateien->currentRow() >= 0;
    // Save of untitled text runs Save as.
    state.unlistedDocument = m_library->isUnlisted() || (m_library->isUntitled() && !m_text->document()->isEmpty());
    state.textEmpty = m_text->document()->isEmpty();
    state.selectionEmpty = !m_text->textCursor().hasSelection();
    state.checkedKind = m_library->checkedKind();
    state.focusInEditor = m_library->state().mFocusText;
    state.clipboardHasText = m_clipboardHasText;
    // Reading the term creates the search dialog, hidden, the first time.
    state.searchTermEmpty = m_search->dialog()->term().isEmpty();
    const auto *firstSibling = findChild<QAction *>(QStringLiteral("mnuProgramme_1"));
    state.firstSiblingEnabled = firstSibling && firstSibling->isEnabled();
    for (int i = 0; i < 3; ++i) {
        state.siblingExists[size_t(i)] = SiblingPrograms::exists(i);
    }
    const CommandState::Result result = CommandState::evaluate(state);
    for (auto it = result.begin(); it != result.end(); ++it) {
        if (QAction *a = findChild<QAction *>(it.key())) {
            a->setEnabled(it.value());
        }
    }
    // All hits may start whenever a search may.
    m_mnuAlleTreffer->setEnabled(result.value(QStringLiteral("mnuSuchen"), true));
    updateTermMarks();
}

void Root::showAllHits()
{
    if (!m_alleTreffer) {
        m_alleTreffer = new AlleTreffer(m_library, m_text, AppPaths::historyFile(), this);
        m_alleTreffer->placeBeside(this);
    }
    // Closing the window returns the focus to where it was taken from.
    if (QWidget *focus = QApplication::focusWidget(); focus && focus->window() == this) {
        m_alleTreffer->setReturnFocus(focus);
    }
    m_alleTreffer->show();
    m_alleTreffer->raise();
    m_alleTreffer->activateWindow();
    m_alleTreffer->termBox()->setFocus();
}

void Root::updateTermMarks()
{
    // The last term of the all-hits window while it is open, else that of
    // the search dialog, which is empty once the dialog is closed.
    if (m_alleTreffer && m_alleTreffer->isVisible() && !m_alleTreffer->lastTerm().isEmpty()) {
        m_text->setMarkedTerm(m_alleTreffer->lastTerm(), m_alleTreffer->lastCaseSensitivity());
    } else if (Suchen *dialog = m_search->dialog(); dialog && !dialog->term().isEmpty()) {
        m_text->setMarkedTerm(dialog->term(), dialog->caseSensitivity());
    } else {
        m_text->setMarkedTerm(QString());
    }
}

// ---------------------------------------------------------------------------
// Start-up

// The steps in the order they run. The zip support is linked into the
// program, so there is no component to look for among them.
bool Root::start()
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
    m_library->setLoadingDeferred(true);
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
    m_shown = true;
    m_library->setLoadingDeferred(false);
    guarded([this] { showSelectedDocument(); });
    guarded([this] { applyEditorFont(); });
    guarded([this] { offerFavouritesRepair(); });
    guarded([this] { drawAttention(); });
    // Last, with the window and the document list in place: unsaved text a
    // crashed or killed program left behind.
    guarded([this] { m_library->offerLeftRecovery(); });
    return true;
}

void Root::addShortcutTextsToMenus()
{
    // The keys belong to the editor and the list, which handle them
    // themselves; the entries show them and tell them to a screen reader as
    // their shortcut, as every other entry does, without a tab in the name.
    // Bound to the menu alone, they never take a key from the editor.
    const std::pair<QAction *, QKeySequence> keys[] = {{m_mnuRueckgaengig, QKeySequence(Qt::CTRL | Qt::Key_Z)},
                                                       {m_mnuAusschneiden, QKeySequence(Qt::CTRL | Qt::Key_X)},
                                                       {m_mnuKopieren, QKeySequence(Qt::CTRL | Qt::Key_C)},
                                                       {m_mnuEinfuegen, QKeySequence(Qt::CTRL | Qt::Key_V)},
                                                       {m_mnuMarkieren, QKeySequence(Qt::CTRL | Qt::Key_A)},
                                                       {m_mnuBeenden, QKeySequence(Qt::ALT | Qt::Key_Q)}};
    for (const auto &[action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

void Root::showSplash()
{
    const auto startup = queryNumber(QStringLiteral("Startup"));
    if (startup && *startup != 0) {
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
void Root::reportUnreadableStores()
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
    Prompts::instance().message(this, text, QStringLiteral(" ") + ProductInfo::windowCaption(), Prompts::Buttons::Ok,
                                Prompts::Icon::Exclamation);
}

void Root::createSettingsKeys()
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

bool Root::acceptDisclaimer()
{
    const auto version = query(QStringLiteral("Version"));
    if (version && version->toString() == ProductInfo::versionText()) {
        return true;
    }
    Lizenz dialog(m_splash);
    if (Prompts::instance().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    // Not kept, the disclaimer is shown again at the next start: no harm.
    (void)store(QStringLiteral("Version"), ProductInfo::versionText());
    return true;
}

void Root::recordProgramFolder()
{
    // Only for other programs to find this one; nothing here reads it.
    (void)store(QStringLiteral("InstallDir"), AppPaths::programFolder());
}

void Root::openDocumentFolder()
{
    if (!m_options.folder.isEmpty()) {
        if (isFolder(m_options.folder)) {
            m_library->setFolder(m_options.folder);
        }
    } else if (const auto path = query(QStringLiteral("Path")); path && isFolder(path->toString())) {
        m_library->setFolder(path->toString());
    }
    // The list is filled by the choice of the stored kind, the next step
    // but one.
}

void Root::applyStatusLineOption()
{
    if (queryNumber(QStringLiteral("StatusText")).value_or(0) == 1) {
        m_status->hide();
    }
}

void Root::selectStoredKind()
{
    const auto pattern = query(QStringLiteral("Pattern"));
    const int kind = pattern ? leadingNumber(pattern->toString()) : 0;
    m_library->selectKind(DocumentKinds::isValid(kind) ? kind : 0);
}

void Root::readLinkCheckOption()
{
    const auto linkCheck = queryNumber(QStringLiteral("LinkCheck"));
    m_linkCheck = !linkCheck || *linkCheck == 1;
}

void Root::fillFavourites()
{
    m_brokenLinkReported = fillFavouritesMenu(m_linkCheck);
}

void Root::placeWindow()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QRect screen = primary ? primary->geometry() : QRect();
    const float tpp = Layout::twipsPerPixel(dpi());
    const auto top = queryTwips(QStringLiteral("Top"));
    const auto left = queryTwips(QStringLiteral("Left"));
    const auto sixth = [tpp](int pixels) { return std::floor(float(pixels) * tpp / 6.0F); };
    const int topPx = Layout::toPixels(top ? *top : sixth(screen.height()), dpi());
    const int leftPx = Layout::toPixels(left ? *left : sixth(screen.width()), dpi());
    // Heights and widths are the outer window's.
    QSize outer = size();
    if (const auto height = queryTwips(QStringLiteral("Height"))) {
        outer.setHeight(Layout::toPixels(*height, dpi()));
        m_storedHeight = StoredLength{outer.height(), *height};
    }
    if (const auto width = queryTwips(QStringLiteral("Width"))) {
        outer.setWidth(Layout::toPixels(*width, dpi()));
        m_storedWidth = StoredLength{outer.width(), *width};
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
    const QSize minimum(Layout::toPixels(Layout::MinWidth, dpi()), Layout::toPixels(Layout::MinHeight, dpi()));
    m_placement = Placement::fit(QRect(QPoint(leftPx, topPx), outer.expandedTo(minimum)), areas);
    applyPlacement();
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

void Root::selectLastDocument()
{
    if (queryNumber(QStringLiteral("TextIndex")).value_or(0) != 1) {
        return;
    }
    QStringList entries;
    for (int i = 0; i < m_dateien->count(); ++i) {
        entries.append(m_dateien->item(i)->text());
    }
    const auto last = query(QStringLiteral("Last"));
    const int index = FindListIndex(entries, last ? last->toString() : QString());
    if (index < m_dateien->count()) {
        m_dateien->setCurrentRow(index);
    }
}

void Root::applyPicturePaneOption()
{
    if (queryNumber(QStringLiteral("Werbung")).value_or(0) == 1) {
        m_background->hide();
    }
}

void Root::hideWebView()
{
    m_webBrowser->navigateBlank();
    m_mnuWebansicht->setChecked(false);
    m_webBrowser->hide();
    QCoreApplication::processEvents();
}

void Root::restoreWebView()
{
    if (m_mnuAnsicht[1]->isChecked()) {
        return;
    }
    if (queryNumber(QStringLiteral("Viewer")).value_or(0) == 1) {
        m_library->toggleWebView();
    }
}

void Root::closeSplash()
{
    if (m_splash) {
        m_splash->close();
        delete m_splash;
    }
}

void Root::showWindowAndCheckFolder()
{
    const QString path =
        m_options.folder.isEmpty() ? query(QStringLiteral("Path")).value_or(QVariant()).toString() : m_options.folder;
    const bool found = !m_options.folder.isEmpty() || query(QStringLiteral("Path")).has_value();
    if (!found) {
        m_placement.moveTopLeft(QPoint(Layout::toPixels(500, dpi()), Layout::toPixels(500, dpi())));
        move(m_placement.topLeft());
        show();
        settlePlacement();
        m_library->chooseFolder();
        return;
    }
    show();
    settlePlacement();
    if (!isFolder(path)) {
        m_library->chooseFolder();
    }
}

void Root::showSelectedDocument()
{
    m_library->documentSelected();
}

void Root::applyEditorFont()
{
    EditorFont::apply(m_text, AppPaths::dataFile());
}

void Root::offerFavouritesRepair()
{
    if (queryNumber(QStringLiteral("LinkError")).value_or(0) == 1 && m_brokenLinkReported) {
        showFavouritesManager();
    }
}

void Root::drawAttention()
{
    QApplication::alert(this, 1000);
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
    QList<std::pair<QString, QVariant>> values;
    const QString folder = m_library->folder();
    const bool folderFromCommandLine = !m_options.folder.isEmpty() && folder == QDir::cleanPath(m_options.folder);
    // A run that never had a folder to work in (one given that does not
    // exist, the chooser cancelled) keeps the stored one for the next start.
    if (!folderFromCommandLine && !folder.isEmpty() && QFileInfo(folder).isDir()) {
        values.append({QStringLiteral("Path"), folder});
    }
    if (const int kind = checkedKind(); kind >= 0) {
        values.append({QStringLiteral("Pattern"), QString::number(kind)});
    }
    const QListWidgetItem *current = m_dateien->currentItem();
    values.append({QStringLiteral("Last"), current ? current->text() : QString()});
    values.append({QStringLiteral("Viewer"), m_mnuWebansicht->isChecked() ? 1 : 0});
    const QRect frame = frameGeometry();
    // A Wayland compositor does not tell a window where it is: the position
    // stored stays as it was.
    if (!QGuiApplication::platformName().startsWith(u"wayland")) {
        values.append({QStringLiteral("Left"), twipsText(Layout::toTwips(frame.x(), dpi()))});
        values.append({QStringLiteral("Top"), twipsText(Layout::toTwips(frame.y(), dpi()))});
    }
    const auto length = [this](const std::optional<StoredLength> &stored, int pixels) {
        return twipsText(stored && stored->pixels == pixels ? stored->twips : Layout::toTwips(pixels, dpi()));
    };
    values.append({QStringLiteral("Height"), length(m_storedHeight, frame.height())});
    values.append({QStringLiteral("Width"), length(m_storedWidth, frame.width())});
    // In one change, so another instance never reads half of them. When the
    // store cannot be written the program ends all the same: nothing can be
    // done about it now, and the next start uses the values stored before.
    (void)Registry::SetRegValues(User, ProductInfo::registryKey(), values);
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
    if (!m_mnuAnsicht[DocumentKinds::ClassesAndModules]->isChecked()) {
        m_library->toggleWebView();
    }
}
