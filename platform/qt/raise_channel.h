// The single-instance channel of the window build: the copy that holds the one-copy lock
// (single_instance.h) listens on a local socket beside the lock file, and a second start, which
// must not run, asks it through that socket to come to the front before it leaves. The request is
// one line, "raise", or "raise TOKEN" with the activation token the desktop gave the second start
// (Wayland desktops let a window take the focus only with one); it is read in the GUI thread's
// event loop (a socket notifier, no polling), and only from processes of the same user.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace hk {

// The socket beside a lock file: "<lock file>.socket".
std::filesystem::path RaiseChannelPath(const std::filesystem::path& lock_path);

// Any thread, no event loop needed. Asks the copy listening at `path` to come to the front, passing
// on `token` (empty: none; one with blanks or control characters, or too long, is left out). False
// (with *error saying why, when given) when nothing listens there; never blocks for long.
bool RequestRaise(const std::filesystem::path& path, const std::string& token = {}, std::string* error = nullptr);

class RaiseChannel final : public QObject {
public:
    // Listens at `path`, replacing whatever socket a copy that ended left there; only the holder of
    // the one-copy lock may do this. Listening() tells whether it worked (ErrorText why not).
    // Requests that arrive before Watch are kept by the system and answered then.
    explicit RaiseChannel(const std::filesystem::path& path);
    // Stops listening and removes the socket.
    ~RaiseChannel() override;
    RaiseChannel(const RaiseChannel&) = delete;
    RaiseChannel& operator=(const RaiseChannel&) = delete;

    bool Listening() const { return m_listen_fd >= 0; }
    const std::string& ErrorText() const { return m_error; }

    // GUI thread, once a Q(Core)Application exists. From now on each request runs on_raise on the
    // GUI thread, in the event loop, with the request's activation token (empty when it had none).
    void Watch(std::function<void(const std::string& token)> on_raise);
    // GUI thread, before the application object goes. Requests wait again, unanswered.
    void StopWatching();

private:
    struct Connection;
    void Accept();
    void Read(int fd);
    void Drop(int fd);

    std::filesystem::path m_path;
    int m_listen_fd = -1;
    std::string m_error;
    std::function<void(const std::string&)> m_on_raise;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

} // namespace hk
