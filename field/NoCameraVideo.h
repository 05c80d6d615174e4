#pragma once

#include "VideoBackend.h"

namespace field {

// The video control of a field lane without a camera: the area says so, and
// a stream asked for is none, without an error.
class NoCameraVideo : public camera::VideoBackend {
  Q_OBJECT

 public:
  using camera::VideoBackend::VideoBackend;

  camera::Status PutStreamAddress(const QString& address) override;
  void Paint(QPainter& painter, const QRect& area) override;
};

}  // namespace field
