#pragma once

#include "AllHits.h"
#include "ReplaceFiles.h"
#include "TextMatcher.h"

#include <QDialog>
#include <QPointer>
#include <QSet>

#include <memory>

class DocumentLibrary;
class HitModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;
class ReplaceSession;

// The window " In allen Dokumenten ersetzen": a preview of every hit of a
// term in all documents of the list with the line before and after, each
// hit with a check box; "Ersetzen" writes the ticked ones through the
// session, file by file, and reports what became of each document;
// "Ersetzen rückgängig" puts the files back. The sibling of " Alle Treffer":
// placed beside the main window, results coming in while the workers scan,
// Esc closes it onto the control it came from.
class AlleErsetzen final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlleErsetzen)

public:
    AlleErsetzen(DocumentLibrary *library, ReplaceSession *session, QString historyFile, QWidget *parent);
    ~AlleErsetzen() override;

    // Vorschau: the hits of the fields' term in all documents.
    void preview();
    // Ersetzen: the ticked hits of the last preview.
    void replace();
    // Ersetzen rückgängig.
    void undo();
    // Abbrechen: the preview stops, or the writing before the next file.
    void cancel();

    bool isPreviewRunning() const { return m_run != nullptr; }

    void reject() override;
    void placeBeside(const QWidget *window);
    void setReturnFocus(QWidget *widget) { m_returnFocus = widget; }
    void setThreads(int threads) { m_threads = threads; }

    QComboBox *termBox() const { return m_term; }
    QTreeView *tree() const { return m_tree; }
    HitModel *model() const { return m_model; }
    // What the last replace or undo did, as the window shows it.
    QString reportText() const;
    QString countText() const;

Q_SIGNALS:
    void previewEnded(bool cancelled);
    // The report of a replace or an undo is shown.
    void reported();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MatchOptions fieldOptions() const;
    void fieldsChanged();
    void drain();
    void takeResults();
    void finishPreview(bool cancelled);
    void updateButtons();
    // The ticked hits of the preview, by document; notes the Windows-1252
    // ones.
    ReplaceFiles::Plan previewPlan();
    void showProgress(int done, int total);
    void written(const QList<ReplaceFiles::DocumentResult> &results, bool cancelled);
    void undone(const QList<ReplaceFiles::DocumentResult> &results, bool fromEarlierRun);
    void showReport(const QString &text);
    void setCount(const QString &text);
    void focusReport();
    void giveFocusBack();

    DocumentLibrary *m_library = nullptr;
    ReplaceSession *m_session = nullptr;
    QString m_historyFile;
    QComboBox *m_term = nullptr;
    QLineEdit *m_replacement = nullptr;
    QCheckBox *m_case = nullptr;
    QCheckBox *m_words = nullptr;
    QCheckBox *m_expression = nullptr;
    QPushButton *m_preview = nullptr;
    QPushButton *m_replace = nullptr;
    QPushButton *m_undo = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_close = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_count = nullptr;
    QTreeView *m_tree = nullptr;
    HitModel *m_model = nullptr;
    QPlainTextEdit *m_report = nullptr;
    QTimer *m_drain = nullptr;
    std::unique_ptr<AllHits::Run> m_run;
    QPointer<QWidget> m_returnFocus;

    // What the last preview looked for, and the shown document's text it
    // read (the editor's, with unsaved changes), by its list index.
    MatchOptions m_previewOptions;
    QString m_previewReplacement;
    AllHits::Source m_previewSource; // the list's names as the preview read them
    QSet<int> m_windows1252;         // list indexes of the plan's Windows-1252 documents
    int m_editorIndex = -1;
    quint64 m_editorTextHash = 0;
    // A preview of the fields as they are has ended: Ersetzen may write it.
    bool m_previewDone = false;
    // The document shown while the replace wrote, to be shown afresh.
    QString m_shownPath;
    // Reported with the results of the writing: the shown document replaced
    // in the editor, documents left out rather than made UTF-8.
    QList<ReplaceFiles::DocumentResult> m_inEditor;
    int m_threads = 2;
};
