#pragma once

#include <QImage>
#include <QSize>

namespace virtual_lane {

// Where a LaneRenderer's frames go; called on the renderer's thread only. The
// target hands out the image to draw into, so a frame can be drawn straight
// into the memory it leaves in, and takes it back drawn.
class FrameTarget {
 public:
  virtual ~FrameTarget() = default;

  // An RGB32 image of `size` for the next frame; a null image when nobody
  // wants one now, and nothing is drawn.
  virtual QImage Canvas(QSize size) = 0;
  // The image Canvas gave, drawn.
  virtual void Take(QImage& frame) = 0;
};

}  // namespace virtual_lane
