#include "JpegFastDecode.h"

#include <QScopeGuard>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>

#include "JpegEntropyDecoder.h"
#include "JpegQuarterPixels.h"
#include "JpegScan.h"

namespace jpegfast {

namespace {

// What both halves read; a second half that is no longer needed may still be
// finishing an MCU after the first has returned.
struct Job {
  Scan scan;
  EntropyData entropy;
};

// Decodes MCU after MCU, jumping to the next restart interval's data where
// one begins. Fails where an MCU needs bits beyond its interval's data,
// where libjpeg would hit the marker.
class McuWalker {
 public:
  McuWalker(const Job& job, std::size_t firstMcu)
      : job_(job),
        mcu_(firstMcu),
        decoder_(job.scan.layout.coding, job.entropy.bytes(), SegmentOf().begin * 8),
        endBit_(SegmentOf().end * 8) {}

  bool Next(McuStore& store, std::size_t slot) {
    const std::size_t interval = job_.scan.restartInterval;
    if (interval != 0 && mcu_ % interval == 0) {
      decoder_.Restart(SegmentOf().begin * 8);
      endBit_ = SegmentOf().end * 8;
    }
    ++mcu_;
    return decoder_.Decode(store.Dc(slot), store.Ac(slot)) && decoder_.Position() <= endBit_;
  }

  std::size_t Position() const { return decoder_.Position(); }
  const Predictors& predictors() const { return decoder_.predictors(); }

 private:
  const Segment& SegmentOf() const {
    const std::size_t interval = job_.scan.restartInterval;
    return job_.entropy.segments[interval == 0 ? 0 : mcu_ / interval];
  }

  const Job& job_;
  std::size_t mcu_;
  McuDecoder decoder_;
  std::size_t endBit_;
};

// From which MCU on the first half takes the second half's MCUs, and how.
struct Handover {
  std::size_t secondFirst;
  Predictors dcShift;
};

// The second half of the entropy decode, on a pool thread or run ahead of the
// first. The first half waits for it only once it is known to be ahead; one
// that falls behind is stopped, and the first half decodes on by itself.
class SecondHalf {
 public:
  explicit SecondHalf(std::shared_ptr<const Job> job)
      : store(job->scan.layout.coding, job->scan.mcus), job_(std::move(job)) {}
  virtual ~SecondHalf() = default;
  SecondHalf(const SecondHalf&) = delete;
  SecondHalf& operator=(const SecondHalf&) = delete;

  void RunAndSignal() {
    Run();
    finished_.store(true, std::memory_order_release);
    finished_.notify_all();
  }
  void Stop() { stop_.store(true, std::memory_order_relaxed); }

  // Called by the first half before it decodes `mcu`, its decoder at `bit`.
  virtual std::optional<Handover> TakeOver(std::size_t mcu, std::size_t bit,
                                           const Predictors& predictors) = 0;

  McuStore store;

 protected:
  virtual void Run() = 0;
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  void WaitUntilFinished() const { finished_.wait(false, std::memory_order_acquire); }
  const Job& job() const { return *job_; }

 private:
  std::shared_ptr<const Job> job_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
};

// Without restart markers the second half can only guess where an MCU
// starts. It records its state at each MCU it decodes; decoding depends on
// nothing but the bit position and the block within the MCU, so once the
// first half reaches a recorded position at an MCU start, every MCU the
// second half decoded from there on is the first half's next, with DC
// predictors off by the difference of the two halves' predictors there.
class GuessedHalf : public SecondHalf {
 public:
  GuessedHalf(std::shared_ptr<const Job> job, std::size_t startBit)
      : SecondHalf(job), startBit_(startBit), boundaries_(job->scan.mcus * sizeof(Boundary)) {}

  std::optional<Handover> TakeOver(std::size_t mcu, std::size_t bit,
                                   const Predictors& predictors) override {
    if (!watching_ || bit < startBit_) return std::nullopt;
    const std::optional<Meeting> meeting = Look(bit, predictors);
    if (!meeting) return std::nullopt;
    // Met, it is ahead of this thread: its MCUs come sooner by waiting than by decoding on.
    WaitUntilFinished();
    watching_ = false;
    if (meeting->secondMcu < runStart_ || meeting->secondMcu + (job().scan.mcus - mcu) > runEnd_) {
      // The run that met ended in an error: the first half will find it too.
      return std::nullopt;
    }
    return Handover{meeting->secondMcu, meeting->dcShift};
  }

 protected:
  void Run() override {
    const Job& work = job();
    McuDecoder decoder(work.scan.layout.coding, work.entropy.bytes(), startBit_);
    const std::size_t endBit = work.entropy.segments[0].end * 8;
    for (std::size_t mcu = 0; mcu < work.scan.mcus && !Stopped(); ++mcu) {
      boundaries_.As<Boundary>()[mcu] = {decoder.Position(), decoder.predictors()};
      published_.store(mcu + 1, std::memory_order_release);
      const bool decoded = decoder.Decode(store.Dc(mcu), store.Ac(mcu));
      if (decoder.Position() > endBit) break;
      if (decoded) {
        runEnd_ = mcu + 1;
        continue;
      }
      // A wrong guess of where an MCU starts soon decodes nonsense; guess again further on.
      decoder.Restart((decoder.Position() / 8 + 1) * 8);
      runStart_ = runEnd_ = mcu + 1;
    }
  }

 private:
  struct Boundary {
    std::size_t bit;
    Predictors predictors;
  };
  struct Meeting {
    std::size_t secondMcu;
    Predictors dcShift;
  };

  // Merges the first half's MCU starts with the recorded ones; the cursor
  // only moves on.
  std::optional<Meeting> Look(std::size_t bit, const Predictors& predictors) {
    const std::size_t ready = published_.load(std::memory_order_acquire);
    while (cursor_ < ready && boundaries_.As<Boundary>()[cursor_].bit < bit) ++cursor_;
    if (cursor_ == ready) {
      // The second half has not got this far: it started late or gets no
      // processor, and can no longer catch up. Whatever it still decodes is waste.
      watching_ = false;
      Stop();
      return std::nullopt;
    }
    if (boundaries_.As<Boundary>()[cursor_].bit != bit) return std::nullopt;
    Meeting meeting{cursor_, {}};
    for (std::size_t c = 0; c < predictors.size(); ++c) {
      meeting.dcShift[c] = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(predictors[c]) -
          static_cast<std::uint32_t>(boundaries_.As<Boundary>()[cursor_].predictors[c]));
    }
    return meeting;
  }

  const std::size_t startBit_;
  RecycledBuffer boundaries_;  // of Boundary
  std::atomic<std::size_t> published_{0};
  // The last run of MCUs decoded one after another, without a new guess.
  std::size_t runStart_ = 0;
  std::size_t runEnd_ = 0;
  // The first half's side.
  std::size_t cursor_ = 0;
  bool watching_ = true;
};

// With restart markers the second half starts exactly at an interval.
class RestartHalf : public SecondHalf {
 public:
  RestartHalf(std::shared_ptr<const Job> job, std::size_t firstMcu)
      : SecondHalf(job), firstMcu_(firstMcu) {}

  std::optional<Handover> TakeOver(std::size_t mcu, std::size_t, const Predictors&) override {
    if (mcu != firstMcu_) return std::nullopt;
    if (decoded_.load(std::memory_order_relaxed) == 0 && !Finished()) {
      // Not even started: it gets no processor, and this thread carries on.
      Stop();
      return std::nullopt;
    }
    WaitUntilFinished();
    if (!succeeded_) return std::nullopt;
    return Handover{0, {}};
  }

 protected:
  void Run() override {
    McuWalker walker(job(), firstMcu_);
    for (std::size_t mcu = firstMcu_; mcu < job().scan.mcus; ++mcu) {
      if (Stopped() || !walker.Next(store, mcu - firstMcu_)) return;
      decoded_.store(mcu - firstMcu_ + 1, std::memory_order_relaxed);
    }
    succeeded_ = true;
  }

 private:
  const std::size_t firstMcu_;
  std::atomic<std::size_t> decoded_{0};
  bool succeeded_ = false;
};

std::shared_ptr<SecondHalf> StartSecondHalf(const std::shared_ptr<const Job>& job, SplitPlan plan) {
  const Scan& scan = job->scan;
  const EntropyData& entropy = job->entropy;
  const std::size_t splitByte =
      plan.mode == SplitPlan::Mode::Automatic ? entropy.segments.back().end / 2 : plan.byte;
  std::shared_ptr<SecondHalf> half;
  if (plan.mode == SplitPlan::Mode::SingleThread) return half;
  if (scan.restartInterval == 0) {
    if (splitByte >= entropy.segments[0].end) return half;
    half = std::make_shared<GuessedHalf>(job, splitByte * 8);
  } else {
    for (std::size_t interval = 1; interval * scan.restartInterval < scan.mcus; ++interval) {
      if (entropy.segments[interval].begin >= splitByte) {
        half = std::make_shared<RestartHalf>(job, interval * scan.restartInterval);
        break;
      }
    }
    if (!half) return half;
  }
  if (plan.mode == SplitPlan::Mode::SecondHalfFirst) {
    half->RunAndSignal();
    return half;
  }
  if (!QThreadPool::globalInstance()->tryStart([half] { half->RunAndSignal(); })) half.reset();
  return half;
}

// MCU rows painted by whichever thread takes them first, a few at a time;
// a helper that starts late finds nothing left to do.
class SharedPaint {
 public:
  SharedPaint(const PictureLayout& layout, const DecodedMcus& mcus, std::uint8_t* pixels,
              std::ptrdiff_t bytesPerLine)
      : layout_(layout),
        mcus_(mcus),
        pixels_(pixels),
        bytesPerLine_(bytesPerLine),
        rows_(layout.mcuRows) {}

  // Touches the picture and its layout only for rows it takes.
  void Help() {
    for (int first = next_.fetch_add(kRowsAtOnce); first < rows_;
         first = next_.fetch_add(kRowsAtOnce)) {
      const int end = std::min(first + kRowsAtOnce, rows_);
      PaintMcuRows(layout_, mcus_, first, end, pixels_, bytesPerLine_);
      done_.fetch_add(end - first, std::memory_order_release);
      done_.notify_all();
    }
  }

  // Returns once every row is painted, by this thread or the helper.
  void Finish() {
    Help();
    for (int done = done_.load(std::memory_order_acquire); done != rows_;
         done = done_.load(std::memory_order_acquire)) {
      done_.wait(done, std::memory_order_acquire);
    }
  }

 private:
  static constexpr int kRowsAtOnce = 4;

  const PictureLayout& layout_;
  const DecodedMcus& mcus_;
  std::uint8_t* const pixels_;
  const std::ptrdiff_t bytesPerLine_;
  const int rows_;
  std::atomic<int> next_{0};
  std::atomic<int> done_{0};
};

FastDecode Decode(const jpeg_decompress_struct& info, SplitPlan plan) {
  auto job = std::make_shared<Job>();
  if (!Describe(info, job->scan)) return {};
  job->entropy = Unstuff(job->scan.data, job->scan.restartInterval != 0);
  if (!IntervalsComplete(job->scan, job->entropy)) return {};
  const Scan& scan = job->scan;

  McuStore store(scan.layout.coding, scan.mcus);
  DecodedMcus mcus{.first = &store};
  const std::shared_ptr<SecondHalf> second = StartSecondHalf(job, plan);
  const auto stopSecond = qScopeGuard([&] {
    if (second) second->Stop();
  });
  McuWalker walker(*job, 0);
  for (std::size_t mcu = 0; mcu < scan.mcus; ++mcu) {
    if (second) {
      if (const auto handover = second->TakeOver(mcu, walker.Position(), walker.predictors())) {
        mcus.second = &second->store;
        mcus.secondFrom = mcu;
        mcus.secondFirst = handover->secondFirst;
        mcus.dcShift = handover->dcShift;
        break;
      }
    }
    if (!walker.Next(store, mcu)) return {};
  }

  QImage picture(scan.layout.width, scan.layout.height, QImage::Format_RGB32);
  if (picture.isNull()) return {};
  auto paint =
      std::make_shared<SharedPaint>(scan.layout, mcus, picture.bits(), picture.bytesPerLine());
  if (plan.mode != SplitPlan::Mode::SingleThread) {
    QThreadPool::globalInstance()->tryStart([paint] { paint->Help(); });
  }
  paint->Finish();
  const std::size_t fromSecond = mcus.second ? scan.mcus - mcus.secondFrom : 0;
  return {std::move(picture), fromSecond};
}

}  // namespace

FastDecode DecodeQuarterScale(const jpeg_decompress_struct& info, SplitPlan plan) {
  try {
    return Decode(info, plan);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace jpegfast
