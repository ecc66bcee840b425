#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

// Runs work on a thread of its own and ends the test binary with a failure should it not return
// within the limit, so that a call that freezes (a lock, a FIFO) fails the run instead of
// hanging it. The limit is for freezes only, many times what the work needs.
template <typename Work> void finishesWithin(std::chrono::seconds limit, Work&& work)
{
    std::packaged_task<void()> task(std::forward<Work>(work));
    std::future<void> done = task.get_future();
    std::thread(std::move(task)).detach();
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "FROZEN: still running after %lld s\n", (long long)limit.count());
        std::_Exit(1);
    }
    done.get();
}
