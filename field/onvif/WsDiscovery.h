#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <vector>

#include "WsDiscoveryMessages.h"

class QUdpSocket;

namespace field::onvif {

inline constexpr int kSearchMs = 3000;
inline constexpr int kMostCameras = 256;

struct ProbeAddress {
  QHostAddress host;
  quint16 port = kDiscoveryPort;
};

struct DiscoveryTargets {
  // The group on every IPv4 interface that is up. Tests turn it off: outside
  // a network namespace of their own a probe must never leave the machine.
  bool multicast = true;
  std::vector<ProbeAddress> unicast;
};

struct DiscoveredCamera {
  // Where the answer came from: the address this machine reaches the camera
  // at, whatever its service addresses name.
  QString address;
  ProbeMatch match;
};

// Probes for ONVIF cameras and reports each one once, as its answer arrives,
// until the search time is over. Never blocks.
class WsDiscovery : public QObject {
  Q_OBJECT

 public:
  explicit WsDiscovery(QObject* parent = nullptr);

  // A search under way is dropped, with its answers still in flight.
  void Start(const DiscoveryTargets& targets, int durationMs = kSearchMs);
  bool Searching() const { return deadline_.isActive(); }

 signals:
  void Found(const field::onvif::DiscoveredCamera& camera);
  // A probe that could not be sent; the search goes on where it could.
  void Notice(const QString& text);
  void Finished();

 private:
  struct Destination {
    QUdpSocket* socket;
    ProbeAddress to;
    QString interfaceName;  // empty for a unicast probe
  };

  QUdpSocket* OpenSocket();
  void SendAll();
  void ReadAnswers(QUdpSocket& socket);
  void DropSockets();
  void Finish();

  std::vector<QUdpSocket*> sockets_;  // children
  std::vector<Destination> destinations_;
  std::vector<QByteArray> probes_;
  QTimer deadline_;
  QTimer repeat_;
  QSet<QString> seen_;
};

}  // namespace field::onvif
