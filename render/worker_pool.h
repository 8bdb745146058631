// Threads kept between the passes and frames of a render, so a pass costs a
// wake-up rather than a thread start per helper.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace trevalin {

class WorkerPool {
  public:
    WorkerPool() = default;
    ~WorkerPool(); // ends and joins the threads
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Starts pool threads until there are `helpers`, ahead of the first run
    // (they inherit the calling thread's nice value), and waits a little for
    // them to begin. Each looks for a round a short while before it sleeps.
    void start(int helpers);

    // Runs task on the calling thread and on up to `helpers` pool threads at
    // once, starting threads the first time they are needed (they inherit the
    // calling thread's nice value); returns when every call has returned.
    // Helpers that have not begun the task by the time the caller's call
    // returns are let off, so the task must be work that any of its calls can
    // finish, as bands that each call takes until none is left. One caller at
    // a time.
    void run(int helpers, const std::function<void()>& task);

    // Wakes sleeping helpers so that they look for the next round in a spin:
    // called by the thread that starts a render, which then pays the wake-up
    // rather than the render's first split pass. Does nothing unless the
    // helpers of the last round each had a core of their own.
    void warm();

    // No round follows soon (a render has ended): helpers waiting for one
    // sleep now instead of spinning for it, which would keep a core from the
    // threads that run next. The next run wakes them as ever.
    void rest();

    // The pool threads started so far.
    int threadCount() const;

    // The calling thread's seat in the rounds: 0 for any thread but a pool
    // thread, 1 + its index for one. A pool thread keeps its seat from round
    // to round, so work dealt out by seat goes where it went the round before.
    static int seat();

  private:
    void loop(int index);
    void startThreads(int helpers); // with mutex_ held
    // Whether the caller and that many helpers each have a core of their own.
    bool ownCores(int helpers) const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    std::size_t started_ = 0; // threads that have begun their loop
    const std::function<void()>* task_ = nullptr;
    std::uint64_t round_ = 0;
    int wanted_ = 0;           // threads with a lower index take part in this round
    int running_ = 0;          // of those, the ones not yet returned
    int entered_ = 0;          // of those, the ones that began the task
    bool open_ = false;        // whether helpers may still begin this round's task
    std::uint64_t warmth_ = 0; // counts calls of warm
    bool quit_ = false;
    bool spin_ = false; // whether waits start with a spin (see spinBriefly): the
                        // round's threads each have a core of their own
    const unsigned cores_ = std::thread::hardware_concurrency(); // 0 when unknown: no spin
    // round_ and running_ as the spins before a wait read them, without the
    // mutex; written under it.
    std::atomic<std::uint64_t> publishedRound_{0};
    std::atomic<int> publishedRunning_{0};
    std::atomic<bool> resting_{false}; // set by rest, cleared by run
    // The processor run's caller is on; -1 while it waits, as a wait may move it.
    std::atomic<int> callerCpu_{-1};
};

} // namespace trevalin
