#include "StreamVideo.h"

#include <QPainter>
#include <QUrl>
#include <algorithm>

#include "Gstreamer.h"
#include "MissingElement.h"

namespace field {

// One attempt at the stream. Torn down on the retiring pool: setting a
// pipeline to NULL may wait for a network read, never on the GUI thread.
struct Playback {
  GstElement* pipeline = nullptr;
  std::unique_ptr<VideoOutput> output;
  guint latencyMs = 0;
  // The camera sent something: a pad of its source, or the source's first bytes.
  std::atomic<bool> answered{false};

  ~Playback() {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
};

namespace {

// How long a stream may take to show its first picture before it is tried
// again: an RTSP source falls back from UDP to TCP within this.
constexpr int kFirstPictureMs = 6000;

QString Reason(GstMessage* message) {
  GError* error = nullptr;
  gst_message_parse_error(message, &error, nullptr);
  QString reason = QString::fromUtf8(error->message);
  const auto said = [&](const char* words) {
    return QString::fromUtf8(words) + " (" + reason + ')';
  };
  if (error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_AUTHORIZED) {
    reason = said("摄像机拒绝了用户名或密码");
  } else if (error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_FOUND) {
    reason = said("找不到视频流");
  } else if (error->domain == GST_RESOURCE_ERROR) {
    reason = said("连接不上");
  } else if (error->domain == GST_STREAM_ERROR ||
             (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)) {
    reason = said("无法解码这种视频");
  }
  g_error_free(error);
  return reason;
}

bool IsLive(const QString& url) {
  return !url.startsWith(QLatin1String("file:"));
}

bool HasProperty(GstElement* element, const char* name) {
  return g_object_class_find_property(G_OBJECT_GET_CLASS(element), name) != nullptr;
}

GstPadProbeReturn OnSourceBytes(GstPad*, GstPadProbeInfo*, gpointer playback) {
  static_cast<Playback*>(playback)->answered = true;
  return GST_PAD_PROBE_REMOVE;
}

gboolean WatchSourcePad(GstElement*, GstPad* pad, gpointer playback) {
  gst_pad_add_probe(
      pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
      &OnSourceBytes, playback, nullptr);
  return TRUE;
}

// An RTSP source adds its pads once the camera has described its stream.
void OnSourcePadAdded(GstElement*, GstPad*, gpointer playback) {
  static_cast<Playback*>(playback)->answered = true;
}

void OnSourceSetup(GstElement*, GstElement* source, gpointer data) {
  auto* playback = static_cast<Playback*>(data);
  gst_element_foreach_src_pad(source, &WatchSourcePad, playback);
  g_signal_connect(source, "pad-added", G_CALLBACK(OnSourcePadAdded), playback);
  if (HasProperty(source, "latency") && HasProperty(source, "drop-on-latency")) {
    g_object_set(source, "latency", playback->latencyMs, "drop-on-latency", TRUE, nullptr);
  }
  // An HTTP camera's MJPEG never ends: as a download it would wait for a
  // buffer to fill that only a file ever fills.
  if (HasProperty(source, "is-live")) g_object_set(source, "is-live", TRUE, nullptr);
}

// A stream joined between two key frames decodes to smeared garbage until
// the next one; the decoder keeps such pictures to itself. An MJPEG camera's
// multipart stream carries one picture stream only: said so, the demuxer lets
// the decoded video out at once instead of waiting for more streams.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
  if (HasProperty(element, "output-corrupt"))
    g_object_set(element, "output-corrupt", FALSE, nullptr);
  if (HasProperty(element, "single-stream")) g_object_set(element, "single-stream", TRUE, nullptr);
}

void OnPadAdded(GstElement*, GstPad* pad, gpointer input) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) caps = gst_pad_query_caps(pad, nullptr);
  const bool video =
      g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
  gst_caps_unref(caps);
  GstPad* sink = gst_element_get_static_pad(static_cast<GstElement*>(input), "sink");
  if (video && !gst_pad_is_linked(sink)) gst_pad_link(pad, sink);
  gst_object_unref(sink);
}

}  // namespace

StreamVideo::StreamVideo(QString urlTemplate, int latencyMs, QObject* parent)
    : camera::VideoBackend(parent), urlTemplate_(std::move(urlTemplate)), latencyMs_(latencyMs) {
  retiring_.setMaxThreadCount(1);
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { Start(); });
  unanswered_.setSingleShot(true);
  connect(&unanswered_, &QTimer::timeout, this, [this] {
    if (playback_ && !playback_->answered) OnFailure(generation_, QStringLiteral("摄像机无应答"));
  });
  stalled_.setSingleShot(true);
  connect(&stalled_, &QTimer::timeout, this, [this] {
    OnFailure(generation_, playing_ ? QStringLiteral("画面停止超过 %1 秒").arg(kStalledMs / 1000)
                                    : QStringLiteral("没有收到画面"));
  });
}

StreamVideo::~StreamVideo() {
  Stop();
  retiring_.waitForDone();
}

camera::Status StreamVideo::PutStreamAddress(const QString& address) {
  Stop();
  if (address != QLatin1String("0")) {
    lastFrame_ = QImage();  // another camera's picture is never this one's snapshot
    url_ = QString(urlTemplate_).replace(QLatin1String("{address}"), address);
    nextRetryMs_ = kFirstRetryMs;
    Start();
  }
  emit FrameChanged();
  return camera::Status::Ok();
}

void StreamVideo::SetSurface(quintptr surface, QSize size) {
  if (surface == surface_ && size == surfaceSize_) return;
  surface_ = surface;
  surfaceSize_ = size;
  if (playback_) Start();
}

void StreamVideo::SetFrameObserver(VideoOutput::FrameObserver observer) {
  const QMutexLocker lock(&observerMutex_);
  observer_ = std::move(observer);
}

QImage StreamVideo::LastFrame() const {
  // A playback restarted for a new window size has shown nothing yet; the
  // frame before the restart is still this camera's newest.
  if (playback_) {
    QImage frame = playback_->output->LastFrame();
    if (!frame.isNull()) return frame;
  }
  return lastFrame_;
}

void StreamVideo::Start() {
  // Not at construction: the window's first paint need not wait for GStreamer.
  EnsureGstreamer();
  Retire(std::move(playback_));
  const int generation = ++generation_;
  playing_ = false;
  state_ = QStringLiteral("正在连接 ") + WithoutCredentials(url_);

  GstElement* source = gst_element_factory_make("uridecodebin", nullptr);
  if (source == nullptr) {
    ShowMissing(QStringLiteral("uridecodebin"));
    return;
  }
  auto playback = std::make_unique<Playback>();
  playback->latencyMs = static_cast<guint>(latencyMs_);
  playback->pipeline = gst_pipeline_new(nullptr);
  gst_bin_add(GST_BIN(playback->pipeline), source);
  playback->output = std::make_unique<VideoOutput>(
      GST_BIN(playback->pipeline), surface_, surfaceSize_, IsLive(url_),
      [this, generation](const QImage& frame) {
        if (generation != generation_) return;
        {
          const QMutexLocker lock(&observerMutex_);
          if (observer_) observer_(frame);
        }
        if (!frameNoticePending_.exchange(true)) {
          QMetaObject::invokeMethod(
              this, [this, generation] { OnFrameShown(generation); }, Qt::QueuedConnection);
        }
      });
  // Never started, so taken down at once.
  if (!playback->output->Missing().isEmpty()) {
    ShowMissing(playback->output->Missing());
    return;
  }
  g_signal_connect(source, "source-setup", G_CALLBACK(OnSourceSetup), playback.get());
  g_signal_connect(source, "pad-added", G_CALLBACK(OnPadAdded), playback->output->Input());
  g_signal_connect(playback->pipeline, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);

  // Errors are handed to the GUI thread and dropped from the bus, which
  // nobody drains: nothing piles up however long a stream runs.
  struct Attempt {
    StreamVideo* self;
    int generation;
  };
  GstBus* bus = gst_element_get_bus(playback->pipeline);
  gst_bus_set_sync_handler(
      bus,
      [](GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<Attempt*>(data)->self;
        const int current = static_cast<Attempt*>(data)->generation;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
          const QString reason = Reason(message);
          QMetaObject::invokeMethod(
              self, [self, current, reason] { self->OnFailure(current, reason); },
              Qt::QueuedConnection);
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
          QMetaObject::invokeMethod(
              self, [self, current] { self->OnFailure(current, QStringLiteral("视频流结束")); },
              Qt::QueuedConnection);
        }
        // Dropped messages are the handler's to release; each holds its element.
        gst_message_unref(message);
        return GST_BUS_DROP;
      },
      new Attempt{this, generation}, [](gpointer data) { delete static_cast<Attempt*>(data); });
  gst_object_unref(bus);

  if (!gst_uri_is_valid(url_.toUtf8().constData())) {
    playback_ = std::move(playback);
    OnFailure(generation, QStringLiteral("不是有效的视频地址"));
    return;
  }
  g_object_set(source, "uri", url_.toUtf8().constData(), nullptr);
  gst_element_set_state(playback->pipeline, GST_STATE_PLAYING);
  playback_ = std::move(playback);
  unanswered_.start(kUnansweredMs);
  stalled_.start(kFirstPictureMs);
  emit FrameChanged();
}

void StreamVideo::ShowMissing(const QString& element) {
  const QString notice = MissingElementNotice(element);
  state_ = QStringLiteral("视频不可用: ") + notice;
  emit Unavailable(notice);
  emit FrameChanged();
}

void StreamVideo::Stop() {
  ++generation_;
  retry_.stop();
  unanswered_.stop();
  stalled_.stop();
  Retire(std::move(playback_));
  playing_ = false;
  state_.clear();
}

void StreamVideo::Retire(std::unique_ptr<Playback> playback) {
  if (!playback) return;
  lastFrame_ = playback->output->LastFrame();
  retiring_.start([doomed = playback.release()] { delete doomed; });
}

void StreamVideo::OnFrameShown(int generation) {
  frameNoticePending_ = false;
  if (generation != generation_) return;
  if (!playing_) {
    playing_ = true;
    state_.clear();
    nextRetryMs_ = kFirstRetryMs;
    emit Playing();
  }
  stalled_.start(kStalledMs);
  if (surface_ == 0) emit FrameChanged();
}

void StreamVideo::OnFailure(int generation, const QString& reason) {
  if (generation != generation_ || url_.isEmpty()) return;
  ++generation_;
  unanswered_.stop();
  stalled_.stop();
  Retire(std::move(playback_));
  playing_ = false;
  state_ = QStringLiteral("视频中断: %1\n%2 后重新连接 %3")
               .arg(reason)
               .arg(QStringLiteral("%1 秒").arg(nextRetryMs_ / 1000.0, 0, 'f', 2))
               .arg(WithoutCredentials(url_));
  emit Failed(reason);
  emit FrameChanged();
  retry_.start(nextRetryMs_);
  nextRetryMs_ = std::min(nextRetryMs_ * 2, kLongestRetryMs);
}

void StreamVideo::Paint(QPainter& painter, const QRect& area) {
  bool painted = false;
  // Painted straight from the decoded frame: a copy of every full-size frame
  // would cost the GUI thread more than the drawing.
  if (playing_ && playback_) {
    playback_->output->WithShownFrame([&](const QImage& frame) {
      painter.drawImage(area, frame);
      painted = true;
    });
  }
  if (painted) return;
  painter.fillRect(area, QColor(24, 24, 24));
  painter.setPen(QColor(170, 170, 170));
  painter.drawText(area.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                   state_.isEmpty() ? QStringLiteral("无信号") : state_);
}

}  // namespace field
