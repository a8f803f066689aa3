#include "platform/qt/frame_log.h"

#include "platform/qt/main_window_view.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/signal_watch.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <dlfcn.h>

#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdlib>
#include <ctime>

namespace hk {

namespace {

// Exported by the benchmark's preloaded counting allocator (every thread's allocations, and those
// of the calling thread); absent in a normal run.
constexpr const char* kAllocCountSymbol = "hk_bench_alloc_count";
constexpr const char* kThreadAllocCountSymbol = "hk_bench_alloc_count_thread";

using Counter = std::uint64_t (*)();

long long CountOrNone(Counter counter) {
    return counter ? static_cast<long long>(counter()) : -1;
}

long long WallMs() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

long long CpuMs() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return static_cast<long long>(cpu.tv_sec) * 1000 + cpu.tv_nsec / 1'000'000;
}

} // namespace

std::unique_ptr<FrameLog> FrameLog::FromEnvironment(QtPlatform& platform, std::function<std::uint32_t()> tag,
                                                    std::function<std::int32_t()> message) {
    const char* path = std::getenv("HARUKAZE_FRAME_LOG");
    if (!path || !*path)
        return nullptr;
    std::FILE* file = std::fopen(path, "w");
    if (!file) {
        std::fprintf(stderr, "harukaze: warning: cannot write the frame log '%s'\n", path);
        return nullptr;
    }
    return std::unique_ptr<FrameLog>(new FrameLog(platform, file, std::move(tag), std::move(message)));
}

FrameLog::FrameLog(QtPlatform& platform, std::FILE* file, std::function<std::uint32_t()> tag,
                   std::function<std::int32_t()> message)
    : m_platform(platform), m_file(file), m_tag(std::move(tag)), m_message(std::move(message)) {
    m_alloc_count = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, kAllocCountSymbol));
    m_thread_alloc_count = reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, kThreadAllocCountSymbol));
    m_platform.SetAllocationCounter(m_thread_alloc_count);
    const QScreen* screen = m_platform.MainView().screen();
    std::fprintf(m_file, "# refresh %.2f\n", screen ? screen->refreshRate() : 0.0);
    std::fflush(m_file);
    m_platform.MainView().installEventFilter(this);
    m_sample_signal =
        std::make_unique<SignalWatch>(std::initializer_list<int>{SIGUSR1}, [this](int) { WriteSample(); });
}

FrameLog::~FrameLog() {
    m_platform.MainView().removeEventFilter(this);
    m_platform.SetAllocationCounter(nullptr);
    std::fclose(m_file);
}

void FrameLog::WriteSample() {
    const long long in_events = m_thread_alloc_count ? static_cast<long long>(m_platform.AllocationsInEvents()) : -1;
    std::fprintf(m_file, "# sample %lld %" PRIu64 " %lld %lld %lld %lld %" PRIu64 "\n", WallMs(), m_ticks,
                 CountOrNone(m_alloc_count), CpuMs(), CountOrNone(m_thread_alloc_count), in_events,
                 m_platform.Sleeps());
    std::fflush(m_file);
}

bool FrameLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_platform.MainView())
        return false;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        std::fprintf(m_file, "# input %lld %s %" PRIu64 " %lld\n", WallMs(),
                     event->type() == QEvent::KeyPress ? "key" : "button", m_platform.Sleeps(), CpuMs());
        std::fflush(m_file);
        return false;
    }
    if (event->type() == QEvent::Paint) {
        std::fprintf(m_file, "%lld %08" PRIX32 " %" PRIu64 " %lld %lld %" PRId32 " %" PRIu64 "\n", WallMs(),
                     m_tag ? m_tag() : 0u, m_ticks, CountOrNone(m_alloc_count), CpuMs(), m_message ? m_message() : 0,
                     m_platform.Sleeps());
        // Line by line, so the benchmark can follow the game while it runs.
        std::fflush(m_file);
    }
    return false;
}

} // namespace hk
