#include "render/parallel_pass.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <thread>
#include <vector>

#include "formula/batch_interpreter.h"
#include "formula/cancel_request.h"
#include "formula/escape_results.h"
#include "formula/formula_context.h"
#include "formula/fractals.h"
#include "formula/noise.h"
#include "formula/random_draws.h"
#include "formula/random_state.h"
#include "image/dib_image.h"
#include "render/band_shares.h"
#include "render/cpu_pause.h"
#include "render/every_other_pixel.h"
#include "render/frame_renderer.h"
#include "render/memo_snapshot.h"
#include "render/render_settings.h"
#include "render/row_memo.h"
#include "render/worker_pool.h"

namespace trevalin {
namespace {

constexpr int kBandsPerThread = 32;

// Takes the render lock, looking for it a while before waiting: another
// thread storing a band holds it for microseconds, and a thread that waits
// for it (sleeps) ran again up to hundreds of microseconds later on a
// virtual machine.
void lockBriefly(std::recursive_mutex& lock) {
    for (int i = 0; i < 4096; ++i) {
        if (lock.try_lock()) return;
        cpuPause();
    }
    lock.lock();
}

// The computed columns of a pass row: every grid column in the first pass and
// in rows new to this pass, only the new (odd) ones otherwise.
struct RowSpan {
    int first, stride, count;
};

struct Band {
    int firstRow = 0; // index among the pass's rows
    int rows = 0;
    std::int64_t pixelsBefore = 0;
    int pixels = 0;
    std::unique_ptr<std::uint32_t[]> colours; // not zeroed: every pixel is written
    MemoSnapshot end{};
    bool storeEarly = false; // stored where computed, before its turn
    bool stopped = false;
    bool ready = false; // guarded by the commit mutex
};

class PassRunner {
  public:
    PassRunner(const PassPlan& plan, DibImage& target, std::recursive_mutex& lock,
               const std::atomic<bool>& stop)
        : plan_(plan), vars_(plan.vars), target_(target), lock_(lock), stop_(stop),
          snapshot_(std::make_unique<FormulaContext>(*plan.context)),
          probe_(std::make_unique<FormulaContext>(*plan.context)) {
        const std::uint8_t* codes[3];
        const int n = colourFormulaCodes(*plan.settings, codes);
        std::uint64_t draws = 0;
        for (int i = 0; i < n; ++i) {
            draws += static_cast<std::uint64_t>(randomDrawsPerRun(codes[i]));
            memoUsed_ = memoUsed_ || callsFractal(codes[i]);
        }
        drawsPerPixel_ = draws * (plan.settings->oversample ? 4 : 1);
        pixelFactor_ = RandomState::jumpFactor(drawsPerPixel_);
        assert(pixelsBatchable(*plan.settings) && "the pass must be one that can be split");
        fractalKind_ = firstEscapeKind(codes, n);
        rowMemo_ = fractalKind_ != EscapeKind::None && !plan.settings->oversample;
        randomStart_ = RandomState::get();
        memo_ = memoOf(*plan.context);

        const int passRows = (plan.height + plan.step - 1) / plan.step;
        // Many more bands than threads: the pass ends when its last band does,
        // and with 8 per thread the tail left one core idle for ~3% of the
        // pass. On one thread too: a band's colours are still in the cache
        // when they are stored, where a whole pass's were not (julia-rgb 10%
        // faster). A band costs a context copy and a jump of the generator.
        const int wanted = plan.threads * kBandsPerThread;
        int bandCount = passRows < wanted ? passRows : wanted;
        std::int64_t passPixels = 0;
        for (int r = 0; r < passRows; ++r)
            passPixels += span(rowPy(r)).count;
        passPixels_ = passPixels;
        const std::int64_t fewest = plan.minBandPixels > 0 ? plan.minBandPixels
                                    : memoUsed_            ? kMinFractalBandPixels
                                                           : kMinBandPixels;
        if (passPixels / fewest < bandCount)
            bandCount = passPixels / fewest > 1 ? static_cast<int>(passPixels / fewest) : 1;
        const int rowsPerBand = (passRows + bandCount - 1) / bandCount;
        std::int64_t before = 0;
        for (int r = 0; r < passRows; r += rowsPerBand) {
            Band b;
            b.firstRow = r;
            b.rows = passRows - r < rowsPerBand ? passRows - r : rowsPerBand;
            b.pixelsBefore = before;
            // Bands that neither read nor leave any state are right wherever
            // and whenever they are computed.
            b.storeEarly = !memoUsed_ && drawsPerPixel_ == 0;
            for (int k = 0; k < b.rows; ++k)
                b.pixels += span(rowPy(r + k)).count;
            before += b.pixels;
            bands_.push_back(std::move(b));
        }
        sureGuesses_ = memoUsed_ && drawsPerPixel_ == 0 && !plan.settings->oversample;
        endX_ = memo_.x;
        endY_ = memo_.y;
        if (sureGuesses_) markSureGuesses(endX_, endY_);
        // Bands with draws are stored in pass order by the thread that checks
        // them, so they are taken in pass order: a share's bands done early
        // would all wait for the shares before them, and be stored at the end.
        shares_ = std::make_unique<BandShares>(static_cast<int>(bands_.size()),
                                               drawsPerPixel_ == 0 ? plan.threads : 1);
    }

    int bandCount() const { return static_cast<int>(bands_.size()); }

    // Called once every band is stored, on the thread that stored the last.
    void setOnStored(std::function<void()> stored) { onStored_ = std::move(stored); }

    // Makes this pass start where the pass `before` ends, which it may
    // overlap: its bands start from the random state jumped by every draw of
    // that pass, and are checked and stored in their turn only once that
    // pass is stored whole, from the memo it leaves. Set before any work.
    void follow(PassRunner& before) {
        before.following_ = this;
        randomStart_ = RandomState::jump(before.randomStart_,
                                         before.drawsPerPixel_ *
                                             static_cast<std::uint64_t>(before.passPixels_));
        // Every sample calls the fractal functions at its own point: the
        // memo's point after that pass is known now, so the guesses are too.
        endX_ = before.endX_;
        endY_ = before.endY_;
        if (sureGuesses_) markSureGuesses(endX_, endY_);
        open_ = false;
        // Blocks of the pass before cover this pass's pixels: none of them
        // may be stored before it is stored whole.
        heldUntilOpen_ = before.plan_.blocks && before.plan_.step >= 2;
    }

    // Takes, computes and stores bands until none is left or the pass halts;
    // any number of threads at once.
    void work() {
        for (;;) {
            const int taken = shares_->take(WorkerPool::seat());
            if (taken < 0) return;
            const auto i = static_cast<std::size_t>(taken);
            compute(bands_[i], nullptr);
            // Stored at once by the thread that computed them, from its cache:
            // stored by the other thread, the colours' round trip between the
            // cores made both compute a quarter slower (arith, 2 threads).
            Band& b = bands_[i];
            // Held: stored in its turn instead, once the pass is open.
            if (b.storeEarly && heldUntilOpen_ && !isOpen()) b.storeEarly = false;
            if (b.storeEarly && !b.stopped) {
                store(b, true);
                b.colours.reset();
            }
            {
                std::lock_guard<std::mutex> hold(commitMutex_);
                bands_[i].ready = true;
                if (halted_) return;
                // Another thread is storing: it takes this band in its turn,
                // and this one goes on computing instead of waiting. The same
                // while the pass before is not stored whole: the thread that
                // completes it takes this pass's ready bands.
                if (committing_ || !open_) continue;
                committing_ = true;
            }
            commitReady();
        }
    }

    // Once every work call has returned: leaves the state of the bands
    // stored, as the one-pixel loop would leave it; whether the pass completed.
    bool finish() {
        if (!open_) return false; // the pass before did not complete
        const std::uint64_t draws = drawsPerPixel_ * static_cast<std::uint64_t>(committedPixels_);
        if (draws != 0) RandomState::set(RandomState::jump(randomStart_, draws));
        if (memoUsed_) setMemo(*plan_.context, memo_);
        return !halted_ && next_ == bands_.size();
    }

  private:
    int rowPy(int passRow) const { return passRow * plan_.step; }
    // The loop sets y from the row only when it moves to the next row.
    double rowY(int py) const { return py == 0 ? vars_.top : py * vars_.ystep + vars_.top; }
    double columnX(int px) const { return px * vars_.xstep + vars_.left; }

    RowSpan span(int py) const {
        const int s = plan_.step;
        if (plan_.allPoints || (py & (2 * s - 1)) != 0)
            return RowSpan{0, s, (plan_.width + s - 1) / s};
        const int count = plan_.width > s ? (plan_.width - s + 2 * s - 1) / (2 * s) : 0;
        return RowSpan{s, 2 * s, count};
    }

    // The first sample of the band's first pixel, or of its last pixel:
    // where the band's fractal calls leave the memo, every sample calling
    // them at its own point.
    bool bandPoint(const Band& b, bool last, double& x, double& y) const {
        for (int i = 0; i < b.rows; ++i) {
            const int py = rowPy(b.firstRow + (last ? b.rows - 1 - i : i));
            const RowSpan sp = span(py);
            if (sp.count == 0) continue;
            x = columnX(sp.first + (last ? (sp.count - 1) * sp.stride : 0));
            y = rowY(py);
            return true;
        }
        return false;
    }
    bool firstPoint(const Band& b, double& x, double& y) const { return bandPoint(b, false, x, y); }

    // A band's guess that its first sample misses the memo is sure when that
    // sample's point differs from the last point before it (or the memo the
    // pass starts from). Such bands may be stored as soon as they are
    // computed, even by another thread than the one that checks them: their
    // colours stay in that thread's cache (on two threads, julia-rgb 3 and
    // mandel 1.5 percent faster in one spell, the same in another). One
    // sample a pixel, so the points are the pixels'.
    // lastX, lastY: the memo's point before the pass, then after it.
    void markSureGuesses(double& lastX, double& lastY) {
        for (Band& b : bands_) {
            double x = 0, y = 0;
            if (!firstPoint(b, x, y)) continue;
            b.storeEarly = !memoHit(lastX, lastY, x, y);
            bandPoint(b, true, lastX, lastY);
        }
    }

    // Computes the band's pixels, from the true memo when one is given, else
    // from one that the first sample cannot match (unless it is NaN in both).
    void compute(Band& b, const MemoSnapshot* trueMemo) {
        CancelScope cancel(stop_);
        // A copy per band: 3.5 KB, nothing next to the band's formula runs.
        const auto owned = std::make_unique<FormulaContext>(*snapshot_);
        FormulaContext& ctx = *owned;
        if (trueMemo) {
            setMemo(ctx, *trueMemo);
        } else {
            double x = 0, y = 0;
            if (firstPoint(b, x, y)) {
                ctx.memoX = x == 1.0 ? 2.0 : 1.0;
                ctx.memoY = y == 1.0 ? 2.0 : 1.0;
            }
        }
        std::int32_t random = RandomState::jump(
            randomStart_, drawsPerPixel_ * static_cast<std::uint64_t>(b.pixelsBefore));
        RandomState::ThreadStream stream(random);
        FrameVariables v = vars_;
        if (!b.colours)
            b.colours =
                std::make_unique_for_overwrite<std::uint32_t[]>(static_cast<std::size_t>(b.pixels));
        b.stopped = false;
        std::uint32_t* out = b.colours.get();
        RowMemo memo;
        int memoEnd = 0;  // the rows before it have their slots in memo
        int memoFrom = 0; // the slot of the row's first pixel
        for (int k = 0; k < b.rows; ++k) {
            const RowSpan sp = enterRow(b, k, v);
            if (rowMemo_ && k == memoEnd) {
                memoAhead(b, memoEnd, memo);
                memo.run(ctx, v, fractalKind_);
                memoFrom = 0;
                // A request that came meanwhile may have cut an iteration short.
                if (stop_.load(std::memory_order_relaxed)) {
                    b.stopped = true;
                    return;
                }
            }
            // Segments keep the time between two reads of the stop request
            // short however wide the row is.
            for (int done = 0; done < sp.count; done += kSegmentPixels) {
                if (stop_.load(std::memory_order_relaxed)) {
                    b.stopped = true;
                    return;
                }
                const int n = sp.count - done < kSegmentPixels ? sp.count - done : kSegmentPixels;
                const RowSpan part{sp.first + done * sp.stride, sp.stride, n};
                computeBatches(ctx, v, part, out, rowMemo_ ? &memo : nullptr, memoFrom + done);
                // A request that came meanwhile may have cut an iteration short.
                if (stop_.load(std::memory_order_relaxed)) {
                    b.stopped = true;
                    return;
                }
                out += n;
                if (plan_.afterSegment) plan_.afterSegment(n);
            }
            memoFrom += sp.count;
        }
        b.end = memoOf(ctx);
    }

    // Starts a run of the memo at the band's row `row` and adds rows until it
    // holds kMemoRunPoints pixels or the band ends; row ends past the last.
    void memoAhead(const Band& b, int& row, RowMemo& memo) const {
        memo.clear();
        FrameVariables v = vars_;
        while (row < b.rows && memo.size() < kMemoRunPoints) {
            const RowSpan sp = enterRow(b, row, v);
            memo.addRow(v, sp.first, sp.stride, sp.count);
            ++row;
        }
    }

    // Sets v's row to the band's row k, and gives that row's computed columns.
    RowSpan enterRow(const Band& b, int k, FrameVariables& v) const {
        const int py = rowPy(b.firstRow + k);
        v.py = py;
        v.y = rowY(py);
        return span(py);
    }

    // A row segment's pixels a batch at a time. Each lane starts from the
    // random state the one-pixel loop has there: the state before it, jumped
    // by one pixel's draws.
    // memo, when given, holds the memo slots of the segment's pixels from its
    // slot `from` on.
    void computeBatches(FormulaContext& ctx, const FrameVariables& v, const RowSpan& sp,
                        std::uint32_t* colours, const RowMemo* memo, int from) const {
        BatchSamples lanes;
        for (int i = 0, px = sp.first; i < sp.count; px += kBatchLanes * sp.stride) {
            const int n = sp.count - i < kBatchLanes ? sp.count - i : kBatchLanes;
            placeLanes(lanes, n, px, sp.stride, v);
            if (memo) memo->give(from + i, n, lanes);
            // Code without draws never reads the lanes' generator states:
            // filling them took a tenth of arith's time.
            if (drawsPerPixel_ != 0) {
                std::int32_t random = RandomState::get();
                for (int k = 0; k < n; ++k) {
                    lanes.random[k] = random;
                    random = RandomState::applyFactor(random, pixelFactor_);
                }
            }
            pixelColours(ctx, v, *plan_.settings, fractalKind_, lanes, colours + i,
                         memo != nullptr);
            if (drawsPerPixel_ != 0) RandomState::set(lanes.random[n - 1]);
            i += n;
        }
    }

    // Takes finished bands in pass order, checking each one's memo guess
    // against the band before it, and stores those not stored where they
    // were computed. One thread at a time does this; the mutex is held only
    // to look at the flags, not while storing.
    void commitReady() {
        for (;;) {
            Band* band;
            {
                std::lock_guard<std::mutex> hold(commitMutex_);
                if (halted_ || next_ >= bands_.size() || !bands_[next_].ready) {
                    committing_ = false;
                    return;
                }
                band = &bands_[next_];
            }
            Band& b = *band;
            double x = 0, y = 0;
            bool again = false;
            if (!b.stopped && memoUsed_ && firstPoint(b, x, y)) {
                setMemo(*probe_, memo_);
                again = memoHit(*probe_, x, y);
                if (again) compute(b, &memo_);
            }
            if (b.stopped) {
                std::lock_guard<std::mutex> hold(commitMutex_);
                halted_ = true;
                committing_ = false;
                return;
            }
            if (b.pixels > 0) memo_ = b.end;
            // A band stored early (it was not stopped, or it would have
            // halted the pass) is stored again only if its sure guess was
            // wrong after all, which the points rule out.
            if (!b.storeEarly || again) store(b, !b.storeEarly);
            committedPixels_ += b.pixels;
            b.colours.reset();
            bool whole;
            {
                std::lock_guard<std::mutex> hold(commitMutex_);
                whole = ++next_ == bands_.size();
            }
            if (!whole) continue;
            if (onStored_) onStored_();
            if (following_) following_->open(memo_);
        }
    }

    bool isOpen() {
        std::lock_guard<std::mutex> hold(commitMutex_);
        return open_;
    }

    // The pass before is stored whole and left memo: checks and stores the
    // bands ready so far, unless the pass has halted.
    void open(const MemoSnapshot& memo) {
        {
            std::lock_guard<std::mutex> hold(commitMutex_);
            memo_ = memo;
            open_ = true;
            if (halted_ || committing_) return;
            committing_ = true;
        }
        commitReady();
    }

    // Under the render lock once per band: a band is a few rows, stored in
    // microseconds. count: whether progress counts its pixels.
    void store(const Band& b, bool count) {
        std::size_t in = 0;
        lockBriefly(lock_);
        std::lock_guard<std::recursive_mutex> hold(lock_, std::adopt_lock);
        for (int k = 0; k < b.rows; ++k) {
            const int py = rowPy(b.firstRow + k);
            const RowSpan sp = span(py);
            if (plan_.step < 2 || !plan_.blocks) {
                std::uint32_t* row = target_.row(py);
                const std::uint32_t* colours = b.colours.get() + in;
                if (sp.stride == 1)
                    std::copy(colours, colours + sp.count, row + sp.first);
                else if (sp.stride == 2)
                    storeEveryOtherPixel(row + sp.first, colours, sp.count);
                else
                    for (int i = 0, px = sp.first; i < sp.count; ++i, px += sp.stride)
                        row[px] = colours[i];
                in += static_cast<std::size_t>(sp.count);
            } else {
                // The row's blocks a line at a time: what fillBlock would set,
                // without a call and a clip per block.
                const int s = plan_.step, width = target_.width();
                const int lines = target_.height() - py < s ? target_.height() - py : s;
                const std::uint32_t* colours = b.colours.get() + in;
                std::uint32_t* first = target_.row(py);
                for (int i = 0, px = sp.first; i < sp.count; ++i, px += sp.stride) {
                    const int end = width - px < s ? width : px + s;
                    std::fill(first + px, first + end, colours[i]);
                }
                // The other lines repeat the first over the blocks' columns:
                // all of them when the blocks tile the row.
                const bool tiled = sp.stride == s && sp.first == 0;
                for (int r = 1; r < lines; ++r) {
                    std::uint32_t* line = target_.row(py + r);
                    if (tiled) {
                        std::copy(first, first + width, line);
                        continue;
                    }
                    for (int i = 0, px = sp.first; i < sp.count; ++i, px += sp.stride) {
                        const int end = width - px < s ? width : px + s;
                        std::copy(first + px, first + end, line + px);
                    }
                }
                in += static_cast<std::size_t>(sp.count);
            }
        }
        if (count && plan_.pixelsDone)
            plan_.pixelsDone->fetch_add(b.pixels, std::memory_order_relaxed);
    }

    const PassPlan& plan_;
    const FrameVariables vars_;
    DibImage& target_;
    std::recursive_mutex& lock_;
    const std::atomic<bool>& stop_;
    std::unique_ptr<FormulaContext> snapshot_;
    std::unique_ptr<FormulaContext> probe_; // holds the true memo for the check
    std::uint64_t drawsPerPixel_ = 0;
    std::uint32_t pixelFactor_ = 1; // jumps the generator by one pixel's draws
    bool memoUsed_ = false;
    bool rowMemo_ = false; // the memo worked out a row at a time
    EscapeKind fractalKind_ = EscapeKind::None;
    std::int32_t randomStart_ = 1;
    std::vector<Band> bands_;
    std::unique_ptr<BandShares> shares_;
    std::function<void()> onStored_;
    PassRunner* following_ = nullptr; // the pass that follows this one, if any
    std::int64_t passPixels_ = 0;
    bool sureGuesses_ = false;
    double endX_ = 0, endY_ = 0; // the memo's point after the pass
    // Guards the bands' ready flags, next_, halted_ and committing_. The
    // thread that set committing_ alone touches memo_, committedPixels_ and
    // the stored bands until it clears it.
    std::mutex commitMutex_;
    std::size_t next_ = 0; // the next band to store
    MemoSnapshot memo_{};  // the true memo after the bands stored
    std::int64_t committedPixels_ = 0;
    bool halted_ = false;
    bool committing_ = false;
    bool open_ = true; // whether bands may be checked and stored: the pass before is stored
    bool heldUntilOpen_ = false; // whether even sure bands wait for open_
};

} // namespace

bool passCanBeSplit(const RenderSettings& settings) {
    if (gradientTableBuilt()) return true;
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(settings, codes);
    for (int i = 0; i < n; ++i)
        if (usesGradientNoise(codes[i])) return false;
    return true;
}

namespace {

// The passes one after another, each following the one before, in one round
// of the pool: no more threads than bands.
bool runPasses(std::span<const PassPlan> plans, DibImage& target, std::recursive_mutex& lock,
               const std::atomic<bool>& stop, WorkerPool& pool,
               const std::function<void(std::size_t)>& passStored) {
    if (plans.empty()) return true;
    std::vector<std::unique_ptr<PassRunner>> runners;
    int bands = 0;
    for (std::size_t k = 0; k < plans.size(); ++k) {
        runners.push_back(std::make_unique<PassRunner>(plans[k], target, lock, stop));
        if (k > 0) runners[k]->follow(*runners[k - 1]);
        // A pass is stored whole only after the pass before it.
        if (passStored) runners[k]->setOnStored([&passStored, k] { passStored(k); });
        bands += runners[k]->bandCount();
    }
    const int threads = plans.front().threads;
    pool.run((threads < bands ? threads : bands) - 1, [&] {
        for (const std::unique_ptr<PassRunner>& runner : runners) {
            runner->work();
            if (stop.load(std::memory_order_relaxed)) return;
        }
    });
    // In pass order: the last pass that began storing leaves the state.
    bool completed = true;
    for (const std::unique_ptr<PassRunner>& runner : runners)
        completed = runner->finish() && completed;
    return completed;
}

} // namespace

bool renderParallelPass(const PassPlan& plan, DibImage& target, std::recursive_mutex& lock,
                        const std::atomic<bool>& stop, WorkerPool& pool) {
    return runPasses(std::span<const PassPlan>(&plan, 1), target, lock, stop, pool, {});
}

bool renderOverlappedPasses(std::span<const PassPlan> plans, DibImage& target,
                            std::recursive_mutex& lock, const std::atomic<bool>& stop,
                            WorkerPool& pool, const std::function<void(std::size_t)>& passStored) {
    return runPasses(plans, target, lock, stop, pool, passStored);
}

int effectiveThreadCount(int requested) {
    if (requested > 0) return requested;
    // Counted once: the count is read from a system file each time, which
    // took 6 to 10 us a call on a virtual machine, twice in every render.
    static const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

} // namespace trevalin
