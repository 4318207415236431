#include "BackgroundWork.h"

#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

class TestBackgroundWork final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waitEndsWithTheWorkNotAtThePoll();
    void pollStopsTheWait();
    void onlyTheWorkerGivesWay();
};

void TestBackgroundWork::waitEndsWithTheWorkNotAtThePoll()
{
    int polls = 0;
    BackgroundWork work([] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); });
    // A poll interval far longer than the work: the end of the work ends
    // the wait (the latency of a cancel depends on it).
    work.waitWhile(60'000, [&polls] {
        ++polls;
        return true;
    });
    QVERIFY(work.isDone());
    QCOMPARE(polls, 0); // ended by the work: a poll would have come after a minute
}

void TestBackgroundWork::pollStopsTheWait()
{
    std::atomic_bool release{false};
    int polls = 0;
    {
        BackgroundWork work([&release] {
            while (!release.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        work.waitWhile(5, [&polls] { return ++polls < 3; });
        QCOMPARE(polls, 3);
        QVERIFY(!work.isDone());
        release.store(true);
    } // the destructor waits for the work
}

void TestBackgroundWork::onlyTheWorkerGivesWay()
{
    const auto niceOfThisThread = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())); };
    const int before = niceOfThisThread();
    int worker = before;
    {
        BackgroundWork work([&] { worker = niceOfThisThread(); });
    }
    QCOMPARE(worker, std::min(19, before + BackgroundWork::WorkerNiceness));
    // The window thread that started it keeps its place.
    QCOMPARE(niceOfThisThread(), before);
    QCOMPARE(::getpriority(PRIO_PROCESS, 0), before);
}

QTEST_GUILESS_MAIN(TestBackgroundWork)
#include "tst_backgroundwork.moc"
