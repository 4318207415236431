#pragma once

#include <QObject>

class QSocketNotifier;

// The signals that end a program from outside: SIGTERM (logout, shutdown,
// kill), SIGHUP (the terminal or the session went away) and SIGINT (Ctrl+C).
// While an object of this class lives, each of them is reported as
// received() on the thread that made it, from its event loop, nested loops
// of modal dialogs included, so that the program can keep what it must
// before it ends. The handler itself only writes the signal's number to a
// pipe. The same signal again while the first is still being handled ends
// the program as the default would (a program that cannot keep its data in
// time must still end); another of them meanwhile changes nothing. A signal
// ignored when the program started (nohup, a job in the background) stays
// ignored. One object per program.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    // Gives the signals back to their previous handlers.
    ~TerminationSignals() override;

    // False when the signal is not reported (it was ignored at start, or
    // the handlers could not be installed).
    static bool isReported(int signalNumber);

    // Ends the program at once, without running another event, dialog or
    // destructor: as if by the signal when one is given (the parent sees
    // it), else with exit code 0.
    [[noreturn]] static void endProcess(int signalNumber);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
