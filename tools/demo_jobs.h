// Runs independent generation jobs on a few threads. Results land in slots chosen by the caller
// before the run, so the output never depends on which thread finished first.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace hk::demo {

// Runs every job once on up to `threads` threads. If jobs throw, the exception of the first
// failing job in list order is rethrown after all threads have stopped.
inline void RunJobs(const std::vector<std::function<void()>>& jobs, int threads) {
    std::vector<std::exception_ptr> errors(jobs.size());
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            try {
                jobs[i]();
            } catch (...) {
                errors[i] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& t : pool) {
        t.join();
    }
    for (const std::exception_ptr& e : errors) {
        if (e) {
            std::rethrow_exception(e);
        }
    }
}

} // namespace hk::demo
