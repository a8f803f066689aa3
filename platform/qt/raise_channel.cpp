#include "platform/qt/raise_channel.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hk {

namespace {

constexpr char kRequest[] = "raise";
// Connections waiting for their whole request at once; more are turned away.
constexpr std::size_t kMaxConnections = 8;
// Activation tokens are a few dozen characters; a request longer than this is not one.
constexpr std::size_t kMaxTokenBytes = 200;
constexpr std::size_t kMaxRequestBytes = sizeof kRequest + kMaxTokenBytes + 1;

// What a token may hold: printable ASCII without blanks.
bool UsableToken(const std::string& token) {
    if (token.empty() || token.size() > kMaxTokenBytes)
        return false;
    for (const char c : token)
        if (c <= ' ' || c > '~')
            return false;
    return true;
}

bool MakeAddress(const std::filesystem::path& path, sockaddr_un& address, std::string& error) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) {
        error = "the socket path \"" + text + "\" is too long";
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

struct RaiseChannel::Connection {
    std::unique_ptr<QSocketNotifier> notifier;
    std::string received;
};

std::filesystem::path RaiseChannelPath(const std::filesystem::path& lock_path) {
    return lock_path.string() + ".socket";
}

bool RequestRaise(const std::filesystem::path& path, const std::string& token, std::string* error) {
    std::string why;
    const auto give_up = [&](int fd) {
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = why;
        return false;
    };
    sockaddr_un address{};
    if (!MakeAddress(path, address, why))
        return give_up(-1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        why = std::string("socket: ") + std::strerror(errno);
        return give_up(fd);
    }
    // A local connect either succeeds at once or fails at once (EAGAIN: the copy's queue is full).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        why = "cannot reach \"" + path.string() + "\": " + std::strerror(errno);
        return give_up(fd);
    }
    // The request fits any socket buffer; a copy that reads nothing cannot hold this one up.
    const std::string request = std::string(kRequest) + (UsableToken(token) ? " " + token : "") + "\n";
    const ssize_t sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(request.size())) {
        why = std::string("cannot send the request: ") + (sent < 0 ? std::strerror(errno) : "cut short");
        return give_up(fd);
    }
    ::close(fd);
    return true;
}

RaiseChannel::RaiseChannel(const std::filesystem::path& path) : m_path(path) {
    sockaddr_un address{};
    if (!MakeAddress(path, address, m_error))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = std::string("socket: ") + std::strerror(errno);
        return;
    }
    // The lock says no other copy runs, so a socket left here belongs to one that ended.
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        ::unlink(path.c_str());
    const mode_t old_mask = ::umask(0077); // the socket is the user's alone
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(old_mask);
    if (!bound || ::listen(fd, 8) != 0) {
        m_error = "cannot listen at \"" + path.string() + "\": " + std::strerror(errno);
        ::close(fd);
        return;
    }
    m_listen_fd = fd;
}

RaiseChannel::~RaiseChannel() {
    StopWatching();
    if (m_listen_fd >= 0) {
        ::close(m_listen_fd);
        ::unlink(m_path.c_str());
    }
}

void RaiseChannel::Watch(std::function<void(const std::string&)> on_raise) {
    m_on_raise = std::move(on_raise);
    if (m_listen_fd < 0 || m_notifier)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_listen_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Accept(); });
}

void RaiseChannel::StopWatching() {
    for (auto& [fd, connection] : m_connections) {
        connection->notifier.reset();
        ::close(fd);
    }
    m_connections.clear();
    m_notifier.reset();
}

void RaiseChannel::Accept() {
    for (;;) {
        const int fd = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return; // EAGAIN: none waits any more; anything else: the next one is tried next time
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid() ||
            m_connections.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(connection->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
        m_connections.emplace(fd, std::move(connection));
        Read(fd); // the request is usually there already
    }
}

void RaiseChannel::Read(int fd) {
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    std::string& received = found->second->received;
    char buffer[kMaxRequestBytes];
    bool ended = false;
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
            if (received.size() > kMaxRequestBytes)
                return Drop(fd);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    const auto line_end = received.find('\n');
    if (line_end == std::string::npos) {
        if (ended)
            Drop(fd); // gone without a whole request
        return;       // else: not whole yet, the notifier calls again
    }
    const std::string line = received.substr(0, line_end);
    Drop(fd);
    std::string token;
    if (line != kRequest) {
        const std::string prefix = std::string(kRequest) + " ";
        if (line.compare(0, prefix.size(), prefix) != 0)
            return;
        token = line.substr(prefix.size());
        if (!UsableToken(token))
            return;
    }
    if (m_on_raise)
        m_on_raise(token);
}

void RaiseChannel::Drop(int fd) {
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    // This may run from the notifier's own signal: it is switched off now and deleted later, and
    // only then is its descriptor free to close.
    QSocketNotifier* notifier = found->second->notifier.release();
    m_connections.erase(found);
    notifier->setEnabled(false);
    connect(notifier, &QObject::destroyed, [fd] { ::close(fd); });
    notifier->deleteLater();
}

} // namespace hk
