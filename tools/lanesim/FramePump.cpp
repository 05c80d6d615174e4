#include "FramePump.h"

#include <gst/gst.h>

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "FrameStamp.h"
#include "LaneArtist.h"
#include "LiveSources.h"

namespace lanesim {
namespace {

constexpr int kBytesPerPixel = 4;
constexpr gsize kFrameBytes = gsize{kVideoWidth} * kVideoHeight * kBytesPerPixel;

// Painted straight into the buffer's memory: no copy on the way out.
GstBuffer* Draw(virtual_lane::LaneArtist& artist, const virtual_lane::LaneLook& look) {
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, kFrameBytes, nullptr);
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  {
    QImage frame(map.data, kVideoWidth, kVideoHeight, kVideoWidth * kBytesPerPixel,
                 QImage::Format_RGB32);
    const qint64 captureMs = QDateTime::currentMSecsSinceEpoch();
    {
      QPainter painter(&frame);
      artist.Paint(painter, frame.rect(), look);
    }
    virtual_lane::PaintFrameStamp(frame, captureMs);
  }
  gst_buffer_unmap(buffer, &map);
  return buffer;
}

}  // namespace

FramePump::FramePump(std::function<virtual_lane::LaneLook()> look, const LiveSources& sources)
    : look_(std::move(look)),
      sources_(sources),
      thread_([this](std::stop_token stop) { Run(std::move(stop)); }) {}

// The artist keeps fonts and pixmaps: it is made and used on this thread only.
// After a stall the schedule starts again from now: late frames are not made
// up for with a burst.
void FramePump::Run(std::stop_token stop) {
  virtual_lane::LaneArtist artist;
  std::mutex mutex;
  std::condition_variable_any wake;
  auto due = std::chrono::steady_clock::now();
  while (!stop.stop_requested()) {
    if (!sources_.Empty()) {
      GstBuffer* frame = Draw(artist, look_());
      sources_.Push(frame);
      gst_buffer_unref(frame);
    }
    due = std::max(due + kFrameInterval, std::chrono::steady_clock::now());
    std::unique_lock lock(mutex);
    wake.wait_until(lock, stop, due, [] { return false; });
  }
}

}  // namespace lanesim
