#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> Handled{SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read on the window thread.
int g_pipe[2] = {-1, -1};
// The signal being handled, 0 when none; set by the handler, cleared once
// received() has returned.
volatile std::sig_atomic_t g_pending = 0;
std::array<struct sigaction, Handled.size()> g_previous{};
std::array<bool, Handled.size()> g_handlerInstalled{};

extern "C" void onTerminationSignal(int signalNumber)
{
    // Only async-signal-safe calls from here on.
    const int savedErrno = errno;
    if (g_pending == signalNumber) {
        // Asked again (Ctrl+C twice, kill twice): the program is stuck.
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber); // delivered when this handler returns
    } else if (g_pending != 0) {
        // Another of them while the first is handled (systemd sends SIGHUP
        // right after SIGTERM at logout): the end is already under way.
    } else {
        g_pending = signalNumber;
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a report; nothing is lost by dropping it.
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    }
    errno = savedErrno;
}

int indexOf(int signalNumber)
{
    for (size_t i = 0; i < Handled.size(); ++i) {
        if (Handled[i] == signalNumber) {
            return int(i);
        }
    }
    return -1;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    for (size_t i = 0; i < Handled.size(); ++i) {
        struct sigaction previous
        {
        };
        if (::sigaction(Handled[i], nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action
        {
        };
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : Handled) {
            sigaddset(&action.sa_mask, other);
        }
        action.sa_flags = SA_RESTART;
        g_handlerInstalled[i] = ::sigaction(Handled[i], &action, &g_previous[i]) == 0;
    }
}

TerminationSignals::~TerminationSignals()
{
    for (size_t i = 0; i < Handled.size(); ++i) {
        if (g_handlerInstalled[i]) {
            ::sigaction(Handled[i], &g_previous[i], nullptr);
            g_handlerInstalled[i] = false;
        }
    }
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    g_pending = 0;
}

bool TerminationSignals::isReported(int signalNumber)
{
    const int i = indexOf(signalNumber);
    return i >= 0 && g_handlerInstalled[size_t(i)];
}

void TerminationSignals::endProcess(int signalNumber)
{
    std::fflush(nullptr);
    if (indexOf(signalNumber) >= 0) {
        ::signal(signalNumber, SIG_DFL);
        sigset_t unblock;
        sigemptyset(&unblock);
        sigaddset(&unblock, signalNumber);
        ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
        ::raise(signalNumber);
    }
    ::_exit(0);
}

void TerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        Q_EMIT received(int(byte));
        // Still running: the receiver chose to go on, and the next signal
        // is reported again.
        g_pending = 0;
    }
}
