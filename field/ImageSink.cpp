#include "ImageSink.h"

#include <gst/app/gstappsrc.h>

#include "Gstreamer.h"

namespace field {

struct ImagePipeline {
  GstElement* pipeline = nullptr;
  GstElement* source = nullptr;
  std::unique_ptr<VideoOutput> output;

  ~ImagePipeline() {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
};

ImageSink::ImageSink() = default;

void ImageSink::SetFrameObserver(VideoOutput::FrameObserver observer) {
  const QMutexLocker lock(&observerMutex_);
  observer_ = std::move(observer);
}

ImageSink::~ImageSink() = default;

void ImageSink::SetSurface(quintptr surface, QSize size) {
  const QMutexLocker lock(&mutex_);
  if (surface == surface_ && size == surfaceSize_ && pipeline_) return;
  surface_ = surface;
  surfaceSize_ = size;
  pipeline_.reset();
}

// Called with mutex_ held; the pipeline follows the frames' size.
void ImageSink::Rebuild() {
  // Started with the first frame, on the drawing thread: never on the way to
  // the window's first paint.
  EnsureGstreamer();
  pipeline_.reset();
  auto built = std::make_unique<ImagePipeline>();
  built->pipeline = gst_pipeline_new(nullptr);
  built->source = gst_element_factory_make("appsrc", nullptr);
  // Without an element the frames are not shown; the lane goes on.
  if (built->source == nullptr) return;
  GstCaps* caps = gst_caps_new_simple(
      "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, frameSize_.width(),
      "height", G_TYPE_INT, frameSize_.height(), "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
  // Live, stamped as pushed, and never more than one frame waiting.
  g_object_set(built->source, "caps", caps, "is-live", TRUE, "do-timestamp", TRUE, "format",
               GST_FORMAT_TIME, "max-buffers", guint64{1}, nullptr);
  gst_util_set_object_arg(G_OBJECT(built->source), "leaky-type", "downstream");
  gst_caps_unref(caps);
  gst_bin_add(GST_BIN(built->pipeline), built->source);
  built->output = std::make_unique<VideoOutput>(GST_BIN(built->pipeline), surface_,
                                                surfaceSize_.isEmpty() ? frameSize_ : surfaceSize_,
                                                true, [this](const QImage& frame) {
                                                  const QMutexLocker lock(&observerMutex_);
                                                  if (observer_) observer_(frame);
                                                });
  if (!built->output->Missing().isEmpty()) return;
  gst_element_link(built->source, built->output->Input());
  gst_element_set_state(built->pipeline, GST_STATE_PLAYING);
  pipeline_ = std::move(built);
}

void ImageSink::Show(const QImage& frame) {
  const QImage rgb32 =
      frame.format() == QImage::Format_RGB32 ? frame : frame.convertToFormat(QImage::Format_RGB32);
  const QMutexLocker lock(&mutex_);
  if (!pipeline_ || rgb32.size() != frameSize_) {
    frameSize_ = rgb32.size();
    Rebuild();
    if (!pipeline_) return;
  }
  const auto bytes = static_cast<gsize>(rgb32.sizeInBytes());
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
  gst_buffer_fill(buffer, 0, rgb32.constBits(), bytes);
  gst_app_src_push_buffer(GST_APP_SRC(pipeline_->source), buffer);
}

QImage ImageSink::LastFrame() const {
  const QMutexLocker lock(&mutex_);
  return pipeline_ ? pipeline_->output->LastFrame() : QImage();
}

}  // namespace field
