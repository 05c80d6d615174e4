#pragma once

#include <QObject>
#include <QString>

namespace camera {

struct FoundCamera {
  QString address;  // what the camera-address field takes
  QString name;
  QString hardware;        // usually the model
  QString serviceAddress;  // empty when the camera gave none
};

// What stands behind the camera-address field's search: the network's
// cameras answering a probe, or a fake in tests. Searches run only when asked.
class CameraFinder : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Also asks the typed address directly, when it is one. A search under way
  // is replaced; each camera is reported once a search, then Finished.
  virtual void Search(const QString& typedAddress) = 0;

 signals:
  void Found(const camera::FoundCamera& camera);
  void Notice(const QString& text);
  void Finished();
};

}  // namespace camera
