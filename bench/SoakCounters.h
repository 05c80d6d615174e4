#pragma once

#include <QFile>

#include "PictureView.h"
#include "utVideoStream.h"

// This process's resident memory, from /proc; -1 where there is none.
inline long ResidentKilobytes() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

// Plate events raised in a window, and those after which both views show new
// pictures. Made after the window, so its own handler has run first.
class PlatesShown {
 public:
  explicit PlatesShown(TfmVideoStream& window) {
    QObject::connect(window.sdk1, &camera::Tsdk::OnZELIPCSDKPlate, [this, &window] {
      ++raised;
      const qint64 scene = window.imgAll->Picture().cacheKey();
      const qint64 closeUp = window.imgPlate->Picture().cacheKey();
      if (scene != scene_ && closeUp != closeUp_) ++shown;
      scene_ = scene;
      closeUp_ = closeUp;
    });
  }

  long raised = 0;
  long shown = 0;

 private:
  qint64 scene_ = 0;
  qint64 closeUp_ = 0;
};
