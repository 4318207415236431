#include "BackgroundWork.h"

#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

BackgroundWork::BackgroundWork(std::function<void()> work)
    : m_thread([this, work = std::move(work)] {
          lowerPriorityOfThisThread();
          work();
          m_done.store(true);
          QMetaObject::invokeMethod(
              &m_context,
              [this] {
                  if (m_loop) {
                      m_loop->quit();
                  }
              },
              Qt::QueuedConnection);
      })
{
}

BackgroundWork::~BackgroundWork()
{
    m_thread.join();
}

void BackgroundWork::waitWhile(int intervalMs, const std::function<bool()> &poll, QEventLoop::ProcessEventsFlags flags)
{
    if (isDone()) {
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (isDone() || !poll()) {
            loop.quit();
        }
    });
    m_loop = &loop;
    timer.start();
    // The work may have ended between the first test and now; its call
    // found no loop then.
    if (!isDone()) {
        loop.exec(flags);
    }
    m_loop = nullptr;
}

void BackgroundWork::lowerPriorityOfThisThread()
{
    // On Linux, a thread's nice value is its own, set through its thread id.
    const auto thread = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thread);
    if (nice == -1 && errno != 0) {
        return;
    }
    // Failing leaves the thread as it was, which only costs responsiveness.
    (void)::setpriority(PRIO_PROCESS, thread, std::min(19, nice + WorkerNiceness));
}
