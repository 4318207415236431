#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

class DocumentLibrary;
class ShownDocument;
class QFileSystemWatcher;
class QTimer;

// Watches the file of the shown document for changes made by other programs.
// Another program may write or remove it while it is shown here: the watch
// reloads it when nothing here would be lost, asks when something would, and
// marks it changed when it is gone.
// Where the document folder lies on a file system that reports no changes
// (a file server: NFS, SMB, FUSE, 9p …), the shown document and the folder
// listing are looked at every PollIntervalMs on a worker thread while the
// program is active; documents others add or remove show up in the list.
class DocumentWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentWatch)

public:
    // The library's shown document, editing state and window are the ones
    // watched over; the watch is a child of the library.
    DocumentWatch(DocumentLibrary &library, ShownDocument &shown);

    // Starts watching the shown document as it is on disk now (just read or
    // written here).
    // withHash false: the hash is given by hashOfRead() from the bytes the
    // loading reads, so that the file is read once.
    void watchShownDocument(bool withHash = true);
    // The bytes the shown document was loaded from, or none when it could
    // not be read (then the file is hashed as it is).
    void hashOfRead(const QByteArray *bytes);
    // Nothing is watched any more (the editor was cleared).
    void forgetShownDocument();
    // The user edited the text: a document marked changed only because its
    // file was removed now holds the user's own changes.
    void noteUserEdit() { m_onlyGone = false; }

    // The file the watch belongs to; empty when nothing is watched.
    QString watchedPath() const { return m_watchedPath; }
    // The watched file as last read, written or accepted here: whether it
    // existed, and the SHA-1 of its bytes (empty when not known).
    bool seenExists() const { return m_seen.exists; }
    QByteArray seenHash() const { return m_seen.hash; }

    // See DocumentLibrary::checkOutsideChanges.
    bool check(bool beforeSave);

    static constexpr int PollIntervalMs = 2000;
    // True while the folder is looked at on the timer.
    bool isPolling() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a file on disk looked like; the hash tells a real change from a
    // mere touch, and is only taken when size or time differ.
    struct DiskStamp
    {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        QByteArray hash;
    };
    static DiskStamp stampOf(const QString &path, bool withHash);
    static bool sameStamp(const DiskStamp &a, const DiskStamp &b);
    void renewWatch(bool replaced);
    void schedule(int delayMs);
    // polled: the file as a look on the worker found it (hash included
    // when it differs from m_seen); null to look now.
    bool checkFile(bool beforeSave, const DiskStamp *polled);

    // One look on the worker thread.
    struct PollRequest
    {
        QString folder;
        QString pattern;
        QString path; // the shown document's file; empty when none
        DiskStamp seen;
    };
    struct PollResult;
    static PollResult poll(const PollRequest &request);
    QString pollKey() const;
    void updatePolling();
    void startPoll();
    void takePoll(const PollResult &result);

    DocumentLibrary &m_library;
    ShownDocument &m_shown;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_outsideCheck = nullptr;
    QString m_watchedPath; // the file m_seen belongs to; empty = nothing watched
    DiskStamp m_seen;      // as last read, written or accepted here
    DiskStamp m_postponed; // an outside change the user said Cancel to
    bool m_hasPostponed = false;
    bool m_onlyGone = false; // mChange was set for the removed file, not by the user
    bool m_asking = false;

    // The folders a look was last asked for (the document folder and the
    // shown document's), and whether their file systems report changes.
    enum class FolderEvents
    {
        Unknown,
        Reported,
        NotReported
    };
    QTimer *m_pollTimer = nullptr;
    QString m_polledKey;
    FolderEvents m_folderEvents = FolderEvents::Unknown;
    bool m_pollRunning = false;
    bool m_watcherOff = false; // QUANDEL_NO_FILE_EVENTS: the watcher hears nothing
};
