#include "BackgroundWork.h"

#include <QTimer>

BackgroundWork::BackgroundWork(std::function<void()> work)
    : m_thread([this, work = std::move(work)] {
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
