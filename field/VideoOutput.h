#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <mutex>

namespace field {

// The end of every video pipeline of the console. Frames are shown from
// GStreamer's streaming thread: into the video control's native window
// where the platform has one (X11), so a GUI thread held by a handler's
// pause or a modal box never stops them; elsewhere the newest frame is kept
// for the control to paint. Either way the newest frame, at the stream's own
// size, is kept for snapshots.
class VideoOutput {
 public:
  // Called on the streaming thread for every frame as it reaches the screen;
  // the image is valid only during the call.
  using FrameObserver = std::function<void(const QImage& frame)>;

  // Adds its elements to `pipeline`; decoded video goes to Input(). `window`
  // 0: no native window. `live`: shown as soon as decoded, never held back
  // to a clock. Adds nothing when an element is not installed: see Missing().
  VideoOutput(GstBin* pipeline, quintptr window, QSize windowSize, bool live,
              FrameObserver observer);
  ~VideoOutput();
  VideoOutput(const VideoOutput&) = delete;
  VideoOutput& operator=(const VideoOutput&) = delete;

  // Null when an element is missing.
  GstElement* Input() const { return convert_; }
  // The factory name of the element that is not installed; empty when all are.
  const QString& Missing() const { return missing_; }
  // A copy of the newest frame; null before the first.
  QImage LastFrame() const;
  // The newest frame without a copy, valid only during `use`; not called
  // before the first.
  void WithLastFrame(const std::function<void(const QImage&)>& use) const;
  // The same at the size shown, where the output scales; `use` as above.
  void WithShownFrame(const std::function<void(const QImage&)>& use) const;

 private:
  static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnShown(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  // Replaces `kept` with the probed buffer; the new sample, or null without caps.
  GstSample* Keep(GstPad* pad, GstPadProbeInfo* info, GstSample*& kept);
  void WithSample(GstSample* const& kept, const std::function<void(const QImage&)>& use) const;

  GstElement* convert_ = nullptr;
  QString missing_;
  FrameObserver observer_;
  mutable std::mutex mutex_;
  GstSample* last_ = nullptr;   // at the stream's size
  GstSample* shown_ = nullptr;  // at the size painted, without a native window
};

// A frame of format BGRx as a QImage over the mapped memory (no copy),
// handed to `use` while the mapping lasts.
void WithFrameImage(GstSample* sample, const std::function<void(const QImage&)>& use);

}  // namespace field
