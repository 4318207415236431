#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;
class QThreadPool;

// What a recovery file keeps of a document with unsaved changes.
struct RecoveryRecord
{
    QString path; // the document's file; empty while it is untitled
    QString name; // as the editing state names it
    int kind = 0; // the view it was edited in
    QString text; // the editor's text, "\n" line ends
    // The document on disk as the editor's text started from it: whether it
    // existed, and the SHA-1 of its bytes (empty when not known).
    bool diskExists = false;
    QByteArray diskHash;
    QDateTime written; // when the text was taken

    QByteArray serialise() const;
    // nullopt for anything that is not a complete recovery record.
    static std::optional<RecoveryRecord> parse(const QByteArray &bytes);
};

// A recovery file left by a program that is no longer running, claimed by
// this one: no other program asks about it while the claim is held.
struct LeftRecovery
{
    QString file;
    RecoveryRecord record;
    std::shared_ptr<QLockFile> claim;

    // True when the document on disk is no longer the one the text started
    // from (changed, removed or created since).
    bool changedOnDisk() const;
    // Removes the file (restored or discarded).
    void remove();
    // Keeps the file for a later start and gives up the claim.
    void keep();
};

// The recovery file of this running program, in the state folder. Writes
// and removals run in order on a thread of their own, never on the
// window's: the text is serialised and written atomically there, and a
// write overtaken by a newer one is skipped. A lock beside the file tells
// other programs that its owner still runs.
class RecoveryKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecoveryKeeper)

public:
    // folder: where recovery files are kept; empty for AppPaths::stateFolder().
    explicit RecoveryKeeper(const QString &folder = QString(), QObject *parent = nullptr);
    // Waits for the queued work, then removes the file: a program that ends
    // normally has saved or discarded its changes.
    ~RecoveryKeeper() override;

    void keep(RecoveryRecord record);
    void discard();
    // Blocks until every queued write and removal is done.
    void waitForDone();
    // The program ends with its text unsaved (the session ends): waits for
    // the queued writes and gives up the lock; the file stays for the next
    // start, this object's end leaves it alone.
    void leaveForNextStart();
    QString fileName() const { return m_file; }
    QString folder() const { return m_folder; }

    // The recovery files of programs no longer running, newest first, each
    // claimed for this program. Damaged files are skipped and left alone.
    std::vector<LeftRecovery> claimLeftOver() const;

private:
    void post(std::function<void()> job);

    QString m_folder;
    QString m_file;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QThreadPool> m_worker;
    std::shared_ptr<std::atomic_int> m_generation;
    bool m_leftForNextStart = false;
};
