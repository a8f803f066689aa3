// Only one copy of the game runs: the lock is refused while another holder has it, comes back
// when it is released, and a broken lock location is an error that names the file.
#include "platform/qt/single_instance.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

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

} // namespace
} // namespace hk::test
