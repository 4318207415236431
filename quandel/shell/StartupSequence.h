#pragma once

#include <QPointer>

class Root;
class Startup;

// The main window's start-up: the steps run in a fixed order, each guarded
// on its own, so that whatever goes wrong in one the next still runs. The
// window keeps its panes, placement and exit; the sequence sets them up.
class StartupSequence final
{
    Q_DISABLE_COPY_MOVE(StartupSequence)

public:
    explicit StartupSequence(Root &root);
    ~StartupSequence();

    // False when the user declined the disclaimer: the program then ends
    // without having written anything.
    bool run();

private:
    // The steps, in the order run() runs them.
    void addShortcutTextsToMenus();
    void showSplash();
    void reportUnreadableStores();
    void createSettingsKeys();
    bool acceptDisclaimer();
    void recordProgramFolder();
    void openDocumentFolder();
    void applyStatusLineOption();
    void selectStoredKind();
    void readLinkCheckOption();
    void fillFavourites();
    void placeWindow();
    void selectLastDocument();
    void applyPicturePaneOption();
    void hideWebView();
    void restoreWebView();
    void closeSplash();
    void showWindowAndCheckFolder();
    void showSelectedDocument();
    void applyEditorFont();
    void offerFavouritesRepair();
    void drawAttention();

    Root &m_root;
    QPointer<Startup> m_splash;
    bool m_linkCheck = false;
    bool m_brokenLinkReported = false;
};
