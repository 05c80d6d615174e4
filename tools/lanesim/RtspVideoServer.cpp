// Before any Qt header: GLib's use `signals` as a name, Qt defines it.
#include <gst/rtsp-server/rtsp-server.h>

#include "RtspVideoServer.h"

#include <array>

#include "LaneRenderer.h"
#include "LiveSources.h"
#include "StampedFrames.h"

namespace lanesim {
namespace {

constexpr char kMountPath[] = "/lane";
constexpr char kSourceName[] = "lane";
// Where the server's RTP and RTCP sockets for UDP clients are bound.
constexpr guint16 kFirstRtpPort = 40000;
constexpr guint16 kLastRtpPort = 60999;

struct Element {
  const char* name;
  const char* package;
};
constexpr std::array kElements{
    Element{"appsrc", "gstreamer1.0-plugins-base"},
    Element{"videoconvert", "gstreamer1.0-plugins-base"},
    Element{"x264enc", "gstreamer1.0-plugins-ugly"},
    Element{"rtph264pay", "gstreamer1.0-plugins-good"},
};

// A keyframe every second, so that a client joining the shared stream, or
// coming back, has a picture within a second.
QByteArray Launch() {
  return QStringLiteral(
             "( appsrc name=%1 is-live=true format=time do-timestamp=true max-bytes=0 "
             "max-buffers=2 leaky-type=downstream "
             "caps=video/x-raw,format=BGRx,width=%2,height=%3,framerate=%4/1 "
             "! videoconvert ! video/x-raw,format=I420 "
             "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=%4 "
             "! rtph264pay name=pay0 pt=96 config-interval=1 )")
      .arg(QLatin1String(kSourceName))
      .arg(kVideoWidth)
      .arg(kVideoHeight)
      .arg(kFramesPerSecond)
      .toUtf8();
}

QString Missing() {
  for (const Element& element : kElements) {
    GstElementFactory* factory = gst_element_factory_find(element.name);
    if (!factory) {
      return QStringLiteral("GStreamer has no %1 (Debian package %2)")
          .arg(QLatin1String(element.name), QLatin1String(element.package));
    }
    gst_object_unref(factory);
  }
  return {};
}

// Every signal connection and weak reference holds the sources for as long as
// the object it watches lives, which may be longer than the server.
using SharedSources = std::shared_ptr<LiveSources>;

void ForgetSources(gpointer sources, GClosure*) {
  delete static_cast<SharedSources*>(sources);
}

void OnUnprepared(GstRTSPMedia* media, gpointer sources) {
  (*static_cast<SharedSources*>(sources))->Remove(media);
}

void OnMediaGone(gpointer sources, GObject* media) {
  (*static_cast<SharedSources*>(sources))->Remove(media);
  delete static_cast<SharedSources*>(sources);
}

void OnMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer data) {
  const SharedSources& sources = *static_cast<SharedSources*>(data);
  GstElement* bin = gst_rtsp_media_get_element(media);
  GstElement* source = gst_bin_get_by_name(GST_BIN(bin), kSourceName);
  sources->Add(media, source);
  gst_object_unref(source);
  gst_object_unref(bin);
  g_signal_connect_data(media, "unprepared", G_CALLBACK(OnUnprepared), new SharedSources(sources),
                        ForgetSources, GConnectFlags{});
  g_object_weak_ref(G_OBJECT(media), OnMediaGone, new SharedSources(sources));
}

GstRTSPFilterResult Close(GstRTSPServer*, GstRTSPClient*, gpointer) {
  return GST_RTSP_FILTER_REMOVE;
}

}  // namespace

std::unique_ptr<RtspVideoServer> RtspVideoServer::Start(std::uint16_t port,
                                                        const virtual_lane::Lane& lane,
                                                        QString& error) {
  GError* failure = nullptr;
  if (!gst_init_check(nullptr, nullptr, &failure)) {
    error = QStringLiteral("GStreamer did not start: %1").arg(QString::fromUtf8(failure->message));
    g_error_free(failure);
    return nullptr;
  }
  error = Missing();
  if (!error.isEmpty()) return nullptr;
  std::unique_ptr<RtspVideoServer> server(new RtspVideoServer());
  if (!server->Listen(port, error)) return nullptr;
  server->frames_ = std::make_unique<StampedFrames>(*server->sources_);
  server->renderer_ = std::make_unique<virtual_lane::LaneRenderer>(
      *server->frames_, static_cast<int>(kFrameInterval.count()));
  server->renderer_->SetSize({kVideoWidth, kVideoHeight});
  server->renderer_->Show(&lane);
  server->thread_ = std::thread(&RtspVideoServer::Serve, server.get());
  return server;
}

RtspVideoServer::RtspVideoServer()
    : sources_(std::make_shared<LiveSources>()),
      context_(g_main_context_new()),
      loop_(g_main_loop_new(context_, FALSE)),
      server_(gst_rtsp_server_new()) {}

RtspVideoServer::~RtspVideoServer() {
  renderer_.reset();
  if (thread_.joinable()) {
    g_main_context_invoke(
        context_,
        [](gpointer server) {
          static_cast<RtspVideoServer*>(server)->CloseAndQuit();
          return gboolean{G_SOURCE_REMOVE};
        },
        this);
    thread_.join();
  }
  // What closing the clients left to do: their sessions end, their media stop.
  while (g_main_context_iteration(context_, FALSE)) {
  }
  if (listening_) {
    g_source_destroy(listening_);
    g_source_unref(listening_);
  }
  g_object_unref(server_);
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

QString RtspVideoServer::Url() const {
  return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(kMountPath));
}

bool RtspVideoServer::Listen(std::uint16_t port, QString& error) {
  gst_rtsp_server_set_address(server_, "127.0.0.1");
  gst_rtsp_server_set_service(server_, QByteArray::number(port).constData());

  GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
  gst_rtsp_media_factory_set_launch(factory, Launch().constData());
  gst_rtsp_media_factory_set_shared(factory, TRUE);
  GstRTSPAddressPool* pool = gst_rtsp_address_pool_new();
  gst_rtsp_address_pool_add_range(pool, "127.0.0.1", "127.0.0.1", kFirstRtpPort, kLastRtpPort, 0);
  gst_rtsp_media_factory_set_address_pool(factory, pool);
  g_object_unref(pool);
  g_signal_connect_data(factory, "media-configure", G_CALLBACK(OnMediaConfigure),
                        new SharedSources(sources_), ForgetSources, GConnectFlags{});
  GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server_);
  gst_rtsp_mount_points_add_factory(mounts, kMountPath, factory);
  g_object_unref(mounts);

  GError* failure = nullptr;
  listening_ = gst_rtsp_server_create_source(server_, nullptr, &failure);
  if (!listening_) {
    error = QStringLiteral("cannot serve video on 127.0.0.1:%1: %2")
                .arg(port)
                .arg(QString::fromUtf8(failure->message));
    g_error_free(failure);
    return false;
  }
  g_source_attach(listening_, context_);
  port_ = static_cast<std::uint16_t>(gst_rtsp_server_get_bound_port(server_));
  return true;
}

// Clients are served on the context that is the thread's default when they
// connect: this one.
void RtspVideoServer::Serve() {
  g_main_context_push_thread_default(context_);
  g_main_loop_run(loop_);
  g_main_context_pop_thread_default(context_);
}

void RtspVideoServer::CloseAndQuit() {
  g_list_free(gst_rtsp_server_client_filter(server_, Close, nullptr));
  g_main_loop_quit(loop_);
}

}  // namespace lanesim
