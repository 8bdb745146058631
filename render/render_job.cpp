#include "render/render_job.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "formula/arith.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"
#include "image/dib_image.h"
#include "render/evaluation_state.h"
#include "render/frame_renderer.h"
#include "render/frame_setup.h"
#include "render/frame_sink.h"
#include "render/frame_start.h"
#include "render/overlapped_frame_sink.h"
#include "render/parallel_pass.h"
#include "render/render_settings.h"
#include "render/worker_pool.h"

namespace trevalin {
namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

id_t threadId() {
    return static_cast<id_t>(syscall(SYS_gettid));
}

// Qt's thread priorities do nothing on Linux; a thread's nice value does.
int niceDelta(int priority) {
    if (priority == 0) return 5;
    if (priority == 2) return -5;
    return 0;
}

// Raising the nice value above normal needs privileges, so a refusal is ignored.
void applyNiceDelta(int delta) {
    if (delta == 0) return;
    const id_t tid = threadId();
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (errno == 0) setpriority(PRIO_PROCESS, tid, current + delta);
}

int niceValue() {
    return getpriority(PRIO_PROCESS, threadId());
}

} // namespace

RenderJob::RenderJob() = default;

RenderJob::~RenderJob() {
    stop();
    endWorker();
}

void RenderJob::serve() {
    std::unique_lock<std::mutex> hold(workerMutex_);
    for (;;) {
        jobHanded_.wait(hold, [this] { return jobPending_ || workerQuit_; });
        if (!jobPending_) return;
        jobPending_ = false;
        jobRunning_ = true;
        hold.unlock();
        run();
        hold.lock();
        jobRunning_ = false;
        jobEnded_.notify_all();
    }
}

void RenderJob::endWorker() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(workerMutex_);
        workerQuit_ = true;
    }
    jobHanded_.notify_one();
    worker_.join();
    workerQuit_ = false;
}

void RenderJob::start(const Params& params) {
    stop();
    {
        // Other threads poll the status and flags under the lock at any time.
        Guard hold(lock_);
        p_ = params;
        p_.vars.source = p_.source ? p_.source->sourceView() : nullptr;
        status_[0] = '\0';
        stopRequest_ = false;
        stopping_ = false;
        errorFlag_ = false;
        finished_ = false;
        writer_.reset();
        started_ = true;
        startMs_ = nowMs();
        endMs_ = -1;
        pixelsDone_ = 0;
        frameNow_ = p_.vars.frame;
    }
    running_ = true;
    const int base = niceValue(), delta = niceDelta(p_.settings->priority);
    if (worker_.joinable() && (base != workerBaseNice_ || delta != workerDelta_)) endWorker();
    if (!worker_.joinable()) {
        workerBaseNice_ = base;
        workerDelta_ = delta;
        worker_ = std::thread([this, delta] {
            applyNiceDelta(delta);
            serve();
        });
    }
    // Taken while the worker is idle: it may replace the pool once it runs.
    const std::shared_ptr<WorkerPool> pool =
        !onePixelOnly_ && effectiveThreadCount(threads_) > 1 ? pool_ : nullptr;
    {
        std::lock_guard<std::mutex> hold(workerMutex_);
        jobPending_ = true;
    }
    jobHanded_.notify_one();
    // Waking the helpers costs the waker tens of microseconds on a virtual
    // machine: paid here, not in the render's first pass on two threads.
    if (pool) pool->warm();
}

void RenderJob::requestStop() {
    stopRequest_ = true;
    stopping_ = true;
}

void RenderJob::stop() {
    {
        Guard hold(lock_);
        requestStop();
    }
    wait();
    running_ = false;
}

void RenderJob::wait() {
    std::unique_lock<std::mutex> hold(workerMutex_);
    jobEnded_.wait(hold, [this] { return !jobPending_ && !jobRunning_; });
}

bool RenderJob::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(workerMutex_);
    return jobEnded_.wait_for(hold, timeout, [this] { return !jobPending_ && !jobRunning_; });
}

int RenderJob::helperThreads() const {
    // Changed only by the worker, which has ended unless running() says so.
    return pool_ ? pool_->threadCount() : 0;
}

bool RenderJob::errorFlag() const {
    Guard hold(lock_);
    return errorFlag_;
}

bool RenderJob::finished() const {
    Guard hold(lock_);
    return finished_;
}

std::string RenderJob::status() const {
    Guard hold(lock_);
    return status_;
}

RenderProgress RenderJob::progress() const {
    Guard hold(lock_);
    RenderProgress p;
    if (!started_) return p;
    p.width = p_.width;
    p.height = p_.height;
    p.firstStep = p_.progressive ? 16 : 1;
    p.frames = p_.vars.frames > 1 ? p_.vars.frames : 1;
    p.frame = frameNow_;
    p.pixelsDone = pixelsDone_;
    p.elapsedSeconds = ((endMs_ < 0 ? nowMs() : endMs_) - startMs_) * 0.001;
    using State = RenderProgress::State;
    if (endMs_ < 0 && running_) {
        p.state = State::Running;
    } else if (errorFlag_) {
        p.state = State::Failed;
    } else {
        p.state = finished_ ? State::Finished : State::Stopped;
    }
    return p;
}

void RenderJob::reportStatus(const char* format, ...) {
    Guard hold(lock_);
    va_list args;
    va_start(args, format);
    std::vsnprintf(status_, sizeof status_, format, args);
    va_end(args);
}

int RenderJob::reportError(const char* format, ...) {
    Guard hold(lock_); // the message, the stop and the error flag arrive together
    va_list args;
    va_start(args, format);
    std::vsnprintf(status_, sizeof status_, format, args);
    va_end(args);
    requestStop();
    errorFlag_ = true;
    return 0;
}

void RenderJob::postPaint() {
    if (paint_) paint_();
}

bool RenderJob::setUpFrame() {
    {
        Guard hold(lock_); // the frame and its count change together for progress()
        pixelsDone_ = 0;
        frameNow_ = p_.vars.frame;
    }
    // The region's formulas may call a fractal function too.
    if (!runUnlessCut(*p_.context, stopping_, [this] {
            setUpFrameVariables(*p_.context, p_.vars, *p_.settings, p_.width, p_.height);
        }))
        return false;
    firstStep_ = p_.progressive ? 16 : 1;
    step_ = firstStep_;
    refineMask_ = 2 * step_ - 1;
    return true;
}

bool RenderJob::runPassOnePixel() {
    FrameVariables& v = p_.vars;
    const RenderSettings& s = *p_.settings;
    DibImage& target = *p_.target;
    std::uint32_t colours[kSegmentPixels];
    int columns[kSegmentPixels];
    // Only the fractal functions' iterations are cut short by a stop request:
    // for other formulas nothing needs keeping before a pixel.
    const bool cuttable = colourFormulasCallFractals(s);
    for (;;) {
        // A segment of up to kSegmentPixels computed pixels of this row, then
        // one lock for their stores and the stop request.
        int n = 0;
        const int row = v.py;
        bool rowDone = false, cut = false;
        while (n < kSegmentPixels && !rowDone) {
            v.x = v.px * v.xstep + v.left;
            if (step_ == firstStep_ || (refineMask_ & (v.px | v.py)) != 0) {
                std::uint32_t colour = 0;
                const auto evaluate = [&] { colour = pixelColour(*p_.context, v, s); };
                if (!cuttable) {
                    evaluate();
                } else if (!runUnlessCut(*p_.context, stopping_, evaluate)) {
                    cut = true;
                    break;
                }
                colours[n] = colour;
                columns[n++] = v.px;
            }
            v.px += step_;
            rowDone = v.px >= p_.width;
        }
        bool stop;
        {
            Guard hold(lock_);
            if (step_ < 2 || !previewBlocks_) {
                std::uint32_t* pixels = target.row(row);
                for (int i = 0; i < n; ++i)
                    pixels[columns[i]] = colours[i];
            } else {
                for (int i = 0; i < n; ++i)
                    target.fillBlock(columns[i], row, step_, colours[i]);
            }
            pixelsDone_.fetch_add(n, std::memory_order_relaxed);
            stop = stopRequest_ || cut;
        }
        if (stop) return false;
        if (!rowDone) continue;
        v.px = 0;
        v.py += step_;
        v.y = v.py * v.ystep + v.top;
        if (v.py < p_.height) continue;
        return true;
    }
}

PassPlan RenderJob::passPlan(int step, int threads) {
    PassPlan plan;
    plan.context = p_.context;
    plan.vars = p_.vars;
    plan.settings = p_.settings;
    plan.width = p_.width;
    plan.height = p_.height;
    plan.step = step;
    plan.allPoints = step == firstStep_;
    plan.blocks = previewBlocks_;
    plan.threads = threads;
    plan.minBandPixels = minBandPixels_; // 0: the formulas' own
    plan.pixelsDone = &pixelsDone_;
    return plan;
}

bool RenderJob::runPassOnThreads(int threads, WorkerPool& pool) {
    if (!renderParallelPass(passPlan(step_, threads), *p_.target, lock_, stopping_, pool))
        return false;
    endPassWalk();
    return true;
}

bool RenderJob::runOverlappedPasses(int threads, WorkerPool& pool) {
    std::vector<PassPlan> plans;
    for (int step = step_; step >= 1; step /= 2)
        plans.push_back(passPlan(step, threads));
    // A paint request between passes, as the passes one by one post it; the
    // last pass's is the frame's, posted by run.
    const auto stored = [this, last = plans.size() - 1](std::size_t pass) {
        if (pass < last) postPaint();
    };
    if (!renderOverlappedPasses(plans, *p_.target, lock_, stopping_, pool, stored)) return false;
    step_ = 1;
    endPassWalk();
    return true;
}

void RenderJob::endPassWalk() {
    // Where the one-pixel loop leaves the walk at the end of the pass.
    FrameVariables& v = p_.vars;
    const int lastColumn = (p_.width - 1) / step_ * step_;
    v.x = lastColumn * v.xstep + v.left;
    v.px = 0;
    v.py = (p_.height + step_ - 1) / step_ * step_;
    v.y = v.py * v.ystep + v.top;
}

void RenderJob::run() {
    FrameVariables& v = p_.vars;
    const RenderSettings& s = *p_.settings;
    DibImage& target = *p_.target;
    const long long start = nowMs();
    bool finished = false;

    const int threads = effectiveThreadCount(threads_);
    // Kept between renders, so a render does not start threads. They inherit
    // the nice value of the thread that starts them: a render at another
    // priority gets new ones. Missing ones start now, while the frame is set
    // up: a thread started as the first pass begins took up to milliseconds
    // to run.
    const int nice = niceValue();
    if (pool_ && poolNice_ != nice) pool_.reset();
    if (!pool_) {
        pool_ = std::make_shared<WorkerPool>();
        poolNice_ = nice;
    }
    WorkerPool& pool = *pool_;
    if (!onePixelOnly_) pool.start(threads - 1);

    // A range of a movie: its frames only, and they end at its last.
    int first = 0, last = v.frames - 1;
    bool cut = false;
    if (v.frames > 1) {
        first = rangeFirst_ < last ? rangeFirst_ : last;
        if (rangeLast_ >= first && rangeLast_ < last) last = rangeLast_;
        FrameStartInput in;
        in.context = p_.context;
        in.vars = v;
        in.settings = p_.settings;
        in.width = p_.width;
        in.height = p_.height;
        in.firstStep = p_.progressive ? 16 : 1;
        // Working out the state a later frame starts with replays fractal calls.
        cut =
            !runUnlessCut(*p_.context, stopping_, [&] { v.frame = prepareFrameStart(in, first); });
    }
    startFrame_ = v.frame;
    bool ended = cut || !setUpFrame();
    if (!ended && v.frames > 1) {
        {
            Guard hold(lock_);
            writer_ = writerFactory_ ? writerFactory_() : nullptr;
            // Frame k is encoded while frame k + 1 renders.
            if (writer_) writer_ = std::make_unique<OverlappedFrameSink>(std::move(writer_));
            if (!writer_) {
                reportError("Movie writer not available");
            } else {
                MovieParams mp;
                mp.width = p_.width;
                mp.height = p_.height;
                mp.codec = s.codec;
                mp.depth = s.depth;
                mp.dither = s.dither;
                mp.colormode = s.colormode;
                mp.framerate = s.framerate;
                mp.path = s.moviefile;
                mp.firstFrame = first;
                writer_->open(mp, [this](const std::string& m) { reportError("%s", m.c_str()); });
                if (errorFlag_) {
                    writer_->finish();
                    writer_->close();
                    writer_.reset();
                }
            }
            ended = errorFlag_;
        }
        if (!ended) reportStatus("Frame %d", v.frame + 1);
    }

    while (!ended) {
        const bool split = !onePixelOnly_ && passCanBeSplit(s);
        // The passes need not wait for each other: a thread that finds none
        // of a pass's bands left goes on with the next pass's, instead of
        // idling until the pass's last band is done.
        const bool overlap = split && threads > 1 && step_ == firstStep_ && step_ > 1;
        const bool completed = overlap ? runOverlappedPasses(threads, pool)
                               : split ? runPassOnThreads(threads, pool)
                                       : runPassOnePixel();
        if (!completed) break;

        // The pass is complete; the next one computes only its new grid points.
        const int old = step_;
        step_ = old / 2;
        refineMask_ = 2 * step_ - 1;
        if (old > 1) {
            v.x = v.left;
            v.y = v.top;
            v.px = v.py = 0;
            postPaint();
            continue;
        }
        if (!writer_) {
            finished = true;
            break;
        }
        if (v.frame >= first) {
            Guard hold(lock_);
            if (!writer_->addFrame(target)) break;
        }
        v.frame = v.frame + 1;
        if (v.frame > last) {
            finished = true;
            break;
        }
        reportStatus("Frame %d", v.frame + 1);
        postPaint();
        if (!setUpFrame()) break;
    }

    // The passes are over: the helpers need not spin for another.
    pool.rest();
    Guard hold(lock_);
    const long long end = nowMs();
    endMs_ = end;
    if (writer_) {
        writer_->finish();
        writer_->close();
        writer_.reset();
    }
    // A movie that could not be completed is not finished, and its message stays.
    if (errorFlag_) finished = false;
    finished_ = finished;
    // A source image replaced during the render may go now.
    p_.vars.source = nullptr;
    p_.source.reset();
    if (finished) reportStatus("elapsed: %4.2f secs", (end - start) * 0.001);
    // Not running only once the movie file is complete and the outcome known:
    // pollers read the status and the file as soon as this turns false.
    running_ = false;
    postPaint();
}

} // namespace trevalin
