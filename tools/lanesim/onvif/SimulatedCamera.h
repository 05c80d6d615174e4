#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <cstdint>
#include <memory>
#include <optional>

#include "OnvifSettings.h"
#include "RelayOutput.h"

namespace virtual_lane {
class Lane;
}

namespace lanesim::onvif {

class OnvifServer;

// The lane as an ONVIF camera: its plates become notifications, its frame the
// snapshot, its barrier the relay output. Lives on the lane's thread; the
// server's threads reach the lane only through queued calls to it.
class SimulatedCamera : public QObject {
  Q_OBJECT

 public:
  // Null with `error` when the port cannot be had. `stream` is the lane's RTSP address.
  static std::unique_ptr<SimulatedCamera> Start(virtual_lane::Lane& lane, std::uint16_t port,
                                                const Settings& settings,
                                                std::optional<QUrl> stream, QString& error);
  ~SimulatedCamera() override;

  QString DeviceServiceUrl() const;

 signals:
  // One of lanesim's activity lines, on the lane's thread.
  void Note(const QString& line);

 private:
  explicit SimulatedCamera(virtual_lane::Lane& lane);
  void Relay(const RelayCommand& command);
  std::optional<QByteArray> SnapshotFromAnyThread();
  void NoteFromAnyThread(const QString& line);

  virtual_lane::Lane& lane_;
  QTimer relayIdle_;
  std::unique_ptr<OnvifServer> server_;
};

}  // namespace lanesim::onvif
