#pragma once

#include "DocumentScanner.h"

#include <QObject>
#include <QPointer>
#include <QThread>

class DocumentLibrary;
class QLabel;
class QListView;
class QPlainTextEdit;
class QWidget;
class Suchen;
class Weitersuchen;

// The panes of the main window that a search run uses.
struct SearchWidgets
{
    QWidget *window = nullptr;
    QListView *dateienImt = nullptr; // shows the model of the document list
    QPlainTextEdit *text = nullptr;
    QLabel *textImt = nullptr; // shows a picture of text
    QWidget *webBrowser = nullptr;
};

// The search through all documents of the list, and find-next. While a run
// goes on, the list and the editor are hidden and their frozen copies show;
// the documents are scanned on worker threads and only the hit is loaded into
// the editor, through the list's normal selection.
class SearchController final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchController)

public:
    SearchController(const SearchWidgets &widgets, DocumentLibrary *library, QString historyFile,
                     QObject *parent = nullptr);
    ~SearchController() override;

    // mnuSuchen: a fresh search dialog.
    void openDialog();
    // The search dialog, created hidden when there is none yet.
    Suchen *dialog();
    // The term find-next uses: empty when there is no dialog.
    QString term() const;

    // CSuchen.
    void runSearch();
    // mnuWeitersuchen.
    void findNext();
    // mnuVerlauf.
    void clearHistory();
    // Cleans up after a cancelled find-next.
    int StopSearch();

    bool isRunning() const { return m_running; }
    // The worker threads a scan may use.
    void setThreads(int threads) { m_threads = threads; }

Q_SIGNALS:
    void runningChanged(bool running);

private:
    enum class Outcome
    {
        Hit,
        NoHit,
        Cancelled,
        Stopped
    };
    struct Result
    {
        Outcome outcome = Outcome::NoHit;
        int index = -1; // list index of the hit, or the document reached
        int position = -1;
    };

    // Scans the list entries in order (indices, nearest first) for term,
    // showing the progress window owned by owner; the current editor text
    // stands for the document at editorIndex.
    Result walk(const QList<int> &indices, int editorIndex, QWidget *owner);
    // What names the files of the list: shared copies of the library's lists.
    struct Names
    {
        QString folder;
        QStringList files;
        QStringList folders; // project folders, in the project view
        bool projects = false;
    };
    // The files of the list entries, in the same order.
    static QStringList filesOf(const QList<int> &indices, const Names &names);
    // Scans the files of the list entries on worker threads while the
    // progress window shows how many are done (examinedBefore counted
    // already); cancel tells whether the run was cancelled.
    DocumentScanner::Hit scanFiles(const QList<int> &indices, const QString &term, Qt::CaseSensitivity cs,
                                   int examinedBefore, int *examined, bool *cancelled);
    bool selectHit(int index);
    void showHit(const QString &term, int scannedPosition);
    void showPanes();
    void hidePanes();
    void prepareMirrorList(int firstMirrorRow);
    void setSearchingStatus(const QString &term);
    void showNoHitMessage(const QString &term);
    // The common end of a run that found nothing: panes back, message, status.
    void endWithoutHit(const QString &term);
    void placeNearWindow(QWidget *w);
    void setRunning(bool running);
    void closeProgress();
    void dialogClosing();

    SearchWidgets m_w;
    DocumentLibrary *m_library = nullptr;
    QString m_historyFile;
    QPointer<Suchen> m_dialog;
    QPointer<Weitersuchen> m_progress;
    bool m_running = false;
    bool m_webWasVisible = false;
    int m_threads = QThread::idealThreadCount();
};
