#pragma once

#include "DocumentRecovery.h"
#include "EditingState.h"
#include "EditorDocument.h"
#include "Prompts.h"
#include "SaveCommands.h"
#include "ShownDocument.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <array>

class DocumentWatch;
class QAction;
namespace DocumentKinds {
struct Listing;
}
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QWidget;
class WebView;

// The panes and entries of the main window that the document library drives.
struct DocumentWidgets
{
    QWidget *window = nullptr;
    QListWidget *dateien = nullptr;
    QPlainTextEdit *text = nullptr;
    WebView *webBrowser = nullptr;
    QLabel *status = nullptr;
    QLineEdit *wordSearch = nullptr;
    QAction *webAction = nullptr;
    std::array<QAction *, 4> kindActions{};
};

// One entry of the document list.
struct LibraryEntry
{
    QString text;        // as the list shows it (a class file's entry ends in a tab)
    QString displayName; // the document's name: the text without that tab
    QString path;        // the entry's file, or for a project its folder; empty when none
    int kind = -1;       // the kind the list shows (DocumentKinds)
    int index = -1;      // its row in the list, -1 = no such entry
};

// What the window shows of the shown document.
struct ShownDocumentInfo
{
    QString path; // the file it is saved to; empty when untitled
    TextFormat format;
    bool changed = false;
    // False when the editor does not hold its file as it is: it is then
    // never saved over.
    bool loaded = true;
    // Why a file that was read is shown read-only; empty when it could not
    // be read (the editor shows a note instead) or is writable.
    QString readOnlyReason;
};

// The document folder, its four kinds and the document list; the shown
// document with its unsaved-changes tracking; New, Open, Save and Save as
// (written by SaveCommands); its unsaved text kept by DocumentRecovery.
// Those two and DocumentWatch work on the shown document through the
// ShownDocument interface it hands them.
class DocumentLibrary final : public QObject, private ShownDocument
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentLibrary)

public:
    explicit DocumentLibrary(const DocumentWidgets &widgets, QObject *parent = nullptr);

    // The document folder.
    QString folder() const { return m_folder; }
    void setFolder(const QString &folder);

    // The file listing of the folder for the current pattern, and its
    // current index (-1 = none).
    QString pattern() const { return m_pattern; }
    const QStringList &files() const { return m_files; }
    int fileIndex() const { return m_fileIndex; }
    QString currentFileName() const;
    // The subfolders of the document folder, full paths.
    const QStringList &folders() const { return m_folders; }

    int checkedKind() const;
    // The kind the list shows, -1 = none.
    int listedKind() const { return m_kind; }
    bool isProjectView() const;
    EditingState &state() { return m_state; }
    const EditingState &state() const { return m_state; }
    // The file the shown document is saved to; empty when untitled.
    QString documentPath() const;
    // The shown document has no file yet.
    bool isUntitled() const { return m_state.mIndex == -1 && m_externalPath.isEmpty(); }
    // The shown document is a file the list has no entry for (a favourite
    // kept in another folder).
    bool isUnlisted() const { return !m_externalPath.isEmpty(); }
    // False when the shown document could not be loaded; it is then shown
    // read-only and never saved over.
    bool isDocumentLoaded() const { return m_editorDoc.isLoaded(); }
    // Tells once per document why it is shown read-only; true when it did.
    bool explainReadOnly();

    // 1 when unsaved changes keep the caller from going on, else 0; may ask.
    int TextChanging();

    // The list entry's name is not the file's own, which is not UTF-8 (see
    // DocumentKinds::Listing): no command reaches that file.
    bool isForeignEntry(int row) const;
    // For the commands on the selected entry: true when they can go on.
    // Otherwise the entry's file has a name that is not UTF-8; the user is
    // asked whether it shall get the name listed, and the command stops.
    bool offerProperName();

    // The unsaved-changes question of the commands that keep the shown
    // document where it is (folder choice, rename, send to): asks, saves on
    // Yes, and returns false when the command has to stop.
    bool settleUnsavedChanges();

    // Shows a document that the list has no entry for (a favourite kept in
    // another folder): the list selects no entry, and saving writes to this
    // file. False when unsaved changes kept it from being shown.
    bool showExternalDocument(const QString &path, const QString &name);

    // The entries of the document list, read-only.
    int entryCount() const;
    LibraryEntry entry(int index) const;
    QList<LibraryEntry> entries() const;
    // The texts of the entries, as the list shows them.
    QStringList entryTexts() const;
    // The selected entry's index, -1 = none.
    int selectedIndex() const;
    // Selects the entry as the user would: the unsaved-changes question may
    // keep the selection where it was. True when the entry is selected
    // afterwards.
    bool selectDocument(int index);
    // Gives the document list the keyboard focus, its window activated,
    // when the list is shown.
    void focusDocumentList();
    // The list gives its place to a picture of it while a search runs.
    void setDocumentListShown(bool shown);

    // The shown document.
    ShownDocumentInfo shownDocument() const;
    // Its text as the editor holds it, with "\n" line ends.
    QString shownText() const { return EditorDocument::editorText(m_w.text); }
    // Puts text in place of the shown document's text as an edit of the
    // user's: it can be undone, marks the document changed and is kept for
    // recovery. False when the document is not to be changed (not loaded).
    bool replaceShownText(const QString &text);

    // The editor's text as it is, with "\n" line ends. Unlike toPlainText()
    // it keeps no-break spaces, which German documents are full of.
    static QString editorText(const QPlainTextEdit *editor) { return EditorDocument::editorText(editor); }

    // The commands.
    void refresh();                             // mnuaktualisieren
    void selectKind(int kind);                  // mnuAnsicht
    void chooseFolder();                        // mnuverzeichnis
    void documentSelected();                    // the document list's selection
    void toggleWebView();                       // mnuWebansicht
    void newDocument(int kind);                 // mnuneues
    void open();                                // mnuoeffnen
    bool save() { return m_saving.save(); }     // mnuspeichern
    bool saveAs() { return m_saving.saveAs(); } // mnuspeichernunter

    // While a search runs, the commands that would change the folder, the
    // kind, the list or the shown document do nothing.
    void setBusy(bool busy) { m_busy = busy; }
    // While the window is being set up, a selection does not load its
    // document: documentSelected() loads the one selected at the end, so
    // that start-up reads the first document once.
    void setLoadingDeferred(bool deferred) { m_loadingDeferred = deferred; }
    bool isBusy() const { return m_busy; }

    // The status line: a text of its own, or the modification time of the
    // selected document.
    void setStatusText(const QString &text);
    void showModificationStatus();

    // The title of the main window, used by the messages.
    QString caption() const;

    // Another program may have written or removed the shown document since
    // it was read or saved here. Reloads it when nothing here would be lost,
    // asks when something would, marks it changed when it is gone. False when
    // the user chose Cancel: a Save about to run must not overwrite.
    bool checkOutsideChanges(bool beforeSave = false);

    // Unsaved text is kept in a recovery file (see DocumentRecovery) at most
    // every RecoveryDelayMs and whenever the editor or the program loses the
    // focus; the file goes when the changes are saved or discarded.
    static constexpr int RecoveryDelayMs = 5000;
    RecoveryKeeper *recovery() const { return m_recovery->keeper(); }
    // At start-up: asks about the unsaved text that programs which ended
    // without saving it left, newest first: one question for one text, a
    // list to restore, decide one by one, discard or keep for later for
    // several. One text goes into the editor; further ones become new
    // documents, texts too large for the editor files saved elsewhere.
    void offerLeftRecovery() { m_recovery->offerLeftOver(); }
    // The program is about to end without asking (the session ends, a
    // signal): unsaved text goes to the recovery file now, and the file
    // stays for the next start to offer.
    void keepUnsavedTextForNextStart();
    // Writes the recovery file for unsaved text at once, for a program about
    // to end; false when unsaved text could not be written.
    bool writeRecoveryNow() { return m_recovery->writeNow(); }
    // Tells recovery which paths are favourites' documents (see
    // DocumentRecovery::setFavouriteCheck).
    void setRecoveryFavourites(std::function<bool(const QString &)> isFavourite)
    {
        m_recovery->setFavouriteCheck(std::move(isFavourite));
    }

Q_SIGNALS:
    // Alt+Q in the list or the editor.
    void exitRequested();

private:
    // ShownDocument
    QWidget *window() const override { return m_w.window; }
    QPlainTextEdit *editor() const override { return m_w.text; }
    EditorDocument &editorDocument() override { return m_editorDoc; }
    QString externalPath() const override { return m_externalPath; }
    DocumentWatch &documentWatch() override { return *m_watch; }
    DocumentRecovery &documentRecovery() override { return *m_recovery; }
    void focusList() override;
    void selectEntry(int index) override;
    void showSavedFile(const QString &path) override;
    void reloadFromDisk(const QString &watched) override;
    void takeOutsideListing(const DocumentKinds::Listing &found) override;

    // An entry whose file's name is not UTF-8: an explanation instead of its
    // text, and the offer to rename it when the user chose it.
    void showForeignEntry(const QString &name);
    void clearEditor();
    // The list without a current or selected entry, as for an untitled
    // document or one the list has no entry for.
    void selectNoEntry();
    void loadFile(const QString &path);
    void setStatusFor(const QString &path);
    Prompts::Answer askToSave();

    DocumentWidgets m_w;
    QString m_folder;
    QString m_pattern = QStringLiteral("*.txt");
    int m_kind = -1; // the kind the list shows, -1 = none
    QStringList m_files;
    int m_fileIndex = -1;
    QStringList m_folders;
    QHash<qsizetype, QByteArray> m_foreignFiles;   // by index of m_files
    QHash<qsizetype, QByteArray> m_foreignFolders; // by index of m_folders
    bool m_quietSelection = false;                 // an entry selected by the program, not the user
    bool m_chosenInList = false;                   // the list's selection changed
    EditingState m_state;

    EditorDocument m_editorDoc;
    SaveCommands m_saving{*this, *this};
    QString m_externalPath; // the shown document when the list does not stand for it
    QString m_projectFile;  // the shown project's text file, as spelled on disk
    bool m_readOnlyExplained = false;
    bool m_busy = false;
    bool m_loadingDeferred = false;

    DocumentWatch *m_watch = nullptr;
    DocumentRecovery *m_recovery = nullptr;
};
