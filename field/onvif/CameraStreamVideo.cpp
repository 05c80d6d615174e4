#include "CameraStreamVideo.h"

namespace field::onvif {
namespace {

constexpr char kStopped[] = "0";

}  // namespace

CameraStreamVideo::CameraStreamVideo(int latencyMs, QObject* parent)
    : camera::VideoBackend(parent), stream_(QStringLiteral("{address}"), latencyMs) {
  connect(&stream_, &StreamVideo::FrameChanged, this, &CameraStreamVideo::FrameChanged);
}

camera::Status CameraStreamVideo::PutStreamAddress(const QString& address) {
  wanted_ = address != QLatin1String(kStopped);
  return stream_.PutStreamAddress(wanted_ && !url_.isEmpty() ? url_ : QString(kStopped));
}

void CameraStreamVideo::Paint(QPainter& painter, const QRect& area) {
  stream_.Paint(painter, area);
}

void CameraStreamVideo::SetSurface(quintptr surface, QSize size) {
  stream_.SetSurface(surface, size);
}

void CameraStreamVideo::UseStream(const QString& url) {
  if (url == url_) return;
  url_ = url;
  if (wanted_) stream_.PutStreamAddress(url_.isEmpty() ? QString(kStopped) : url_);
}

}  // namespace field::onvif
