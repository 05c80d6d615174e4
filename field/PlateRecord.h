#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace field {

// One recognised plate as a camera or a recognition engine reports it.
struct PlateRecord {
  QString camera;  // the camera's address as it says; empty: unknown
  QString plate;
  QString color;         // empty: not given
  QDateTime time;        // invalid: not given
  QByteArray sceneJpeg;  // empty: none
  QByteArray closeupJpeg;
  float confidence = 0;  // 0..1
};

}  // namespace field
