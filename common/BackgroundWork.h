#pragma once

#include <QEventLoop>
#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

// Work that must not freeze the window (a search over thousands of files,
// packing an archive): it runs on a thread of its own while the window
// thread waits in a nested event loop, calling a poll function at an
// interval to show progress and pass on a cancel. The wait ends as soon as
// the work is done, not at the next poll.
class BackgroundWork final
{
    Q_DISABLE_COPY_MOVE(BackgroundWork)

public:
    // Starts work at once.
    explicit BackgroundWork(std::function<void()> work);
    // Waits for the work to end.
    ~BackgroundWork();

    bool isDone() const { return m_done.load(); }

    // Runs the event loop with flags until the work is done or poll returns
    // false; poll is called every intervalMs on the calling thread.
    void waitWhile(int intervalMs, const std::function<bool()> &poll,
                   QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

    // Lets the calling thread, a worker that ends, give way to the window
    // thread: its nice value goes up by WorkerNiceness. On a machine with
    // fewer cores than busy threads, the window then still gets a core at
    // once when it has something to do. For threads that end only: the
    // step cannot be undone.
    static constexpr int WorkerNiceness = 5;
    static void lowerPriorityOfThisThread();

private:
    std::atomic_bool m_done{false};
    QObject m_context; // receives the "done" call on the window thread
    QEventLoop *m_loop = nullptr;
    std::thread m_thread; // last: starts once everything above exists
};
