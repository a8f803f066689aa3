// The Busy flag of the lock-free hand-over between the GUI thread and the sound worker. The
// worker raises it around each decode or mix; the GUI thread first publishes its change (a
// cleared Loaded flag, a new channel table entry) and then waits until any pass that could have
// missed the change has finished. It counts passes rather than holding a boolean, so the GUI
// thread does not starve when the worker starts one pass right after another: it waits only for
// the pass it saw in progress. All changes go through sequentially consistent operations, so
// either the worker sees the GUI's change or the GUI sees the pass running.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace hk {

class BusyFlag {
public:
    // Worker thread: a pass starts; read the shared flags after this.
    void Enter() { m_passes.fetch_add(1, std::memory_order_seq_cst); }
    // Worker thread: the pass is over.
    void Leave() { m_passes.fetch_add(1, std::memory_order_release); }
    // GUI thread, after publishing a change: returns once no pass that began before it is running.
    void WaitIdle() const {
        const std::uint32_t seen = m_passes.load(std::memory_order_seq_cst);
        if ((seen & 1) == 0) {
            return;
        }
        while (m_passes.load(std::memory_order_seq_cst) == seen) {
            std::this_thread::yield();
        }
    }

private:
    std::atomic<std::uint32_t> m_passes{0}; // odd while a pass runs
};

} // namespace hk
