// The render job: computes a still image or every frame of a movie on a worker
// thread in coarse-to-fine passes. The render lock guards the target's pixels,
// the status line, the stop request, the error flag and the movie writer; the
// worker holds it only around pixel stores, writer calls and its ending, never
// while a formula runs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "formula/frame_variables.h"
#include "render/render_progress.h"

namespace trevalin {

struct FormulaContext;
struct RenderSettings;
class DibImage;
class FrameSink;
struct PassPlan;
class WorkerPool;

class RenderJob {
  public:
    // Called on the worker thread after each pass and frame and at the end; it
    // must not wait for the user-interface thread (post, don't send). Passes
    // may overlap: a pass's request then comes from the pass thread that
    // stored its last band and, without preview blocks, while the next pass
    // may be storing, so the picture is read under lock().
    using PaintRequest = std::function<void()>;
    using WriterFactory = std::function<std::unique_ptr<FrameSink>()>;

    struct Params {
        FormulaContext* context = nullptr;
        FrameVariables vars{}; // the view's copy; frames > 1 makes a movie
        int width = 0;
        int height = 0;
        const RenderSettings* settings = nullptr;
        DibImage* target = nullptr;
        std::shared_ptr<const DibImage> source; // kept alive while the job runs
        int progressive = 1;
    };

    RenderJob();
    ~RenderJob(); // stops and joins a running job

    void setPaintRequest(PaintRequest paint) { paint_ = std::move(paint); }
    // Makes the sink for the frames of renders of more than one frame.
    void setWriterFactory(WriterFactory factory) { writerFactory_ = std::move(factory); }
    // Threads for the passes of the next render: 0 for every core (the default),
    // 1 for the one-pixel loop. The pictures are the same for every count.
    void setThreadCount(int threads) { threads_ = threads < 0 ? 0 : threads; }
    int threadCount() const { return threads_; }
    // Only the one-pixel loop, whatever the thread count: the reference the
    // faster paths are checked against.
    void setOnePixelOnly(bool only) { onePixelOnly_ = only; }
    // Whether a coarse pass paints each pixel's whole block, the preview a
    // watcher sees. Without it a pass stores only the pixels it computes: the
    // finished picture is the same, as every pixel is computed once at its own
    // place, and a renderer nobody watches skips rewriting the image per pass.
    void setPreviewBlocks(bool blocks) { previewBlocks_ = blocks; }
    // The fewest pixels in a band of a split pass; 0 for the default, which
    // leaves small pictures in one band. Tests lower it to split them too.
    void setMinBandPixels(int pixels) { minBandPixels_ = pixels < 0 ? 0 : pixels; }
    // Movie renders from now on hand only frames first..last (0-based,
    // inclusive; last -1 for the end) to the writer, each the same as in a
    // render of the whole movie. The frames before first are not rendered
    // unless the state first starts with cannot be worked out without them.
    void setFrameRange(int first, int last) {
        rangeFirst_ = first < 0 ? 0 : first;
        rangeLast_ = last;
    }
    // The frame the last movie render started from (before the range's
    // first when it had to render its way there).
    int startFrame() const { return startFrame_.load(); }

    // Stops any previous job, then hands the new one to the worker thread; the
    // settings' priority picks the thread's nice value (Low lower, High higher
    // where permitted).
    void start(const Params& params);
    // Sets the stop request under the lock and waits for the job to end.
    void stop();
    // Waits for the job to end by itself.
    void wait();
    // The same for at most timeout; whether the job has ended.
    bool waitFor(std::chrono::milliseconds timeout);

    bool running() const { return running_.load(); }
    // The helper threads kept, asleep, for the passes of the next render.
    int helperThreads() const;
    bool errorFlag() const;
    bool finished() const;
    std::string status() const;
    // Where the job stands, for a progress line; safe from any thread.
    RenderProgress progress() const;

    std::recursive_mutex& lock() { return lock_; }

    // Format the status line under the lock (printf rules, 127 characters).
    void reportStatus(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same, and stops the job with its error flag set; returns 0.
    int reportError(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Per-frame set-up, public for tests: fills the frame variables for the
    // frame whose index is in vars.frame and restarts the passes; false, with
    // the formula state as it was, when a stop request cut it short.
    bool setUpFrame();
    FrameVariables& vars() { return p_.vars; }

  private:
    void run();
    // The worker's life: a job each time one is handed over, until told to end.
    void serve();
    void endWorker();
    // Computes the current pass; false when the job stopped in the middle.
    bool runPassOnePixel();
    bool runPassOnThreads(int threads, WorkerPool& pool);
    // The frame's passes from the current one to the finest, each starting as
    // soon as the one before has no band left to take.
    bool runOverlappedPasses(int threads, WorkerPool& pool);
    PassPlan passPlan(int step, int threads);
    void endPassWalk(); // the walk's variables as the one-pixel loop ends a pass
    void requestStop(); // under the lock
    void postPaint();

    Params p_;
    int firstStep_ = 16;
    int step_ = 16;
    int refineMask_ = 31;
    bool errorFlag_ = false;
    bool stopRequest_ = false;
    std::atomic<bool> stopping_{false}; // stopRequest_ for the pass threads, which poll it
    int threads_ = 0;
    bool onePixelOnly_ = false;
    bool previewBlocks_ = true;
    int minBandPixels_ = 0;
    int rangeFirst_ = 0;
    int rangeLast_ = -1;
    std::atomic<int> startFrame_{0};
    bool finished_ = false;
    std::atomic<bool> running_{false};
    bool started_ = false;
    long long startMs_ = 0;
    long long endMs_ = -1;                    // -1 while the worker runs
    std::atomic<std::int64_t> pixelsDone_{0}; // of the current frame
    std::atomic<int> frameNow_{0};
    std::unique_ptr<FrameSink> writer_;
    char status_[128] = {};
    mutable std::recursive_mutex lock_;
    // Kept between renders, asleep: starting a thread per render and joining
    // it (its exit hands its stack back to the system) cost 0.1 to 0.3 ms on a
    // virtual machine, where a small picture takes under 2 ms on two cores. It
    // runs at a nice value that its starter's and the priority's delta
    // fixed; a job that wants another gets a new thread, as a thread cannot
    // always take back a nice value it gave up.
    std::thread worker_;
    int workerBaseNice_ = 0;
    int workerDelta_ = 0;
    std::mutex workerMutex_;
    std::condition_variable jobHanded_; // the worker waits for this
    std::condition_variable jobEnded_;  // callers of wait() wait for this
    bool jobPending_ = false;           // these three: under workerMutex_
    bool jobRunning_ = false;
    bool workerQuit_ = false;
    // Kept between renders, so a render does not start threads; only the
    // worker changes it, and start() shares it while the worker is idle. Its
    // threads run at poolNice_.
    std::shared_ptr<WorkerPool> pool_;
    int poolNice_ = 0;
    PaintRequest paint_;
    WriterFactory writerFactory_;
};

} // namespace trevalin
