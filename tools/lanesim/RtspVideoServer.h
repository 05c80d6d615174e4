#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

// GLib's headers clash with Qt's keywords: they stay in the source file.
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GSource GSource;
typedef struct _GstRTSPServer GstRTSPServer;

namespace virtual_lane {
class Lane;
class LaneRenderer;
}  // namespace virtual_lane

namespace lanesim {

class LiveSources;
class StampedFrames;

// What the server sends: BGRx frames (QImage's RGB32) of this size and rate.
inline constexpr int kVideoWidth = 1280;
inline constexpr int kVideoHeight = 720;
inline constexpr int kFramesPerSecond = 25;
inline constexpr std::chrono::milliseconds kFrameInterval{1000 / kFramesPerSecond};

// The lane's live video at rtsp://127.0.0.1:<port>/lane, H.264 over RTP, TCP
// or UDP, everything on 127.0.0.1. All clients share one encoding, made while
// anyone watches; the server runs on a thread of its own, the lane's renderer
// on another.
class RtspVideoServer {
 public:
  // Started on the lane's thread; `lane` outlives the server. Port 0 lets the
  // system choose.
  static std::unique_ptr<RtspVideoServer> Start(std::uint16_t port, const virtual_lane::Lane& lane,
                                                QString& error);
  RtspVideoServer(const RtspVideoServer&) = delete;
  RtspVideoServer& operator=(const RtspVideoServer&) = delete;
  // Closes every client's connection first.
  ~RtspVideoServer();

  std::uint16_t Port() const { return port_; }
  QString Url() const;

 private:
  RtspVideoServer();
  bool Listen(std::uint16_t port, QString& error);
  void Serve();
  void CloseAndQuit();

  std::shared_ptr<LiveSources> sources_;
  GMainContext* context_;
  GMainLoop* loop_;
  GstRTSPServer* server_;
  GSource* listening_ = nullptr;
  std::uint16_t port_ = 0;
  std::unique_ptr<StampedFrames> frames_;
  std::unique_ptr<virtual_lane::LaneRenderer> renderer_;
  std::thread thread_;
};

}  // namespace lanesim
