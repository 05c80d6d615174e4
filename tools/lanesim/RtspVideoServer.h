#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "LaneLook.h"

// GLib's headers clash with Qt's keywords: they stay in the source file.
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GSource GSource;
typedef struct _GstRTSPServer GstRTSPServer;

namespace lanesim {

class FramePump;
class LiveSources;

// The lane's live video at rtsp://127.0.0.1:<port>/lane, H.264 over RTP, TCP
// or UDP, everything on 127.0.0.1. All clients share one encoding, made while
// anyone watches; the server runs on a thread of its own, the painting on
// another.
class RtspVideoServer {
 public:
  // `look` is called on the painter's thread. Port 0 lets the system choose.
  static std::unique_ptr<RtspVideoServer> Start(std::uint16_t port,
                                                std::function<virtual_lane::LaneLook()> look,
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
  std::unique_ptr<FramePump> pump_;
  std::thread thread_;
};

}  // namespace lanesim
