#pragma once

#include "Commands.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class AlleErsetzen;
class AlleTreffer;
class Ersetzen;
class CodeEditor;
class DocumentLibrary;
class EditCommands;
class FavouritesMenu;
class FileCommands;
class FontAndPrint;
class SearchController;
class QAction;
class QLineEdit;
class QPushButton;
class QTimer;
class QLabel;
class QListView;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class StartupSequence;
class PicturePane;
class ProcedureBox;
class ReplaceSession;
class WebView;

// How the main window is started.
struct RootOptions
{
    // A document folder for this run only, in place of the stored one.
    QString folder;
};

// The main window: owns the panes, the menus (RootMenus.cpp) and the layout,
// and runs the exit command; StartupSequence runs the start-up steps on it.
class Root final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Root)

public:
    explicit Root(const RootOptions &options = {}, QWidget *parent = nullptr);
    ~Root() override;

    // Runs the load sequence. False when the user declined the disclaimer:
    // the program then ends without having written anything.
    bool start();

    // 1 when unsaved changes of the shown document keep the caller from going
    // on, else 0.
    int TextChanging();

    // One layout pass.
    void StatusRefresh();

    // Cleans up after a cancelled find-next.
    int StopSearch();

    // The exit command: asks about unsaved changes, stores folder, kind, last
    // document, web view and window placement, and ends the program.
    void mnubeenden();
    // The session ends (logout, shutdown) or a signal tells the program to
    // end: nothing may ask the user now. Unsaved text goes to the recovery
    // file, which the next start offers back, and once the window has been
    // shown the exit values are stored as by the exit command. True when
    // the caller is to end the program at once now; false when the exit
    // command has already stored everything and the program's end is
    // under way.
    bool endWithoutAsking();

    // mnuoptionen: the options dialog, modal.
    void mnuoptionen();

    QString documentFolder() const;
    // Index of the last checked kind entry, -1 when none is checked.
    int checkedKind() const;
    DocumentLibrary *library() const { return m_library; }
    SearchController *search() const { return m_search; }
    ReplaceSession *replaceSession() const { return m_replace; }
    FavouritesMenu *favourites() const { return m_favourites; }
    bool hasEnded() const { return m_ended; }

Q_SIGNALS:
    // The exit command has stored everything; the program is to end now.
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class StartupSequence;

    void buildPanes();
    void buildMenus();
    void collectDocumentCommands();
    void layoutPass();

    // Commands whose work belongs to the favourites; each is the one place
    // that subsystem hooks in.
    bool fillFavouritesMenu(bool linkCheck);
    void showFavouritesManager();
    // Alle Treffer anzeigen: the all-hits window, modeless.
    void showAllHits();
    // Ersetzen: the replace dialog for the shown document, modeless.
    void showReplace();
    // In allen Dokumenten ersetzen: the replace window, modeless; undo of
    // the last replace from the menu shows its report there.
    AlleErsetzen *showReplaceAll();
    void undoReplace();
    void updateTermMarks();

    bool storeAndEnd();
    void storeExitValues();
    void applyPlacement();
    void settlePlacement();
    // Timer1: the enabled state of the menu entries follows the state.
    void tick();
    void lookUpSiblings();
    void picturePaneRightClicked();

    float dpi() const;
    QRect twipsToPixels(const QRectF &rect) const;

    RootOptions m_options;
    DocumentLibrary *m_library = nullptr;
    FileCommands *m_fileCommands = nullptr;
    EditCommands *m_editCommands = nullptr;
    FontAndPrint *m_fontAndPrint = nullptr;
    SearchController *m_search = nullptr;
    FavouritesMenu *m_favourites = nullptr;
    QMenu *m_favouritesMenu = nullptr;
    // Entries that change the folder, the kind, the list or the shown
    // document: off while a search runs.
    QList<QAction *> m_documentCommands;
    QList<bool> m_enabledBeforeRun;
    QTimer *m_timer1 = nullptr;
    bool m_clipboardHasText = false;

    // Panes.
    QWidget *m_client = nullptr;
    QWidget *m_frame1 = nullptr;
    QListWidget *m_dateien = nullptr;
    QListView *m_dateienImt = nullptr; // shows the model of m_dateien
    PicturePane *m_background = nullptr;
    CodeEditor *m_text = nullptr;
    ProcedureBox *m_procedures = nullptr; // above the editor while it shows code
    QLabel *m_textImt = nullptr;          // a picture of m_text while a search runs
    WebView *m_webBrowser = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_wordSearch = nullptr;
    QPushButton *m_refresh = nullptr;

    // The entry of each menu command, filled where the menus are built.
    ActionTable m_actions;
    // Whether each sibling program exists, looked up at the first tick and
    // again when the help menu opens.
    std::optional<std::array<bool, 3>> m_siblingsFound;
    QPointer<AlleTreffer> m_alleTreffer;
    QPointer<Ersetzen> m_ersetzen;
    QPointer<AlleErsetzen> m_alleErsetzen;
    // The replace across documents and its undo data, for the whole run.
    ReplaceSession *m_replace = nullptr;
    std::array<QAction *, 4> m_mnuAnsicht{};

    // The outer rectangle restored at start, until the window is framed.
    QRect m_placement;
    // A stored width and height with the pixels they gave: a window still
    // of that size stores the value as it was read, so that a length
    // between two pixels is not rounded away at every run.
    struct StoredLength
    {
        int pixels = 0;
        float twips = 0;
    };
    std::optional<StoredLength> m_storedWidth;
    std::optional<StoredLength> m_storedHeight;
    bool m_ended = false;
    bool m_shown = false; // start-up has placed and shown the window
    bool m_inLayout = false;
};
