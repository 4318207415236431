#include "TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

class TestTerminationSignals final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportedOnTheEventLoop_data();
    void reportedOnTheEventLoop();
    void anotherSignalWhileOneIsHandled();
};

void TestTerminationSignals::reportedOnTheEventLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("ignoredBefore"); // as nohup or a job in the background leaves it

    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP under nohup") << int(SIGHUP) << true;
}

void TestTerminationSignals::reportedOnTheEventLoop()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, ignoredBefore);
    // The test's own handler (QtTest reports these signals) comes back at
    // the end.
    struct sigaction own
    {
    };
    QCOMPARE(::sigaction(signalNumber, nullptr, &own), 0);
    if (own.sa_handler == SIG_IGN && !ignoredBefore) {
        // Ignored where the test runs: raising it would tell nothing.
        QSKIP("the signal is ignored in this test's environment");
    }
    struct sigaction before
    {
    };
    before.sa_handler = ignoredBefore ? SIG_IGN : SIG_DFL;
    QCOMPARE(::sigaction(signalNumber, &before, nullptr), 0);
    {
        TerminationSignals reports;
        QCOMPARE(TerminationSignals::isReported(signalNumber), !ignoredBefore);
        QSignalSpy received(&reports, &TerminationSignals::received);
        // Twice, with the event loop in between: a program that goes on
        // after the first report hears of the next one too.
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(std::raise(signalNumber), 0);
            if (ignoredBefore) {
                QTest::qWait(50);
                QCOMPARE(received.size(), 0);
            } else {
                QTRY_COMPARE(received.size(), round + 1);
                QCOMPARE(received.at(round).at(0).toInt(), signalNumber);
            }
        }
    }
    // The previous disposition is back once the object is gone.
    struct sigaction after
    {
    };
    QCOMPARE(::sigaction(signalNumber, &own, &after), 0);
    QVERIFY(after.sa_handler == before.sa_handler);
}

void TestTerminationSignals::anotherSignalWhileOneIsHandled()
{
    // At logout systemd sends SIGHUP right after SIGTERM: it must neither
    // end the program before the first is handled nor be reported again.
    struct sigaction ownTerm
    {
    };
    struct sigaction ownHup
    {
    };
    QCOMPARE(::sigaction(SIGTERM, nullptr, &ownTerm), 0);
    QCOMPARE(::sigaction(SIGHUP, nullptr, &ownHup), 0);
    if (ownTerm.sa_handler == SIG_IGN || ownHup.sa_handler == SIG_IGN) {
        QSKIP("the signals are ignored in this test's environment");
    }
    {
        TerminationSignals reports;
        QList<int> received;
        connect(&reports, &TerminationSignals::received, this, [&received](int signalNumber) {
            received.append(signalNumber);
            if (signalNumber == SIGTERM) {
                QCOMPARE(std::raise(SIGHUP), 0);
                QTest::qWait(50); // the loop runs on, as while the text is written
            }
        });
        QCOMPARE(std::raise(SIGTERM), 0);
        QTRY_COMPARE(received, QList<int>{SIGTERM});
        QTest::qWait(50);
        QCOMPARE(received, QList<int>{SIGTERM});
    }
    ::sigaction(SIGTERM, &ownTerm, nullptr);
    ::sigaction(SIGHUP, &ownHup, nullptr);
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
