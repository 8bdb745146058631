#include "render/worker_pool.h"

#include <chrono>
#include <new>
#include <system_error>

#include "render/cpu_move.h"
#include "render/cpu_pause.h"

namespace trevalin {
namespace {

thread_local int tSeat = 0;

// A render's passes follow one another within microseconds, and a thread
// woken from a wait may take far longer than that to run again, most on a
// virtual machine. So a thread that waits for the next round, or for the
// helpers to finish this one, first looks for it a short while: only while
// every thread of the pool has a core of its own, or the spin would take the
// core from one still working.
template <class Ready> void spinBriefly(Ready ready) {
    constexpr auto kSpin = std::chrono::microseconds(100);
    const auto until = std::chrono::steady_clock::now() + kSpin;
    for (int i = 1;; ++i) {
        if (ready()) return;
        cpuPause();
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) return;
    }
}

} // namespace

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        quit_ = true;
        // Ends the spins too, which would otherwise hold up the joins.
        publishedRound_.store(round_ + 1, std::memory_order_release);
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

int WorkerPool::seat() {
    return tSeat;
}

int WorkerPool::threadCount() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return static_cast<int>(threads_.size());
}

bool WorkerPool::ownCores(int helpers) const {
    return static_cast<unsigned>(helpers) + 1 <= cores_;
}

void WorkerPool::startThreads(int helpers) {
    while (static_cast<int>(threads_.size()) < helpers) {
        const int index = static_cast<int>(threads_.size());
        try {
            threads_.emplace_back([this, index] { loop(index); });
        } catch (const std::system_error&) {
            break; // out of threads: the ones there are do the work
        }
    }
}

void WorkerPool::start(int helpers) {
    std::unique_lock<std::mutex> hold(mutex_);
    callerCpu_.store(currentCpu(), std::memory_order_relaxed);
    startThreads(helpers);
    spin_ = ownCores(helpers);
    // Waiting lets a new thread queued behind this one run, and move off.
    done_.wait_for(hold, std::chrono::milliseconds(2),
                   [this] { return started_ == threads_.size(); });
}

void WorkerPool::rest() {
    resting_.store(true, std::memory_order_relaxed);
}

void WorkerPool::warm() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!spin_ || threads_.empty()) return;
        ++warmth_;
        resting_.store(false, std::memory_order_relaxed);
    }
    wake_.notify_all();
}

void WorkerPool::run(int helpers, const std::function<void()>& task) {
    if (helpers <= 0) {
        // No round: helpers spinning for the next one go on spinning.
        task();
        return;
    }
    bool spin = false;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        startThreads(helpers);
        if (helpers > static_cast<int>(threads_.size()))
            helpers = static_cast<int>(threads_.size());
        task_ = &task;
        wanted_ = helpers;
        running_ = helpers;
        entered_ = 0;
        open_ = true;
        ++round_;
        spin = spin_ = ownCores(helpers);
        callerCpu_.store(currentCpu(), std::memory_order_relaxed);
        publishedRunning_.store(running_, std::memory_order_release);
        resting_.store(false, std::memory_order_relaxed);
        publishedRound_.store(round_, std::memory_order_release);
    }
    wake_.notify_all();
    task();
    // Where the caller is while it waits is not known: a wait may move it.
    callerCpu_.store(-1, std::memory_order_relaxed);
    {
        // The caller's call has found no work left: a helper still on its
        // way would only make the caller wait for it. A woken thread took up
        // to a few hundred microseconds to run on a virtual machine, longer
        // than a coarse pass.
        std::lock_guard<std::mutex> hold(mutex_);
        open_ = false;
        running_ -= wanted_ - entered_;
        publishedRunning_.store(running_, std::memory_order_release);
    }
    if (spin)
        spinBriefly([this] { return publishedRunning_.load(std::memory_order_acquire) == 0; });
    std::unique_lock<std::mutex> hold(mutex_);
    done_.wait(hold, [this] { return running_ == 0; });
    task_ = nullptr;
    callerCpu_.store(currentCpu(), std::memory_order_relaxed);
}

void WorkerPool::loop(int index) {
    tSeat = index + 1;
    std::uint64_t seen = 0;
    std::uint64_t warmthSeen = 0;
    // Only a thread that took part in the last round spins for the next: one
    // left out (passes with fewer bands than threads, on small pictures) would
    // spin through every pass that leaves it out. A new thread spins for its
    // first.
    bool tookPart = true;
    // A thread's first allocation sets up its own malloc arena, which took
    // longer than a first pass's share: done now, not in the first round.
    delete[] new (std::nothrow) char[64];
    std::unique_lock<std::mutex> hold(mutex_);
    ++started_;
    done_.notify_all();
    for (;;) {
        // A woken helper is often queued behind the caller on its processor
        // while another one idles, and the scheduler may take milliseconds to
        // move it; spinning there, it takes the caller's time. So a helper
        // that finds itself on the caller's processor leaves it, before it
        // works and while it spins.
        if (!quit_ && round_ == seen && spin_ && tookPart) {
            hold.unlock();
            spinBriefly([&] {
                leaveCpu(callerCpu_.load(std::memory_order_relaxed));
                return publishedRound_.load(std::memory_order_acquire) != seen ||
                       resting_.load(std::memory_order_relaxed);
            });
            hold.lock();
        }
        wake_.wait(hold, [&] { return quit_ || round_ != seen || warmth_ != warmthSeen; });
        if (quit_) return;
        if (warmth_ != warmthSeen) {
            // Warmed for a render: spin for its first round.
            warmthSeen = warmth_;
            tookPart = true;
            if (round_ == seen) continue;
        }
        seen = round_;
        // One let off still spins for the next round, which follows soon.
        tookPart = index < wanted_;
        if (!tookPart || !open_) continue;
        ++entered_;
        const std::function<void()>* task = task_;
        const bool onOwnCores = spin_;
        hold.unlock();
        if (onOwnCores) leaveCpu(callerCpu_.load(std::memory_order_relaxed));
        (*task)();
        hold.lock();
        publishedRunning_.store(--running_, std::memory_order_release);
        if (running_ == 0) done_.notify_all();
    }
}

} // namespace trevalin
