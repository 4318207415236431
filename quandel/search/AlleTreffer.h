#pragma once

#include "AllHits.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <memory>

class DocumentLibrary;
class HitModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

// The window " Alle Treffer": every occurrence of a term in all documents of
// the list, one node per document and one row per hit, at most
// AllHits::MaxHits. Results come in while the workers scan; activating a row
// shows that occurrence in the editor through the list's normal selection.
class AlleTreffer final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlleTreffer)

public:
    AlleTreffer(DocumentLibrary *library, QPlainTextEdit *text, QString historyFile, QWidget *parent);
    ~AlleTreffer() override;

    // Starts a run with the term as typed; a run under way is cancelled.
    void start();
    void cancel();
    bool isRunning() const { return m_run != nullptr; }

    // The term and case of the last run started; empty before the first.
    QString lastTerm() const { return m_lastTerm; }
    Qt::CaseSensitivity lastCaseSensitivity() const { return m_lastCs; }
    // All options of the last run started: whole words, an expression.
    MatchOptions lastOptions() const { return m_lastOptions; }

    // Esc: the run ends and the window goes.
    void reject() override;

    // Shows the document and occurrence of a row of the tree.
    void activate(const QModelIndex &index);

    // Where the window first shows: beside or below the main window where
    // the screen has room, else where it was last time.
    void placeBeside(const QWidget *window);
    // The control that gets the focus back when the window closes.
    void setReturnFocus(QWidget *widget) { m_returnFocus = widget; }

    void setThreads(int threads) { m_threads = threads; }
    QComboBox *termBox() const { return m_term; }
    QTreeView *tree() const { return m_tree; }
    HitModel *model() const { return m_model; }
    // The window's status: counts, the limit, a row that no longer fits.
    QString statusText() const;

Q_SIGNALS:
    // A run has ended, with all its results in the tree unless cancelled.
    void runEnded(bool cancelled);

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillHistory();
    void drain();
    void takeResults();
    void finishRun(bool cancelled);
    void giveFocusBack();
    void setStatus(const QString &text);
    void keepGeometry();
    void updateProgress();

    DocumentLibrary *m_library = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QString m_historyFile;
    QComboBox *m_term = nullptr;
    QCheckBox *m_case = nullptr;
    QCheckBox *m_wholeWords = nullptr;
    QCheckBox *m_expression = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_status = nullptr;
    QTreeView *m_tree = nullptr;
    HitModel *m_model = nullptr;
    QTimer *m_drain = nullptr;
    std::unique_ptr<AllHits::Run> m_run;
    QPointer<QWidget> m_returnFocus;
    QString m_lastTerm;
    Qt::CaseSensitivity m_lastCs = Qt::CaseInsensitive;
    MatchOptions m_lastOptions;
    int m_threads = 2;
};
