#pragma once

#include <QString>

#include "StreamVideo.h"

namespace field::onvif {

// The video of a lane whose camera names its own stream: the address the
// window puts is held until the camera has said where its stream is, then
// that stream plays through StreamVideo.
class CameraStreamVideo : public camera::VideoBackend {
  Q_OBJECT

 public:
  explicit CameraStreamVideo(int latencyMs, QObject* parent = nullptr);

  camera::Status PutStreamAddress(const QString& address) override;
  void Paint(QPainter& painter, const QRect& area) override;
  void SetSurface(quintptr surface, QSize size) override;

  StreamVideo& Stream() { return stream_; }
  const StreamVideo& Stream() const { return stream_; }

  // The camera's stream URL, credentials included; empty: the camera is gone.
  void UseStream(const QString& url);

 private:
  StreamVideo stream_;
  bool wanted_ = false;
  QString url_;
};

}  // namespace field::onvif
