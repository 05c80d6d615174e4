#include "VideoOutput.h"

#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <vector>

namespace field {
namespace {

// Little-endian RGB32: what QImage::Format_RGB32 holds in memory.
constexpr char kFrameCaps[] = "video/x-raw,format=BGRx";

GstCaps* Caps(const char* text) {
  return gst_caps_from_string(text);
}

}  // namespace

void WithFrameImage(GstSample* sample, const std::function<void(const QImage&)>& use) {
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return;
  const QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                     GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                     GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
  use(image);
  gst_video_frame_unmap(&frame);
}

VideoOutput::VideoOutput(GstBin* pipeline, quintptr window, QSize windowSize, bool live,
                         FrameObserver observer)
    : observer_(std::move(observer)) {
  const bool scaled = !windowSize.isEmpty();
  std::vector<const char*> factories = {"videoconvert", "capsfilter"};
  if (scaled) factories.insert(factories.end(), {"videoscale", "capsfilter"});
  factories.push_back(window != 0 ? "ximagesink" : "appsink");
  // All made before any is used: a missing one leaves nothing half built.
  std::vector<GstElement*> made;
  for (const char* factory : factories) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element == nullptr) {
      missing_ = QString::fromLatin1(factory);
      for (GstElement* unused : made) gst_object_unref(gst_object_ref_sink(unused));
      return;
    }
    made.push_back(element);
  }

  convert_ = made[0];
  GstElement* format = made[1];
  GstCaps* frameCaps = Caps(kFrameCaps);
  g_object_set(format, "caps", frameCaps, nullptr);
  gst_caps_unref(frameCaps);
  gst_bin_add_many(pipeline, convert_, format, nullptr);
  gst_element_link(convert_, format);

  GstPad* frames = gst_element_get_static_pad(format, "src");
  gst_pad_add_probe(frames, GST_PAD_PROBE_TYPE_BUFFER, &VideoOutput::OnFrame, this, nullptr);
  gst_object_unref(frames);

  // Scaled on the streaming thread to the size shown: ximagesink draws frames
  // at their own size, and the control then only copies pixels.
  GstElement* shown = format;
  if (scaled) {
    GstElement* scale = made[2];
    GstElement* size = made[3];
    GstCaps* sizeCaps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, windowSize.width(),
                                            "height", G_TYPE_INT, windowSize.height(),
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(size, "caps", sizeCaps, nullptr);
    gst_caps_unref(sizeCaps);
    gst_bin_add_many(pipeline, scale, size, nullptr);
    gst_element_link_many(format, scale, size, nullptr);
    shown = size;
  }
  GstElement* sink = made.back();
  if (window != 0) {
    g_object_set(sink, "sync", !live, "force-aspect-ratio", FALSE, "handle-events", FALSE, nullptr);
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
    gst_bin_add(pipeline, sink);
    gst_element_link(shown, sink);
    return;
  }
  g_object_set(sink, "sync", !live, "max-buffers", 1, "drop", TRUE, nullptr);
  gst_bin_add(pipeline, sink);
  gst_element_link(shown, sink);
  GstPad* painted = gst_element_get_static_pad(sink, "sink");
  gst_pad_add_probe(painted, GST_PAD_PROBE_TYPE_BUFFER, &VideoOutput::OnShown, this, nullptr);
  gst_object_unref(painted);
}

VideoOutput::~VideoOutput() {
  if (last_ != nullptr) gst_sample_unref(last_);
  if (shown_ != nullptr) gst_sample_unref(shown_);
}

QImage VideoOutput::LastFrame() const {
  QImage copy;
  WithLastFrame([&](const QImage& frame) { copy = frame.copy(); });
  return copy;
}

void VideoOutput::WithLastFrame(const std::function<void(const QImage&)>& use) const {
  WithSample(last_, use);
}

void VideoOutput::WithShownFrame(const std::function<void(const QImage&)>& use) const {
  WithSample(shown_ != nullptr ? shown_ : last_, use);
}

void VideoOutput::WithSample(GstSample* const& kept,
                             const std::function<void(const QImage&)>& use) const {
  GstSample* sample = nullptr;
  {
    const std::lock_guard lock(mutex_);
    if (kept != nullptr) sample = gst_sample_ref(kept);
  }
  if (sample == nullptr) return;
  WithFrameImage(sample, use);
  gst_sample_unref(sample);
}

GstSample* VideoOutput::Keep(GstPad* pad, GstPadProbeInfo* info, GstSample*& kept) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) return nullptr;
  GstSample* sample = gst_sample_new(GST_PAD_PROBE_INFO_BUFFER(info), caps, nullptr, nullptr);
  gst_caps_unref(caps);
  GstSample* previous = nullptr;
  {
    const std::lock_guard lock(mutex_);
    previous = kept;
    kept = sample;
  }
  if (previous != nullptr) gst_sample_unref(previous);
  return sample;
}

GstPadProbeReturn VideoOutput::OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
  auto& output = *static_cast<VideoOutput*>(self);
  GstSample* sample = output.Keep(pad, info, output.last_);
  // Only the streaming thread replaces last_, so the sample lives through the call.
  if (sample != nullptr && output.observer_) WithFrameImage(sample, output.observer_);
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn VideoOutput::OnShown(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
  auto& output = *static_cast<VideoOutput*>(self);
  output.Keep(pad, info, output.shown_);
  return GST_PAD_PROBE_OK;
}

}  // namespace field
