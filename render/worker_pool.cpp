#include "render/worker_pool.h"

#include <system_error>

namespace trevalin {

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

int WorkerPool::threadCount() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return static_cast<int>(threads_.size());
}

void WorkerPool::run(int helpers, const std::function<void()>& task) {
    if (helpers < 0) helpers = 0;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        while (static_cast<int>(threads_.size()) < helpers) {
            const int index = static_cast<int>(threads_.size());
            try {
                threads_.emplace_back([this, index] { loop(index); });
            } catch (const std::system_error&) {
                break; // out of threads: the ones there are do the work
            }
        }
        if (helpers > static_cast<int>(threads_.size()))
            helpers = static_cast<int>(threads_.size());
        task_ = &task;
        wanted_ = helpers;
        running_ = helpers;
        ++round_;
    }
    if (helpers > 0) wake_.notify_all();
    task();
    std::unique_lock<std::mutex> hold(mutex_);
    done_.wait(hold, [this] { return running_ == 0; });
    task_ = nullptr;
}

void WorkerPool::loop(int index) {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
        wake_.wait(hold, [&] { return quit_ || round_ != seen; });
        if (quit_) return;
        seen = round_;
        if (index >= wanted_) continue;
        const std::function<void()>* task = task_;
        hold.unlock();
        (*task)();
        hold.lock();
        if (--running_ == 0) done_.notify_all();
    }
}

} // namespace trevalin
