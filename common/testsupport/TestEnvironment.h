#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <csignal>

#include <sys/resource.h>

#include <utility>

// A fresh, empty home for one test case: HOME and the XDG folders point into a
// temporary folder, QStandardPaths runs in test mode and the key store file is
// reset to its default place inside that home. Everything is removed again
// when the object goes out of scope.
class TestEnvironment final
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString home() const { return m_dir.path(); }
    // A path inside the temporary home.
    QString path(const QString &relative) const;
    // Writes bytes to a file inside the home (folders created); returns its path.
    QString writeFile(const QString &relative, const QByteArray &bytes) const;

    // Writes values into the program's key of the key store (created when
    // missing), as a previous run left them. False when the store could not
    // be written.
    [[nodiscard]] static bool writeSettings(const QList<std::pair<QString, QVariant>> &values);
    // The settings of a quiet start: the disclaimer accepted, no splash.
    static QList<std::pair<QString, QVariant>> quietStart();
    // Puts something at a path inside the home that a program must neither
    // read nor write as a file (folders created); returns its path, or an
    // empty text when this machine cannot make it (a device needs root):
    //   "fifo"       a named pipe
    //   "fifo link"  a link to a named pipe beside it
    //   "null"       a private character device that works as /dev/null
    //   "null link"  a link to such a device beside it
    //   "zero link"  a link to /dev/zero (only ever read, never written)
    //   "folder"     a folder
    //   "oversize"   a sparse regular file of 17 MiB, above every store limit
    QString makeSpecial(const QString &relative, const QString &kind) const;
    // What a path is now, links not followed: "file", "link", "fifo", "char
    // device", "folder", "other" or "none".
    static QString nodeKind(const QString &path);
    // What a path shows of itself, to tell that nothing touched it: whether
    // it is a link, and the kind, size and mode of what it stands for.
    struct NodeState
    {
        bool link = false;
        QString kind;
        qint64 size = 0;
        QFile::Permissions mode;
        bool operator==(const NodeState &) const = default;
    };
    static NodeState stateOf(const QString &path);
    // The rows of a data-driven test over stores that must read as empty and
    // never be written: a column "kind" with the makeSpecial kinds a store
    // can meet (a pipe, links to a pipe and to a device, an oversized file).
    static void addUnreadableStoreRows();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

// The bytes of a file as they are now; empty when it cannot be read.
QByteArray bytesOf(const QString &path);

// How many bytes this process has read through read calls so far (rchar of
// /proc/self/io): the difference around a call tells how much it read,
// whatever the time it took. -1 when the kernel does not tell.
qint64 bytesReadSoFar();

// A disk that fills up in the middle of a change: while it lives, no file can
// grow beyond the given size.
class DiskFillsAt final
{
public:
    explicit DiskFillsAt(qsizetype bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFillsAt()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    DiskFillsAt(const DiskFillsAt &) = delete;
    DiskFillsAt &operator=(const DiskFillsAt &) = delete;

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};
