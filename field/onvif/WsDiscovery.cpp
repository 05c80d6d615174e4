#include "WsDiscovery.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QUuid>
#include <QVariant>
#include <algorithm>

namespace field::onvif {
namespace {

// SOAP over UDP sends each datagram a second time 50 to 250 ms later: one may be lost.
constexpr int kRepeatMs = 150;

QString NewMessageId() {
  return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool CanProbe(const QNetworkInterface& interface) {
  const QNetworkInterface::InterfaceFlags flags = interface.flags();
  if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
      !flags.testFlag(QNetworkInterface::CanMulticast)) {
    return false;
  }
  const QList<QNetworkAddressEntry> entries = interface.addressEntries();
  return std::any_of(entries.begin(), entries.end(), [](const QNetworkAddressEntry& entry) {
    return entry.ip().protocol() == QAbstractSocket::IPv4Protocol;
  });
}

QString AddressText(const QHostAddress& address) {
  bool isIpv4 = false;
  const quint32 ipv4 = address.toIPv4Address(&isIpv4);
  return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}

}  // namespace

WsDiscovery::WsDiscovery(QObject* parent) : QObject(parent) {
  deadline_.setSingleShot(true);
  repeat_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, &WsDiscovery::Finish);
  connect(&repeat_, &QTimer::timeout, this, &WsDiscovery::SendAll);
}

void WsDiscovery::Start(const DiscoveryTargets& targets, int durationMs) {
  DropSockets();
  seen_.clear();
  probes_ = {BuildProbe(ProbeType::NetworkVideoTransmitter, NewMessageId()),
             BuildProbe(ProbeType::Device, NewMessageId())};

  if (targets.multicast) {
    const QHostAddress group(QString::fromLatin1(kDiscoveryGroup));
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
      if (!CanProbe(interface)) continue;
      QUdpSocket* socket = OpenSocket();
      if (socket == nullptr) continue;
      socket->setMulticastInterface(interface);
      // Cameras on the laptop's own segment only.
      socket->setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
      destinations_.push_back({socket, {group}, interface.humanReadableName()});
    }
  }
  if (!targets.unicast.empty()) {
    if (QUdpSocket* socket = OpenSocket()) {
      for (const ProbeAddress& to : targets.unicast)
        destinations_.push_back({socket, to, QString()});
    }
  }

  if (destinations_.empty()) emit Notice(QStringLiteral("没有可以搜索的网络"));
  deadline_.start(durationMs);
  SendAll();
  repeat_.start(kRepeatMs);
}

QUdpSocket* WsDiscovery::OpenSocket() {
  auto* socket = new QUdpSocket(this);
  if (!socket->bind(QHostAddress::AnyIPv4, 0)) {
    emit Notice(QStringLiteral("无法发出搜索: %1").arg(socket->errorString()));
    delete socket;
    return nullptr;
  }
  connect(socket, &QUdpSocket::readyRead, this, [this, socket] { ReadAnswers(*socket); });
  sockets_.push_back(socket);
  return socket;
}

void WsDiscovery::SendAll() {
  for (const Destination& destination : destinations_) {
    for (const QByteArray& probe : probes_) {
      const ProbeAddress& to = destination.to;
      if (destination.socket->writeDatagram(probe, to.host, to.port) >= 0) continue;
      const QString where =
          destination.interfaceName.isEmpty()
              ? QStringLiteral("%1:%2").arg(to.host.toString()).arg(to.port)
              : QStringLiteral("%1 (%2)").arg(to.host.toString(), destination.interfaceName);
      emit Notice(
          QStringLiteral("搜索未能发往 %1: %2").arg(where, destination.socket->errorString()));
      break;
    }
  }
}

void WsDiscovery::ReadAnswers(QUdpSocket& socket) {
  // A handler of Found may start a new search; a search that is over or
  // dropped has no sockets left, and what still comes to them is drained unread.
  const auto current = [&] {
    return std::find(sockets_.begin(), sockets_.end(), &socket) != sockets_.end();
  };
  while (socket.hasPendingDatagrams()) {
    const QNetworkDatagram datagram = socket.receiveDatagram(kLargestProbeAnswer + 1);
    for (ProbeMatch& match : ReadProbeMatches(datagram.data())) {
      if (!current() || seen_.size() == kMostCameras) break;
      const QString identity =
          match.endpoint.isEmpty() ? match.serviceAddresses.first() : match.endpoint;
      if (seen_.contains(identity)) continue;
      seen_.insert(identity);
      emit Found({AddressText(datagram.senderAddress()), std::move(match)});
    }
  }
}

void WsDiscovery::DropSockets() {
  destinations_.clear();
  // Deleted later: this may run from inside one of their signals.
  for (QUdpSocket* socket : sockets_) socket->deleteLater();
  sockets_.clear();
}

void WsDiscovery::Finish() {
  repeat_.stop();
  DropSockets();
  emit Finished();
}

}  // namespace field::onvif
