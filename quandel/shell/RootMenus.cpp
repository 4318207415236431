#include "Root.h"

#include "AlleErsetzen.h"
#include "AlleTreffer.h"
#include "AppPaths.h"
#include "CodeEditor.h"
#include "CommandState.h"
#include "DesktopShell.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditCommands.h"
#include "Ersetzen.h"
#include "FavouritesMenu.h"
#include "FavouritesStore.h"
#include "FileCommands.h"
#include "FontAndPrint.h"
#include "GeheZuZeile.h"
#include "HelpLaunch.h"
#include "Info.h"
#include "Prompts.h"
#include "ReplaceSession.h"
#include "SearchController.h"
#include "Settings.h"
#include "SiblingPrograms.h"
#include "Suchen.h"
#include "WebLinks.h"
#include "WebView.h"
#include "ZipExport.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>

// The menus of the main window, the table of their entries and the tick that
// sets which of them are enabled.

void Root::buildMenus()
{
    const auto action = [this](QMenu *menu, Command command, const QString &caption) {
        QAction *a = menu->addAction(caption);
        m_actions.add(command, a);
        return a;
    };

    QMenu *vorgaenge = menuBar()->addMenu(QStringLiteral("&Vorgänge "));
    vorgaenge->setObjectName(QStringLiteral("mnuVorgänge"));
    QMenu *neu = vorgaenge->addMenu(QStringLiteral("&Neu"));
    neu->setObjectName(QStringLiteral("mnuNeu"));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QAction *a = action(neu, nthCommand(Command::Neues0, i), DocumentKinds::newCaption(i));
        connect(a, &QAction::triggered, this, [this, i] { m_library->newDocument(i); });
    }
    QAction *oeffnen = action(vorgaenge, Command::Oeffnen, QStringLiteral("Ö&ffnen"));
    oeffnen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(oeffnen, &QAction::triggered, this, [this] { m_library->open(); });
    QAction *speichern = action(vorgaenge, Command::Speichern, QStringLiteral("&Speichern"));
    speichern->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(speichern, &QAction::triggered, this, [this] { m_library->save(); });
    QAction *speichernUnter = action(vorgaenge, Command::SpeichernUnter, QStringLiteral("Speichern &unter ...  "));
    connect(speichernUnter, &QAction::triggered, this, [this] { m_library->saveAs(); });
    vorgaenge->addSeparator();
    QAction *umbenennen = action(vorgaenge, Command::Umbenennen, QStringLiteral("&Umbenennen ..."));
    connect(umbenennen, &QAction::triggered, this, [this] { m_fileCommands->rename(); });
    QAction *loesche = action(vorgaenge, Command::Loesche, QStringLiteral("&Löschen ..."));
    connect(loesche, &QAction::triggered, this, [this] { m_fileCommands->remove(); });
    QAction *eigenschaften = action(vorgaenge, Command::Eigenschaften, QStringLiteral("&Eigenschaften ... "));
    connect(eigenschaften, &QAction::triggered, this, [this] { m_fileCommands->showProperties(); });
    QMenu *senden = vorgaenge->addMenu(QStringLiteral("Senden an"));
    senden->setObjectName(QStringLiteral("mnuSenden"));
    for (int i = FileCommands::FirstTarget; i <= FileCommands::LastTarget; ++i) {
        QAction *a = action(senden, nthCommand(Command::SendenDatei1, i - FileCommands::FirstTarget),
                            FileCommands::sendToCaption(i));
        connect(a, &QAction::triggered, this, [this, i] { m_fileCommands->sendTo(i); });
    }
    vorgaenge->addSeparator();
    QAction *seite = action(vorgaenge, Command::SeiteEinrichten, QStringLiteral("Seite einrich&ten ..."));
    connect(seite, &QAction::triggered, this, [this] { m_fontAndPrint->pageSetup(); });
    QAction *drucken = action(vorgaenge, Command::Drucken, QStringLiteral("&Drucken ..."));
    drucken->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(drucken, &QAction::triggered, this, [this] { m_fontAndPrint->print(); });
    QAction *komprimieren = action(vorgaenge, Command::Komprimieren, QStringLiteral("&Komprimieren ..."));
    // Packing reads the folder only: the shown document and whether it holds
    // unsaved changes stay exactly as they were.
    connect(komprimieren, &QAction::triggered, this, [this] { ZipExport::mnuKomprimieren(this, m_library->folder()); });
    vorgaenge->addSeparator();
    QAction *verzeichnis = action(vorgaenge, Command::Verzeichnis, QStringLiteral("&Verzeichnis auswählen ...  "));
    connect(verzeichnis, &QAction::triggered, this, [this] { m_library->chooseFolder(); });
    vorgaenge->addSeparator();
    QAction *beenden = action(vorgaenge, Command::Beenden, QStringLiteral("&Beenden"));
    connect(beenden, &QAction::triggered, this, &Root::mnubeenden);

    QMenu *bearbeiten = menuBar()->addMenu(QStringLiteral("&Bearbeiten "));
    bearbeiten->setObjectName(QStringLiteral("mnuBearbeiten"));
    QAction *rueckgaengig = action(bearbeiten, Command::Rueckgaengig, QStringLiteral("&Rückgängig "));
    // Undo is left to the editor's own keys; the entry stays disabled.
    rueckgaengig->setEnabled(false);
    bearbeiten->addSeparator();
    QAction *ausschneiden = action(bearbeiten, Command::Ausschneiden, QStringLiteral("&Ausschneiden"));
    QAction *kopieren = action(bearbeiten, Command::Kopieren, QStringLiteral("&Kopieren"));
    QAction *einfuegen = action(bearbeiten, Command::Einfuegen, QStringLiteral("&Einfügen"));
    QAction *loeschen = action(bearbeiten, Command::Loeschen, QStringLiteral("&Löschen"));
    bearbeiten->addSeparator();
    QAction *markieren = action(bearbeiten, Command::Markieren, QStringLiteral("Alles &markieren  "));
    connect(ausschneiden, &QAction::triggered, this, [this] { m_editCommands->cut(); });
    connect(kopieren, &QAction::triggered, this, [this] { m_editCommands->copy(); });
    connect(einfuegen, &QAction::triggered, this, [this] { m_editCommands->paste(); });
    connect(loeschen, &QAction::triggered, this, [this] { m_editCommands->remove(); });
    connect(markieren, &QAction::triggered, this, [this] { m_editCommands->selectAll(); });
    QAction *geheZu = action(bearbeiten, Command::GeheZuZeile, QStringLiteral("Gehe zu &Zeile ..."));
    geheZu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(geheZu, &QAction::triggered, this, [this] { (void)GeheZuZeile::run(m_text, this); });
    QAction *ersetzen = action(bearbeiten, Command::Ersetzen, QStringLiteral("&Ersetzen ..."));
    ersetzen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(ersetzen, &QAction::triggered, this, &Root::showReplace);
    bearbeiten->addSeparator();
    QAction *schriftarten = action(bearbeiten, Command::Schriftarten, QStringLiteral("&Schriftart ..."));
    connect(schriftarten, &QAction::triggered, this, [this] { m_fontAndPrint->chooseFont(); });

    QMenu *ansicht = menuBar()->addMenu(QStringLiteral("&Ansicht "));
    ansicht->setObjectName(QStringLiteral("mnuAnsichtMenü"));
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        QAction *a = action(ansicht, nthCommand(Command::Ansicht0, i), DocumentKinds::viewCaption(i));
        a->setCheckable(true);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + i)));
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, i] { m_library->selectKind(i); });
        connect(a, &QAction::toggled, this, [this] { m_text->setKind(checkedKind()); });
    }
    ansicht->addSeparator();
    QAction *webansicht = action(ansicht, Command::Webansicht, QStringLiteral("&Webansicht aktivieren "));
    webansicht->setCheckable(true);
    connect(webansicht, &QAction::triggered, this, [this, webansicht] {
        // The command decides the checked state itself.
        webansicht->setChecked(!webansicht->isChecked());
        m_library->toggleWebView();
    });
    ansicht->addSeparator();
    QAction *aktualisieren = action(ansicht, Command::Aktualisieren, QStringLiteral("&Aktualisieren"));
    aktualisieren->setShortcut(QKeySequence(Qt::Key_F5));
    connect(aktualisieren, &QAction::triggered, this, [this] { m_library->refresh(); });
    ansicht->addSeparator();
    QAction *optionen = action(ansicht, Command::Optionen, QStringLiteral("&Optionen ..."));
    connect(optionen, &QAction::triggered, this, &Root::mnuoptionen);
    ansicht->addSeparator();
    QAction *hervorhebung = action(ansicht, Command::Syntaxhervorhebung, QStringLiteral("&Syntaxhervorhebung"));
    hervorhebung->setCheckable(true);
    hervorhebung->setChecked(Settings::read(Settings::Highlight));
    m_text->setHighlighting(hervorhebung->isChecked());
    connect(hervorhebung, &QAction::toggled, this, [this](bool on) {
        m_text->setHighlighting(on);
        // The switch holds for this run even when the store cannot keep it.
        (void)Settings::write(Settings::Highlight, on);
    });

    QMenu *suchen = menuBar()->addMenu(QStringLiteral("&Suchen "));
    suchen->setObjectName(QStringLiteral("mnuSuchEs"));
    QAction *mnuSuchen = action(suchen, Command::Suchen, QStringLiteral("&Suchen ..."));
    mnuSuchen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(mnuSuchen, &QAction::triggered, this, [this] { m_search->openDialog(); });
    QAction *weiter = action(suchen, Command::Weitersuchen, QStringLiteral("&Weitersuchen "));
    weiter->setShortcut(QKeySequence(Qt::Key_F3));
    connect(weiter, &QAction::triggered, this, [this] { m_search->findNext(); });
    QAction *alleTreffer = action(suchen, Command::AlleTreffer, QStringLiteral("&Alle Treffer anzeigen ..."));
    alleTreffer->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(alleTreffer, &QAction::triggered, this, &Root::showAllHits);
    QAction *alleErsetzen = action(suchen, Command::AlleErsetzen, QStringLiteral("In allen Dokumenten &ersetzen ..."));
    alleErsetzen->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    connect(alleErsetzen, &QAction::triggered, this, [this] { (void)showReplaceAll(); });
    QAction *ersetzenRueckgaengig =
        action(suchen, Command::ErsetzenRueckgaengig, QStringLiteral("Ersetzen &rückgängig"));
    ersetzenRueckgaengig->setEnabled(false);
    connect(ersetzenRueckgaengig, &QAction::triggered, this, &Root::undoReplace);
    suchen->addSeparator();
    QAction *verlauf = action(suchen, Command::Verlauf, QStringLiteral("&History ..."));
    connect(verlauf, &QAction::triggered, this, [this] { m_search->clearHistory(); });

    m_favouritesMenu = menuBar()->addMenu(QStringLiteral("&Favoriten "));
    m_favouritesMenu->setObjectName(QStringLiteral("mnuFavoritenMenü"));

    QMenu *hilfe = menuBar()->addMenu(QStringLiteral("&? "));
    hilfe->setObjectName(QStringLiteral("mnuFragezeichen"));
    // The sibling programs are looked up again each time the menu opens,
    // before its entries are set, and not at every tick.
    connect(hilfe, &QMenu::aboutToShow, this, [this] { m_siblingsFound.reset(); });
    QAction *themen = action(hilfe, Command::Hilfethemen, QStringLiteral("&Hilfethemen"));
    themen->setShortcut(QKeySequence(Qt::Key_F1));
    connect(themen, &QAction::triggered, this,
            [this] { HelpLaunch::showHelp(this, HelpLaunch::OverviewTopic, windowTitle()); });
    hilfe->addSeparator();
    const auto link = [this, &action](QMenu *menu, Command command, const QString &caption, const QUrl &url) {
        QAction *a = action(menu, command, caption);
        connect(a, &QAction::triggered, this, [url] { WebLinks::WebSupports(url); });
    };
    link(hilfe, Command::Software, QStringLiteral("&Software und Updates "), WebLinks::makerSite());
    QMenu *web = hilfe->addMenu(QStringLiteral("&Web Hilfethemen  "));
    web->setObjectName(QStringLiteral("mnuHilfe"));
    link(web, Command::Links1, QStringLiteral("Kostenloses Zubehör"), WebLinks::freeAccessories());
    web->addSeparator();
    link(web, Command::Links2, QStringLiteral("Entwickler Homepage"), WebLinks::developerHome());
    link(web, Command::Links3, QStringLiteral("MSDN Online"), WebLinks::developerNetwork());
    link(web, Command::Links4, QStringLiteral("Microsoft Newsgroups"), WebLinks::supportForums());
    hilfe->addSeparator();
    for (int i = 0; i < SiblingPrograms::Count; ++i) {
        QAction *a = action(hilfe, nthCommand(Command::Programme1, i), SiblingPrograms::caption(i));
        connect(a, &QAction::triggered, this, [i] {
            // A companion that is not installed is simply not started.
            if (SiblingPrograms::exists(i)) {
                Shell::instance().startDetached(SiblingPrograms::path(i), {}, nullptr);
            }
        });
    }
    hilfe->addSeparator();
    QAction *info = action(hilfe, Command::Info, QStringLiteral("&Info ..."));
    connect(info, &QAction::triggered, this, [this] {
        Info dialog(this);
        Prompts::instance().execDialog(dialog);
    });
}

void Root::collectDocumentCommands()
{
    const Command commands[] = {
        Command::Neues0,       Command::Neues1,         Command::Neues2,       Command::Neues3,
        Command::Speichern,    Command::SpeichernUnter, Command::Verzeichnis,  Command::Aktualisieren,
        Command::Webansicht,   Command::Suchen,         Command::Weitersuchen, Command::AlleTreffer,
        Command::Hinzufuegen,  Command::Verwalten,      Command::Umbenennen,   Command::Loesche,
        Command::SendenDatei1, Command::SendenDatei2,   Command::SendenDatei3, Command::Ansicht0,
        Command::Ansicht1,     Command::Ansicht2,       Command::Ansicht3,     Command::Ersetzen};
    for (const Command command : commands) {
        if (QAction *a = m_actions[command]) {
            m_documentCommands.append(a);
        }
    }
    // Replacing across the documents reads and writes the list's files.
    m_documentCommands.append(m_actions[Command::AlleErsetzen]);
    m_documentCommands.append(m_actions[Command::ErsetzenRueckgaengig]);
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
    state.replaceUndoAvailable = m_replace->canUndo();
    state.firstSiblingEnabled = m_actions[Command::Programme1]->isEnabled();
    if (state.firstSiblingEnabled && !m_siblingsFound) {
        lookUpSiblings();
    }
    state.siblingExists = m_siblingsFound.value_or(std::array<bool, SiblingPrograms::Count>{});
    const CommandState::Result result = CommandState::evaluate(state);
    for (int i = 0; i < CommandCount; ++i) {
        const auto command = Command(i);
        if (result.contains(command)) {
            if (QAction *a = m_actions[command]) {
                a->setEnabled(result.value(command));
            }
        }
    }
    // All hits may start whenever a search may.
    m_actions[Command::AlleTreffer]->setEnabled(result.value(Command::Suchen, true));
    updateTermMarks();
}

void Root::lookUpSiblings()
{
    std::array<bool, SiblingPrograms::Count> found{};
    for (int i = 0; i < SiblingPrograms::Count; ++i) {
        found[size_t(i)] = SiblingPrograms::exists(i);
    }
    m_siblingsFound = found;
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

void Root::showReplace()
{
    if (m_library->isBusy()) {
        return;
    }
    // Replacing works on the text: the web view gives way to it.
    if (!m_webBrowser->isHidden()) {
        m_library->toggleWebView();
    }
    if (!m_ersetzen) {
        m_ersetzen = new Ersetzen(m_library, m_text, AppPaths::historyFile(), this);
    }
    m_ersetzen->present();
}

AlleErsetzen *Root::showReplaceAll()
{
    if (!m_alleErsetzen) {
        m_alleErsetzen = new AlleErsetzen(m_library, m_replace, AppPaths::historyFile(), this);
        m_alleErsetzen->placeBeside(this);
    }
    if (QWidget *focus = QApplication::focusWidget(); focus && focus->window() == this) {
        m_alleErsetzen->setReturnFocus(focus);
    }
    m_alleErsetzen->show();
    m_alleErsetzen->raise();
    m_alleErsetzen->activateWindow();
    m_alleErsetzen->termBox()->setFocus();
    return m_alleErsetzen;
}

void Root::undoReplace()
{
    // The report of what was put back shows in the window.
    showReplaceAll()->undo();
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
