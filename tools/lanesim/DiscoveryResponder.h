#pragma once

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <memory>

#include "DiscoveryAnswer.h"

class QUdpSocket;

namespace lanesim {

// lanesim's camera answering WS-Discovery probes: unicast ones on
// 127.0.0.1, and, when asked, those sent to the multicast group, which only
// a test inside a network namespace of its own does.
class DiscoveryResponder : public QObject {
  Q_OBJECT

 public:
  struct Settings {
    quint16 port = field::onvif::kDiscoveryPort;  // 0 lets the system choose
    bool multicast = false;
    QString serviceAddress;
  };

  // Settings for a camera whose device service is at `serviceAddress`, with
  // the tests' knobs read from the environment: LANESIM_DISCOVERY_PORT and
  // LANESIM_DISCOVERY_MULTICAST=1.
  static Settings SettingsFromEnvironment(const QString& serviceAddress);

  // Null, and `error` set, when the port cannot be had.
  static std::unique_ptr<DiscoveryResponder> Start(const Settings& settings, QString& error);
  ~DiscoveryResponder() override;

  quint16 Port() const;
  // Where probes are heard, for lanesim's start-up lines.
  QString Where() const;

 signals:
  void Note(const QString& line);

 private:
  DiscoveryResponder(const Settings& settings, std::unique_ptr<QUdpSocket> socket);
  void ReadProbes();
  void Answer(const field::onvif::Probe& probe, const QHostAddress& to, quint16 port);

  Settings settings_;
  std::unique_ptr<QUdpSocket> socket_;
  DiscoveryIdentity identity_;
  quint32 messagesSent_ = 0;
  // Probes come twice (SOAP over UDP repeats them); one answer is enough.
  QStringList recentProbes_;
};

}  // namespace lanesim
