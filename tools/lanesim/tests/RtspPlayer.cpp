#include "RtspPlayer.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace lanesim::testing {

// The sink keeps only the newest few frames: a test reading slowly never
// holds the stream back.
RtspPlayer::RtspPlayer(const QString& url) {
  gst_init(nullptr, nullptr);
  const QByteArray launch =
      QStringLiteral(
          "rtspsrc location=%1 latency=100 ! rtph264depay ! h264parse ! avdec_h264 ! videoconvert "
          "! video/x-raw,format=BGRx ! appsink name=sink sync=false max-buffers=4 drop=true")
          .arg(url)
          .toUtf8();
  GError* error = nullptr;
  pipeline_ = gst_parse_launch(launch.constData(), &error);
  if (error) {
    qWarning("cannot play %s: %s", launch.constData(), error->message);
    g_error_free(error);
  }
  if (!pipeline_) return;
  sink_ = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

RtspPlayer::~RtspPlayer() {
  if (!pipeline_) return;
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  if (sink_) gst_object_unref(sink_);
  gst_object_unref(pipeline_);
}

QImage RtspPlayer::NextFrame(const QDeadlineTimer& deadline) {
  if (!sink_) return {};
  GstSample* sample = gst_app_sink_try_pull_sample(
      GST_APP_SINK(sink_), static_cast<GstClockTime>(deadline.remainingTimeNSecs()));
  if (!sample) return {};
  QImage frame;
  GstVideoInfo info;
  GstMapInfo map;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
      gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    frame = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                   GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32)
                .copy();
    gst_buffer_unmap(buffer, &map);
  }
  gst_sample_unref(sample);
  return frame;
}

}  // namespace lanesim::testing
