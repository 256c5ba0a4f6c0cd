#include "app/SignalQuit.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace qm {
namespace {

constexpr std::array<int, 2> kSignals = {SIGTERM, SIGINT};

std::atomic<int> g_writeFd{-1};
std::array<struct sigaction, kSignals.size()> g_previous{};

extern "C" void onQuitSignal(int signo)
{
    const int savedErrno = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const char byte = static_cast<char>(signo);
        // A full pipe already holds a pending quit, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

SignalQuit::SignalQuit(QObject* parent) : QObject(parent)
{
    int fds[2];
    if (g_writeFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readFd = fds[0];
    g_writeFd.store(fds[1]);

    struct sigaction action
    {
    };
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);

    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalQuit::drain);
}

SignalQuit::~SignalQuit()
{
    if (m_notifier == nullptr)
        return;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_writeFd.exchange(-1));
    ::close(m_readFd);
}

void SignalQuit::drain()
{
    char buffer[64];
    while (::read(m_readFd, buffer, sizeof buffer) > 0) {
    }
    QCoreApplication::quit();
}

} // namespace qm
