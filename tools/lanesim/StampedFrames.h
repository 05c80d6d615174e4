#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QtGlobal>

#include "FrameTarget.h"

namespace lanesim {

class LiveSources;

// The lane's video frames for every live source: each drawn straight into a
// GStreamer buffer's memory (no copy on the way out), stamped with the moment
// its drawing began, and pushed to every source. No frame is wanted while no
// source is live.
class StampedFrames : public virtual_lane::FrameTarget {
 public:
  explicit StampedFrames(const LiveSources& sources) : sources_(sources) {}
  ~StampedFrames() override;
  StampedFrames(const StampedFrames&) = delete;
  StampedFrames& operator=(const StampedFrames&) = delete;

  QImage Canvas(QSize size) override;
  void Take(QImage& frame) override;

 private:
  void Release();

  const LiveSources& sources_;
  GstBuffer* buffer_ = nullptr;
  GstMapInfo map_{};
  qint64 captureMs_ = 0;
};

}  // namespace lanesim
