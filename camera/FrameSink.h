#pragma once

#include <QImage>
#include <QSize>

namespace camera {

// Shows frames handed in from a thread other than the GUI thread, so that a
// GUI thread held by a handler's pause or a modal box never stops them:
// where the platform allows, straight into the video control's native
// surface.
class FrameSink {
 public:
  virtual ~FrameSink() = default;

  // The control's native surface and its size, as VideoBackend::SetSurface
  // receives them.
  virtual void SetSurface(quintptr surface, QSize size) = 0;
  // From any thread. A frame that comes while the one before is still on its
  // way replaces it: frames are never queued.
  virtual void Show(const QImage& frame) = 0;
  // The newest frame shown; null before the first.
  virtual QImage LastFrame() const = 0;
};

}  // namespace camera
