#include "platform/qt/frame_log.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <dlfcn.h>

#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <ctime>

namespace hk {

namespace {
// Exported by the benchmark's preloaded counting allocator; absent in a normal run.
constexpr const char* kAllocCountSymbol = "hk_bench_alloc_count";
} // namespace

std::unique_ptr<FrameLog> FrameLog::FromEnvironment(QWidget& watched, std::function<std::uint32_t()> tag,
                                                    std::function<std::int32_t()> message) {
    const char* path = std::getenv("HARUKAZE_FRAME_LOG");
    if (!path || !*path)
        return nullptr;
    std::FILE* file = std::fopen(path, "w");
    if (!file) {
        std::fprintf(stderr, "harukaze: warning: cannot write the frame log '%s'\n", path);
        return nullptr;
    }
    return std::unique_ptr<FrameLog>(new FrameLog(watched, file, std::move(tag), std::move(message)));
}

FrameLog::FrameLog(QWidget& watched, std::FILE* file, std::function<std::uint32_t()> tag,
                   std::function<std::int32_t()> message)
    : m_watched(watched), m_file(file), m_tag(std::move(tag)), m_message(std::move(message)) {
    m_alloc_count = reinterpret_cast<std::uint64_t (*)()>(dlsym(RTLD_DEFAULT, kAllocCountSymbol));
    const QScreen* screen = watched.screen();
    std::fprintf(m_file, "# refresh %.2f\n", screen ? screen->refreshRate() : 0.0);
    m_watched.installEventFilter(this);
}

FrameLog::~FrameLog() {
    m_watched.removeEventFilter(this);
    std::fclose(m_file);
}

bool FrameLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_watched && event->type() == QEvent::Paint) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
        const long long allocs = m_alloc_count ? static_cast<long long>(m_alloc_count()) : -1;
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        const long long cpu_ms = static_cast<long long>(cpu.tv_sec) * 1000 + cpu.tv_nsec / 1'000'000;
        std::fprintf(m_file, "%lld %08" PRIX32 " %" PRIu64 " %lld %lld %" PRId32 "\n", ms, m_tag ? m_tag() : 0u,
                     m_ticks, allocs, cpu_ms, m_message ? m_message() : 0);
        // Line by line, so the benchmark can follow the game while it runs.
        std::fflush(m_file);
    }
    return false;
}

} // namespace hk
