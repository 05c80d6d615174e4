#include "LaneRenderer.h"

#include <QImage>
#include <QPainter>
#include <chrono>

#include "LaneArtist.h"

namespace virtual_lane {

LaneRenderer::LaneRenderer(camera::FrameSink& sink, int frameIntervalMs)
    : sink_(sink), frameIntervalMs_(frameIntervalMs), thread_([this] { Run(); }) {}

LaneRenderer::~LaneRenderer() {
  {
    const std::lock_guard lock(mutex_);
    running_ = false;
  }
  stopped_.notify_one();
  thread_.join();
}

void LaneRenderer::SetLook(std::optional<LaneLook> look) {
  const std::lock_guard lock(mutex_);
  look_ = std::move(look);
}

void LaneRenderer::SetSize(QSize size) {
  const std::lock_guard lock(mutex_);
  size_ = size;
}

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
    if (!size.isEmpty()) {
      QImage frame(size, QImage::Format_RGB32);
      QPainter painter(&frame);
      if (look) {
        artist.Paint(painter, frame.rect(), *look);
      } else {
        LaneArtist::PaintNoSignal(painter, frame.rect());
      }
      painter.end();
      sink_.Show(frame);
    }
    next += std::chrono::milliseconds(frameIntervalMs_);
    const auto now = std::chrono::steady_clock::now();
    if (next < now) next = now;  // after a stall, carry on at the pace, no burst
  }
}

}  // namespace virtual_lane
