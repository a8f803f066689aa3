#include "platform/qt/signal_watch.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace hk {

namespace {

// The write end of the pipe of the watch that catches each signal, plus one (0: not caught). A
// signal handler can reach nothing but such a global.
std::atomic<int> g_signal_pipe[NSIG];

void OnSignal(int signal_number) {
    const int saved_errno = errno;
    const int fd = g_signal_pipe[signal_number].load(std::memory_order_relaxed) - 1;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal_number);
        // A full pipe already holds enough wake-ups.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved_errno;
}

} // namespace

SignalWatch::SignalWatch(std::initializer_list<int> signal_numbers, std::function<void(int)> on_signal)
    : m_on_signal(std::move(on_signal)), m_signal_numbers(signal_numbers) {
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no pipe: the signals keep their default action
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadPipe(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : m_signal_numbers) {
        if (signal_number <= 0 || signal_number >= NSIG)
            continue;
        g_signal_pipe[signal_number].store(m_pipe[1] + 1, std::memory_order_relaxed);
        sigaction(signal_number, &action, nullptr);
    }
}

SignalWatch::~SignalWatch() {
    for (int signal_number : m_signal_numbers) {
        if (signal_number <= 0 || signal_number >= NSIG || m_pipe[1] < 0)
            continue;
        std::signal(signal_number, SIG_DFL);
        g_signal_pipe[signal_number].store(0, std::memory_order_relaxed);
    }
    m_notifier.reset();
    for (int fd : m_pipe)
        if (fd >= 0)
            close(fd);
}

void SignalWatch::ReadPipe() {
    unsigned char bytes[64];
    ssize_t got = 0;
    while ((got = read(m_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            m_received = bytes[i];
            if (m_on_signal)
                m_on_signal(bytes[i]);
        }
    }
}

} // namespace hk
