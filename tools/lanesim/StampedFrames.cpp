#include "StampedFrames.h"

#include <QDateTime>

#include "FrameStamp.h"
#include "LiveSources.h"

namespace lanesim {
namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

StampedFrames::~StampedFrames() {
  Release();
}

QImage StampedFrames::Canvas(QSize size) {
  Release();
  if (sources_.Empty()) return {};
  const int stride = size.width() * kBytesPerPixel;
  buffer_ = gst_buffer_new_allocate(nullptr, gsize(stride) * gsize(size.height()), nullptr);
  gst_buffer_map(buffer_, &map_, GST_MAP_WRITE);
  captureMs_ = QDateTime::currentMSecsSinceEpoch();
  return QImage(map_.data, size.width(), size.height(), stride, QImage::Format_RGB32);
}

void StampedFrames::Take(QImage& frame) {
  virtual_lane::PaintFrameStamp(frame, captureMs_);
  gst_buffer_unmap(buffer_, &map_);
  sources_.Push(buffer_);
  gst_buffer_unref(buffer_);
  buffer_ = nullptr;
}

void StampedFrames::Release() {
  if (buffer_ == nullptr) return;
  gst_buffer_unmap(buffer_, &map_);
  gst_buffer_unref(buffer_);
  buffer_ = nullptr;
}

}  // namespace lanesim
