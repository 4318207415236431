#include "DocumentWatch.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "FileSystem.h"
#include "Prompts.h"
#include "ShownDocument.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

namespace {

// Editors replace a file in several steps (write, rename, remove the backup);
// waiting this long after the last report checks the end result once.
constexpr int OutsideCheckDelayMs = 50;

// While a search runs the check waits this long and looks again.
constexpr int BusyRetryDelayMs = 500;

// The most the editor loads (EditorDocument); more is never hashed.
constexpr qint64 MaxHashedBytes = 16ll * 1024 * 1024;

bool isApplicationActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace

struct DocumentWatch::PollResult
{
    PollRequest request;
    bool reports = true; // the file systems report changes: no look needed
    DiskStamp now;
    DocumentKinds::Listing listing;
};

DocumentWatch::DocumentWatch(DocumentLibrary &library, ShownDocument &shown)
    : QObject(&library), m_library(library), m_shown(shown)
{
    m_watcher = new QFileSystemWatcher(this);
    m_watcherOff = !fileEventsReported();
    m_outsideCheck = new QTimer(this);
    m_outsideCheck->setObjectName(QStringLiteral("OutsideCheck"));
    m_outsideCheck->setSingleShot(true);
    connect(m_outsideCheck, &QTimer::timeout, this, [this] { check(false); });
    m_pollTimer = new QTimer(this);
    m_pollTimer->setObjectName(QStringLiteral("FolderPoll"));
    m_pollTimer->setInterval(PollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &DocumentWatch::startPoll);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { schedule(OutsideCheckDelayMs); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { schedule(OutsideCheckDelayMs); });
    // Closing the question itself activates the window again; only when the
    // user has been in another program is a postponed change asked about anew.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState appState) {
            if (appState != Qt::ApplicationActive) {
                m_hasPostponed = false;
            }
            updatePolling();
        });
    }
    if (m_shown.window()) {
        m_shown.window()->installEventFilter(this);
    }
}

bool DocumentWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_shown.window() && event->type() == QEvent::WindowActivate) {
        // Not from within the event: the question is a modal dialog.
        schedule(0);
    }
    return QObject::eventFilter(watched, event);
}

DocumentWatch::DiskStamp DocumentWatch::stampOf(const QString &path, bool withHash)
{
    DiskStamp stamp;
    const QFileInfo info(path);
    if (!info.isFile()) {
        return stamp;
    }
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modified = info.lastModified();
    // Only what the editor would load is hashed, never more: a file above
    // the limit is refused by its size before a single byte is read, and
    // has no hash, so any change of it counts as one.
    if (withHash && stamp.size <= MaxHashedBytes) {
        const TextFile::BytesResult read = TextFile::readBytes(path, MaxHashedBytes);
        if (read.ok) {
            stamp.hash = QCryptographicHash::hash(read.bytes, QCryptographicHash::Sha1);
        }
    }
    return stamp;
}

bool DocumentWatch::sameStamp(const DiskStamp &a, const DiskStamp &b)
{
    return a.exists == b.exists && (!a.exists || (a.size == b.size && a.modified == b.modified));
}

void DocumentWatch::watchShownDocument(bool withHash)
{
    m_watchedPath = m_library.documentPath();
    m_hasPostponed = false;
    m_onlyGone = false;
    if (m_watchedPath.isEmpty()) {
        forgetShownDocument();
        return;
    }
    m_seen = stampOf(m_watchedPath, withHash);
    renewWatch(true);
    updatePolling();
}

void DocumentWatch::hashOfRead(const QByteArray *bytes)
{
    if (!m_seen.exists) {
        return;
    }
    if (bytes) {
        m_seen.hash = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha1);
    } else {
        m_seen.hash = stampOf(m_watchedPath, true).hash;
    }
}

void DocumentWatch::forgetShownDocument()
{
    m_watchedPath.clear();
    m_seen = DiskStamp();
    m_hasPostponed = false;
    m_onlyGone = false;
    m_outsideCheck->stop();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty()) {
        m_watcher->removePaths(watched);
    }
    updatePolling();
}

void DocumentWatch::renewWatch(bool replaced)
{
    if (m_watcherOff) {
        return;
    }
    const QStringList files = m_watcher->files();
    const QStringList folders = m_watcher->directories();
    if (QFileInfo(m_watchedPath).isFile()) {
        // A file replaced by rename keeps its name, but the watch stays with
        // the old file, which is gone: the name is watched afresh.
        if (replaced || !files.contains(m_watchedPath)) {
            if (!files.isEmpty()) {
                m_watcher->removePaths(files);
            }
            m_watcher->addPath(m_watchedPath);
        }
        if (!folders.isEmpty()) {
            m_watcher->removePaths(folders);
        }
        return;
    }
    // While the file is missing, its folder tells when it comes back.
    if (!files.isEmpty()) {
        m_watcher->removePaths(files);
    }
    const QString folder = QFileInfo(m_watchedPath).absolutePath();
    if (!folders.contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher->addPath(folder);
    }
}

void DocumentWatch::schedule(int delayMs)
{
    if (!m_watchedPath.isEmpty()) {
        m_outsideCheck->start(delayMs);
    }
}

bool DocumentWatch::check(bool beforeSave)
{
    return checkFile(beforeSave, nullptr);
}

bool DocumentWatch::checkFile(bool beforeSave, const DiskStamp *polled)
{
    // Another check is waiting for the user's answer; and a path that is no
    // longer the shown document's belongs to a switch still under way.
    if (m_asking || m_watchedPath.isEmpty() || m_watchedPath != m_library.documentPath()) {
        return true;
    }
    if (m_library.isBusy() && !beforeSave) {
        // A running search reads the editor; the change waits for its end.
        schedule(BusyRetryDelayMs);
        return true;
    }
    EditingState &state = m_library.state();
    DiskStamp now = polled ? *polled : stampOf(m_watchedPath, false);
    const bool touched = !sameStamp(now, m_seen);
    renewWatch(touched);
    if (!touched) {
        return true;
    }
    if (!now.exists) {
        m_seen = now;
        if (!state.mChange) {
            // Saving then writes it again, and switching away asks first.
            state.mChange = true;
            m_onlyGone = true;
        }
        return true;
    }
    if (!polled) {
        now = stampOf(m_watchedPath, true);
    }
    if (m_seen.exists && !now.hash.isEmpty() && now.hash == m_seen.hash) {
        m_seen = now;
        return true;
    }
    if (!state.mChange || m_onlyGone) {
        m_shown.reloadFromDisk(m_watchedPath);
        return true;
    }
    if (!beforeSave && m_hasPostponed && sameStamp(now, m_postponed)) {
        return true;
    }
    m_asking = true;
    const Prompts::Answer answer = Prompts::instance().message(
        m_shown.window(),
        state.mFile + u'\n' + QStringLiteral("wurde außerhalb von Quandel Library geändert.") + u'\n' + u'\n' +
            QStringLiteral("Möchten Sie die geänderte Fassung laden und Ihre Änderungen verwerfen ? "),
        m_library.caption(), Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
    m_asking = false;
    switch (answer) {
    case Prompts::Answer::Yes:
        m_shown.reloadFromDisk(m_watchedPath);
        return true;
    case Prompts::Answer::No:
        // The user knows of this version; the next Save replaces it.
        m_seen = now;
        m_hasPostponed = false;
        return true;
    default:
        m_postponed = now;
        m_hasPostponed = true;
        return false;
    }
}

// ---------------------------------------------------------------------------
// Looking again where the file system reports nothing

bool DocumentWatch::isPolling() const
{
    return m_pollTimer->isActive();
}

QString DocumentWatch::pollKey() const
{
    // A document of another folder (a favourite) may lie elsewhere.
    const QString folder = m_library.folder();
    const QString shownFolder = m_watchedPath.isEmpty() ? folder : QFileInfo(m_watchedPath).absolutePath();
    return shownFolder == folder ? folder : folder + u'\n' + shownFolder;
}

void DocumentWatch::updatePolling()
{
    if (const QString key = pollKey(); key != m_polledKey) {
        m_polledKey = key;
        m_folderEvents = FolderEvents::Unknown;
    }
    // Only while the user works here: a file server is not asked every two
    // seconds for a program in the background.
    const bool wanted =
        isApplicationActive() && !m_library.folder().isEmpty() && m_folderEvents != FolderEvents::Reported;
    if (!wanted) {
        m_pollTimer->stop();
    } else if (!m_pollTimer->isActive()) {
        m_pollTimer->start();
    }
}

DocumentWatch::PollResult DocumentWatch::poll(const PollRequest &request)
{
    PollResult result;
    result.request = request;
    result.reports = folderReportsOutsideChanges(request.folder) &&
                     (request.path.isEmpty() || folderReportsOutsideChanges(QFileInfo(request.path).absolutePath()));
    if (result.reports) {
        return result;
    }
    if (!request.path.isEmpty()) {
        result.now = stampOf(request.path, false);
        if (!sameStamp(result.now, request.seen)) {
            result.now = stampOf(request.path, true);
        }
    }
    result.listing = DocumentKinds::list(request.folder, request.pattern);
    return result;
}

void DocumentWatch::startPoll()
{
    // One look at a time; none while a question or dialog is open (the
    // list and the shown document stay as they were when it opened) or a
    // search reads the list and the editor.
    if (m_pollRunning || m_asking || m_library.isBusy() || QGuiApplication::modalWindow()) {
        return;
    }
    m_pollRunning = true;
    PollRequest request{m_library.folder(), m_library.pattern(), m_watchedPath, m_seen};
    QThreadPool::globalInstance()->start([request = std::move(request), watch = QPointer<DocumentWatch>(this)] {
        PollResult result = poll(request);
        // The application outlives every window; the watch may not.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [result = std::move(result), watch] {
                if (watch) {
                    watch->takePoll(result);
                }
            },
            Qt::QueuedConnection);
    });
}

void DocumentWatch::takePoll(const PollResult &result)
{
    m_pollRunning = false;
    const PollRequest &request = result.request;
    if (request.folder != m_library.folder() || request.path != m_watchedPath) {
        return; // another folder or document by now: the next look is for that
    }
    if (result.reports) {
        m_folderEvents = FolderEvents::Reported;
        updatePolling();
        return;
    }
    m_folderEvents = FolderEvents::NotReported;
    if (m_asking || QGuiApplication::modalWindow()) {
        return; // opened since the look began; the next look comes after it
    }
    // Only when the file is still as it was when the look began: a save or
    // reload here since then has seen it last.
    const bool seenUnchanged = sameStamp(request.seen, m_seen) && request.seen.hash == m_seen.hash;
    if (!request.path.isEmpty() && seenUnchanged && !sameStamp(result.now, m_seen)) {
        checkFile(false, &result.now);
    }
    // The check may have asked; what the user did meanwhile comes first.
    if (request.folder == m_library.folder() && request.pattern == m_library.pattern() && !m_library.isBusy()) {
        m_shown.takeOutsideListing(result.listing);
    }
}
