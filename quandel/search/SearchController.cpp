#include "SearchController.h"

#include "BackgroundWork.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentScanner.h"
#include "Prompts.h"
#include "SearchHistory.h"
#include "Suchen.h"
#include "Twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <atomic>

namespace {

// Where the search windows appear: 1400 twips right of and 2500 twips below
// the main window's top left corner.
QPoint offsetFrom(const QWidget *window)
{
    const auto dpi = float(window->logicalDpiX());
    return window->frameGeometry().topLeft() + QPoint(Twips::toPixels(1400, dpi), Twips::toPixels(2500, dpi));
}

// The list indices a walk examines, nearest first: from first up to the last
// entry, or down to the first.
QList<int> walkOrder(int first, int count, bool forward)
{
    QList<int> indices;
    for (int i = first; i >= 0 && i < count; i += forward ? 1 : -1) {
        indices.append(i);
    }
    return indices;
}

} // namespace

SearchController::SearchController(const SearchWidgets &widgets, DocumentLibrary *library, QString historyFile,
                                   QObject *parent)
    : QObject(parent), m_w(widgets), m_library(library), m_historyFile(std::move(historyFile))
{
}

SearchController::~SearchController()
{
    delete m_progress;
    delete m_dialog;
}

// ---------------------------------------------------------------------------
// The dialog

Suchen *SearchController::dialog()
{
    if (!m_dialog) {
        m_dialog = new Suchen(m_historyFile, m_w.window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose, true);
        connect(m_dialog, &Suchen::searchRequested, this, &SearchController::runSearch);
        connect(m_dialog, &Suchen::closing, this, &SearchController::dialogClosing);
        placeNearWindow(m_dialog);
    }
    return m_dialog;
}

QString SearchController::term() const
{
    return m_dialog ? m_dialog->term() : QString();
}

void SearchController::openDialog()
{
    if (m_running) {
        return;
    }
    if (m_dialog) {
        // A fresh dialog each time: empty term, forward, case ignored.
        m_dialog->disconnect(this);
        delete m_dialog;
    }
    Suchen *d = dialog();
    d->show();
    d->raise();
    d->activateWindow();
    d->termBox()->setFocus();
}

void SearchController::dialogClosing()
{
    // A closed dialog has no term any more, although the window itself is
    // deleted only when control returns to the event loop.
    if (m_dialog) {
        m_dialog->disconnect(this);
        m_dialog = nullptr;
    }
    m_library->showModificationStatus();
    // Bring the main window back to the front, without moving it.
    m_w.window->raise();
    m_w.window->activateWindow();
}

void SearchController::placeNearWindow(QWidget *w)
{
    w->move(offsetFrom(m_w.window));
}

void SearchController::clearHistory()
{
    if (!QFileInfo::exists(m_historyFile)) {
        return;
    }
    const Prompts::Answer answer = Prompts::instance().message(
        m_w.window, QStringLiteral("Möchten Sie Verlauf und History (Sucheingaben) aus dem Auswahlbox entfernen ?  "),
        QStringLiteral(" Verlauf und History"), Prompts::Buttons::YesNo, Prompts::Icon::Question);
    if (answer == Prompts::Answer::Yes) {
        // A history that could not be emptied offers its terms again; the
        // user sees that and can ask once more.
        (void)SearchHistory::clear(m_historyFile);
    }
}

// ---------------------------------------------------------------------------
// Runs

void SearchController::setRunning(bool running)
{
    if (m_running == running) {
        return;
    }
    m_running = running;
    m_library->setBusy(running);
    Q_EMIT runningChanged(running);
}

void SearchController::setSearchingStatus(const QString &term)
{
    m_library->setStatusText(QStringLiteral(" Begriff: ''") + term +
                             QStringLiteral("'' wird in Ihren Dokumenten gesucht ..."));
}

void SearchController::endWithoutHit(const QString &term)
{
    closeProgress();
    showPanes();
    showNoHitMessage(term);
    m_library->showModificationStatus();
}

void SearchController::showNoHitMessage(const QString &term)
{
    Prompts::instance().message(
        m_w.window, QStringLiteral("Begriff ''") + term + QStringLiteral("'' konnte nicht gefunden werden.  "),
        QStringLiteral(" ") + m_w.window->windowTitle(), Prompts::Buttons::Ok, Prompts::Icon::Information);
}

void SearchController::prepareMirrorList(int firstMirrorRow)
{
    const QAbstractItemModel *model = m_w.dateienImt->model();
    m_w.dateienImt->setCurrentIndex(model->index(firstMirrorRow, 0));
    m_w.dateienImt->setCurrentIndex(model->index(m_library->selectedIndex(), 0));
}

void SearchController::hidePanes()
{
    m_webWasVisible = !m_w.webBrowser->isHidden();
    m_w.dateienImt->setEnabled(false);
    m_w.textImt->setEnabled(false);
    // A picture of what the editor shows, whatever the size of its text.
    if (!m_webWasVisible) {
        m_w.textImt->setPixmap(m_w.text->grab());
    }
    m_w.dateienImt->show();
    m_w.textImt->setVisible(!m_webWasVisible);
    m_library->setDocumentListShown(false);
    m_w.text->hide();
}

void SearchController::showPanes()
{
    m_library->setDocumentListShown(true);
    if (m_w.webBrowser->isHidden()) {
        m_w.text->show();
    }
    m_w.dateienImt->hide();
    m_w.textImt->hide();
    // Nothing of the document stays with the mirror after the run.
    m_w.textImt->clear();
}

void SearchController::closeProgress()
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
}

SearchController::Result SearchController::walk(const QList<int> &indices, int editorIndex, QWidget *owner)
{
    closeProgress();
    m_progress = new Weitersuchen(owner);
    m_progress->setTotal(int(indices.size()));
    placeNearWindow(m_progress);
    m_progress->show();
    QCoreApplication::processEvents();

    const QString term = this->term();
    const Qt::CaseSensitivity cs = m_dialog ? m_dialog->caseSensitivity() : Qt::CaseInsensitive;

    QList<int> toScan = indices;
    int examinedBefore = 0;
    // The document shown in the editor is searched as the user sees it,
    // unsaved changes included. Without changes the editor holds exactly
    // the text the scanner reads from the file, and the workers read it
    // rather than the window thread searching a text of any size.
    const bool editorAsFile = m_library->isDocumentLoaded() && !m_library->state().mChange;
    if (!toScan.isEmpty() && toScan.constFirst() == editorIndex && !editorAsFile) {
        toScan.removeFirst();
        examinedBefore = 1;
        const int position = int(DocumentLibrary::editorText(m_w.text).indexOf(term, 0, cs));
        if (position >= 0) {
            return {Outcome::Hit, editorIndex, position};
        }
    }

    int examined = 0;
    bool cancelled = false;
    const DocumentScanner::Hit hit = scanFiles(toScan, term, cs, examinedBefore, &examined, &cancelled);
    if (hit.order >= 0) {
        return {Outcome::Hit, toScan.at(hit.order), hit.position};
    }
    if (cancelled) {
        return {Outcome::Cancelled, examined > 0 ? indices.at(std::min<qsizetype>(examined, indices.size()) - 1) : -1,
                -1};
    }
    return {};
}

QStringList SearchController::filesOf(const QList<int> &indices, const Names &names)
{
    // Made on the worker: for a list of any length the window thread only
    // shares the lists of names.
    QStringList files;
    files.reserve(indices.size());
    for (const int index : indices) {
        if (names.projects) {
            files.append(index < names.folders.size() ? DocumentKinds::projectFilePath(names.folders.at(index))
                                                      : QString());
        } else {
            files.append(index < names.files.size() ? names.folder + u'/' + names.files.at(index) : QString());
        }
    }
    return files;
}

DocumentScanner::Hit SearchController::scanFiles(const QList<int> &indices, const QString &term, Qt::CaseSensitivity cs,
                                                 int examinedBefore, int *examined, bool *cancelled)
{
    const Names names{m_library->folder(), m_library->files(), m_library->folders(), m_library->isProjectView()};
    // A cancel pressed where the poll cannot see it (before the workers
    // start, or when they finish before the loop runs) still counts.
    const auto cancelRequested = [this] { return !m_progress || m_progress->cancelRequested(); };
    std::atomic_bool cancel{cancelRequested()};
    std::atomic_int progress{0};
    DocumentScanner::Hit hit;
    const DocumentScanner scanner(term, cs, cancel, progress);
    {
        BackgroundWork work([&] { hit = scanner.scan(filesOf(indices, names), m_threads); });
        // The window stays responsive while the workers read: the poll shows
        // their progress and passes on the cancel button.
        work.waitWhile(10, [&] {
            if (m_progress) {
                m_progress->setExamined(examinedBefore + progress.load());
            }
            if (cancelRequested()) {
                cancel.store(true);
            }
            return true;
        });
    }
    if (cancelRequested()) {
        cancel.store(true);
    }
    *examined = examinedBefore + progress.load();
    *cancelled = cancel.load();
    return hit;
}

void SearchController::showHit(const QString &term, int scannedPosition)
{
    closeProgress();
    m_library->showModificationStatus();
    showPanes();
    // The editor holds the document now; its own text decides where the
    // first occurrence is marked.
    const Qt::CaseSensitivity cs = m_dialog ? m_dialog->caseSensitivity() : Qt::CaseInsensitive;
    const int position = int(DocumentLibrary::editorText(m_w.text).indexOf(term, 0, cs));
    QTextCursor cursor = m_w.text->textCursor();
    cursor.setPosition(position >= 0 ? position : scannedPosition);
    cursor.setPosition(cursor.position() + int(term.size()), QTextCursor::KeepAnchor);
    m_w.text->setTextCursor(cursor);
    m_w.text->setFocus();
}

bool SearchController::selectHit(int index)
{
    if (m_library->selectDocument(index)) {
        return true;
    }
    // The unsaved-changes question was answered Yes: the document was saved
    // on the way, so the hit can be shown now.
    return !m_library->state().mChange && m_library->selectDocument(index);
}

void SearchController::runSearch()
{
    if (m_running || !m_dialog) {
        return;
    }
    Suchen *d = m_dialog.data();
    const QString term = d->term();
    if (term.isEmpty()) {
        return;
    }
    d->SavingSearch();
    d->ReadingSearch();
    d->setTerm(term);
    setSearchingStatus(term);
    prepareMirrorList(m_library->entryCount() - 1);
    const int origin = m_library->selectedIndex();
    d->setOriginIndex(origin);
    const int count = m_library->entryCount();
    if (count == 0) {
        return;
    }

    setRunning(true);
    hidePanes();
    d->hide();
    QCoreApplication::processEvents();

    // Forward starts with the document shown; backward never looks at it.
    const QList<int> indices =
        d->forward() ? walkOrder(std::max(origin, 0), count, true) : walkOrder(origin - 1, count, false);
    Result r = walk(indices, d->forward() ? origin : -2, d);
    // The nested event loop of the walk may have closed the dialog: from
    // here on only the guarded pointer is used.
    d = nullptr;
    if (r.outcome == Outcome::Hit && !selectHit(r.index)) {
        r.outcome = Outcome::Stopped;
    }

    switch (r.outcome) {
    case Outcome::Hit:
        showHit(term, r.position);
        break;
    case Outcome::NoHit:
        endWithoutHit(term);
        if (m_dialog) {
            m_dialog->show();
        }
        break;
    case Outcome::Cancelled:
        showPanes();
        m_library->showModificationStatus();
        closeProgress();
        if (m_dialog) {
            m_dialog->close();
        }
        break;
    case Outcome::Stopped:
        closeProgress();
        showPanes();
        m_library->showModificationStatus();
        if (m_dialog) {
            m_dialog->show();
        }
        break;
    }
    setRunning(false);
}

void SearchController::findNext()
{
    if (m_running) {
        return;
    }
    const QString term = this->term();
    if (term.isEmpty()) {
        return;
    }
    setSearchingStatus(term);
    prepareMirrorList(0);
    closeProgress();
    const int count = m_library->entryCount();
    if (count == 0) {
        return;
    }
    const int selected = m_library->selectedIndex();
    const bool forward = m_dialog ? m_dialog->forward() : true;

    setRunning(true);
    hidePanes();
    // Find-next never looks at the shown document again, and does not wrap.
    const QList<int> indices = walkOrder(forward ? selected + 1 : selected - 1, count, forward);
    Result r = walk(indices, -2, m_w.window);
    if (r.outcome == Outcome::Hit && !selectHit(r.index)) {
        r.outcome = Outcome::Stopped;
    }

    switch (r.outcome) {
    case Outcome::Hit:
        showHit(term, r.position);
        break;
    case Outcome::NoHit:
        endWithoutHit(term);
        break;
    case Outcome::Cancelled:
        // The document the run had reached stays selected.
        if (r.index >= 0) {
            m_library->selectDocument(r.index);
        }
        StopSearch();
        break;
    case Outcome::Stopped:
        StopSearch();
        break;
    }
    setRunning(false);
}

int SearchController::StopSearch()
{
    showPanes();
    m_library->showModificationStatus();
    closeProgress();
    return 0;
}
