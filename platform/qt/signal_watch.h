// Unix signals as events of the GUI thread: the handler only writes the signal's number to a pipe,
// and a notifier reads it in the event loop. A signal thus wakes an event loop that sleeps until
// the next event, which a flag set by the handler alone would not.
#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace hk {

class SignalWatch final : public QObject {
public:
    // Catches the given signals from now on (each signal number by one watch at a time);
    // on_signal runs on the GUI thread, in an event loop, once per signal received.
    SignalWatch(std::initializer_list<int> signal_numbers, std::function<void(int signal_number)> on_signal);
    ~SignalWatch() override;
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // The last signal received and handled, or 0.
    int Received() const { return m_received; }

private:
    void ReadPipe();

    std::function<void(int)> m_on_signal;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<int> m_signal_numbers;
    int m_received = 0;
};

} // namespace hk
