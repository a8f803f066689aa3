// Only one copy of the game runs: the lock is refused while another holder has it, comes back
// when it is released, and a broken lock location is an error that names the file. A second start
// asks the running copy to come to the front through its channel, which answers in the event loop.
#include "platform/qt/raise_channel.h"
#include "platform/qt/single_instance.h"
#include "support/temp_dir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hk::test {
namespace {

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstReleases) {
    TempDir dir;
    const auto path = dir / "HARUKAZEEXE";
    SingleInstanceLock first, second;
    ASSERT_EQ(first.Acquire(path), SingleInstanceLock::Result::Acquired);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.Acquire(path), SingleInstanceLock::Result::HeldByAnother);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire(path), SingleInstanceLock::Result::Acquired);
}

TEST(SingleInstanceLock, AnotherProcessSeesTheLockAndItDiesWithItsHolder) {
    TempDir dir;
    const auto path = dir / "HARUKAZEEXE";
    {
        SingleInstanceLock mine;
        ASSERT_EQ(mine.Acquire(path), SingleInstanceLock::Result::Acquired);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SingleInstanceLock theirs;
            ::_exit(theirs.Acquire(path) == SingleInstanceLock::Result::HeldByAnother ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // The holder went away (its descriptor closed): the lock is free again, file or no file.
    SingleInstanceLock again;
    EXPECT_EQ(again.Acquire(path), SingleInstanceLock::Result::Acquired);
}

TEST(SingleInstanceLock, UnusableLocationIsAnErrorNamingTheFile) {
    TempDir dir;
    SingleInstanceLock lock;
    const auto path = dir / "missing-folder" / "HARUKAZEEXE";
    EXPECT_EQ(lock.Acquire(path), SingleInstanceLock::Result::Error);
    EXPECT_NE(lock.ErrorText().find(path.string()), std::string::npos) << lock.ErrorText();
    EXPECT_FALSE(lock.Held());
}

TEST(SingleInstanceLock, LivesInTheRuntimeDirectoryOrAPerUserTmpFile) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/run/user/4321", 1);
    EXPECT_EQ(SingleInstanceLock::DefaultPath(), std::filesystem::path("/run/user/4321/HARUKAZEEXE"));
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(SingleInstanceLock::DefaultPath(),
              std::filesystem::path("/tmp/HARUKAZEEXE-" + std::to_string(::getuid())));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstanceLock::DefaultPath(),
              std::filesystem::path("/tmp/HARUKAZEEXE-" + std::to_string(::getuid())));
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
}

// Runs the event loop (sleeping until an event comes) until `done` or 5 s have passed.
template <typename Done> bool PumpUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// A client that connects to `path`, sends `bytes` and leaves.
void Say(const std::filesystem::path& path, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    if (!bytes.empty()) {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    ::close(fd);
}

// (Short test names: a socket's path must fit in 108 bytes, and the folder is named after the test.)
TEST(RaiseChannel, SecondStartAnsweredInEventLoop) {
    TempDir dir;
    const auto path = RaiseChannelPath(dir / "HARUKAZEEXE");
    EXPECT_EQ(path, dir / "HARUKAZEEXE.socket");
    RaiseChannel channel(path);
    ASSERT_TRUE(channel.Listening()) << channel.ErrorText();
    // Asked while the game's window is not there yet: answered once it watches.
    ASSERT_TRUE(RequestRaise(path));
    int raised = 0;
    std::vector<std::string> tokens;
    channel.Watch([&](const std::string& token) {
        ++raised;
        tokens.push_back(token);
    });
    EXPECT_TRUE(PumpUntil([&] { return raised == 1; }));
    // With the desktop's activation token, which goes along; one unfit to send is left out.
    ASSERT_TRUE(RequestRaise(path, "kwin-4711_TIME12345"));
    ASSERT_TRUE(RequestRaise(path, "two words"));
    EXPECT_TRUE(PumpUntil([&] { return raised == 3; }));
    EXPECT_EQ(tokens, (std::vector<std::string>{"", "kwin-4711_TIME12345", ""}));
    // From another process, as a second start is.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(RequestRaise(path) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(PumpUntil([&] { return raised == 4; }));
    EXPECT_EQ(raised, 4);
}

TEST(RaiseChannel, IgnoresAllButRequests) {
    TempDir dir;
    const auto path = dir / "HARUKAZEEXE.socket";
    RaiseChannel channel(path);
    ASSERT_TRUE(channel.Listening()) << channel.ErrorText();
    int raised = 0;
    channel.Watch([&raised](const std::string&) { ++raised; });
    Say(path, "");
    Say(path, "hello\n");
    Say(path, "raise"); // not a whole line
    Say(path, "raised\n");
    Say(path, "raise two words\n");
    Say(path, "raise \x01\n");
    Say(path, "raise " + std::string(300, 'r') + "\n");
    Say(path, "raise\n");
    EXPECT_TRUE(PumpUntil([&] { return raised == 1; }));
    // Whatever else was still to be read has been by now: nothing more came of it.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(raised, 1);
}

TEST(RaiseChannel, LeftSocketIsTakenOver) {
    TempDir dir;
    const auto path = dir / "HARUKAZEEXE.socket";
    std::string error;
    EXPECT_FALSE(RequestRaise(path, {}, &error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    {
        RaiseChannel channel(path);
        ASSERT_TRUE(channel.Listening());
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "the socket stays after its copy ended";
    EXPECT_FALSE(RequestRaise(path));

    // A copy that was killed leaves its socket behind, with nobody listening.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(RequestRaise(path));
    RaiseChannel next(path);
    ASSERT_TRUE(next.Listening()) << next.ErrorText();
    int raised = 0;
    next.Watch([&raised](const std::string&) { ++raised; });
    EXPECT_TRUE(RequestRaise(path));
    EXPECT_TRUE(PumpUntil([&] { return raised == 1; }));

    const RaiseChannel too_long(dir / std::string(120, 'x'));
    EXPECT_FALSE(too_long.Listening());
    EXPECT_NE(too_long.ErrorText().find("too long"), std::string::npos) << too_long.ErrorText();
}

} // namespace
} // namespace hk::test
