#include "LaneRenderer.h"

#include <QPainter>
#include <chrono>

#include "Lane.h"
#include "LaneArtist.h"

namespace virtual_lane {

LaneRenderer::LaneRenderer(FrameTarget& target, int frameIntervalMs)
    : target_(target), frameIntervalMs_(frameIntervalMs), thread_([this] { Run(); }) {
  looks_.setInterval(frameIntervalMs_);
  QObject::connect(&looks_, &QTimer::timeout, [this] { TakeLook(); });
}

LaneRenderer::~LaneRenderer() {
  {
    const std::lock_guard lock(mutex_);
    running_ = false;
  }
  stopped_.notify_one();
  thread_.join();
}

void LaneRenderer::Show(const Lane* lane) {
  lane_ = lane;
  TakeLook();
}

void LaneRenderer::SetSize(QSize size) {
  const std::lock_guard lock(mutex_);
  size_ = size;
}

void LaneRenderer::TakeLook() {
  std::optional<LaneLook> look;
  if (lane_) {
    look = lane_->Look();
    if (!looks_.isActive()) looks_.start();
  } else {
    looks_.stop();
  }
  const std::lock_guard lock(mutex_);
  look_ = std::move(look);
}

// The artist keeps fonts and images: it is made and used on this thread only.
void LaneRenderer::Run() {
  LaneArtist artist;
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    std::optional<LaneLook> look;
    QSize size;
    {
      std::unique_lock lock(mutex_);
      // Wakes at the next frame's time, or at once when told to stop.
      if (stopped_.wait_until(lock, next, [this] { return !running_; })) return;
      look = look_;
      size = size_;
    }
    QImage frame = size.isEmpty() ? QImage() : target_.Canvas(size);
    if (!frame.isNull()) {
      {
        QPainter painter(&frame);
        if (look) {
          artist.Paint(painter, frame.rect(), *look);
        } else {
          LaneArtist::PaintNoSignal(painter, frame.rect());
        }
      }
      target_.Take(frame);
    }
    next += std::chrono::milliseconds(frameIntervalMs_);
    const auto now = std::chrono::steady_clock::now();
    if (next < now) next = now;  // after a stall, carry on at the pace, no burst
  }
}

}  // namespace virtual_lane
