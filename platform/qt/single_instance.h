// The one-copy-at-a-time rule of the game: an exclusive advisory lock on a file named
// "HARUKAZEEXE" in the user's runtime directory, held for as long as the lock object lives. The
// kernel drops the lock when the process ends, however it ends, so a crash never blocks the next
// start.
#pragma once

#include <filesystem>
#include <string>

namespace hk {

class SingleInstanceLock {
public:
    enum class Result { Acquired, HeldByAnother, Error };

    // $XDG_RUNTIME_DIR/HARUKAZEEXE, or /tmp/HARUKAZEEXE-<uid> when the variable is unset or empty.
    static std::filesystem::path DefaultPath();

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Tries to take the lock without waiting. On Error, ErrorText() says what failed.
    Result Acquire(const std::filesystem::path& path);
    void Release();
    bool Held() const { return m_fd >= 0; }
    const std::string& ErrorText() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

} // namespace hk
