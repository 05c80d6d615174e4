#pragma once

#include <QMutex>
#include <memory>

#include "FrameSink.h"
#include "VideoOutput.h"

namespace field {

struct ImagePipeline;

// A FrameSink through GStreamer: frames pushed into an appsrc and shown by
// the same display end as a camera's stream.
class ImageSink : public camera::FrameSink {
 public:
  ImageSink();
  ~ImageSink() override;

  void SetSurface(quintptr surface, QSize size) override;
  void Show(const QImage& frame) override;
  QImage LastFrame() const override;
  // Called on the streaming thread for every frame shown (tests, benchmarks).
  void SetFrameObserver(VideoOutput::FrameObserver observer);

 private:
  void Rebuild();

  QMutex observerMutex_;
  VideoOutput::FrameObserver observer_;
  mutable QMutex mutex_;
  quintptr surface_ = 0;
  QSize surfaceSize_;
  QSize frameSize_;
  std::unique_ptr<ImagePipeline> pipeline_;
};

}  // namespace field
