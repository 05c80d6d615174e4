#include "DiscoveryResponder.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QUuid>

namespace lanesim {
namespace {

constexpr qsizetype kRecentProbes = 32;
// A device waits up to this long before answering a multicast probe, so that
// a segment's devices do not all answer at once.
constexpr int kLongestMulticastDelayMs = 500;

QString NewUuidUrn() {
  return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool JoinGroup(QUdpSocket& socket, QString& error) {
  const QHostAddress group(QString::fromLatin1(field::onvif::kDiscoveryGroup));
  bool joined = false;
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    if (interface.flags().testFlag(QNetworkInterface::IsUp) &&
        interface.flags().testFlag(QNetworkInterface::CanMulticast)) {
      joined = socket.joinMulticastGroup(group, interface) || joined;
    }
  }
  if (!joined)
    error = QStringLiteral("cannot join %1: %2").arg(group.toString(), socket.errorString());
  return joined;
}

}  // namespace

DiscoveryResponder::Settings DiscoveryResponder::SettingsFromEnvironment(
    const QString& serviceAddress) {
  Settings settings;
  settings.serviceAddress = serviceAddress;
  bool number = false;
  const int port = qEnvironmentVariableIntValue("LANESIM_DISCOVERY_PORT", &number);
  if (number && port >= 0 && port <= 65535) settings.port = static_cast<quint16>(port);
  settings.multicast = qEnvironmentVariable("LANESIM_DISCOVERY_MULTICAST") == QLatin1String("1");
  return settings;
}

std::unique_ptr<DiscoveryResponder> DiscoveryResponder::Start(const Settings& settings,
                                                              QString& error) {
  auto socket = std::make_unique<QUdpSocket>();
  const bool bound = settings.multicast
                         ? socket->bind(QHostAddress::AnyIPv4, settings.port,
                                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                         : socket->bind(QHostAddress::LocalHost, settings.port);
  if (!bound) {
    error =
        QStringLiteral("WS-Discovery port %1: %2").arg(settings.port).arg(socket->errorString());
    return nullptr;
  }
  if (settings.multicast && !JoinGroup(*socket, error)) return nullptr;
  return std::unique_ptr<DiscoveryResponder>(new DiscoveryResponder(settings, std::move(socket)));
}

DiscoveryResponder::DiscoveryResponder(const Settings& settings, std::unique_ptr<QUdpSocket> socket)
    : settings_(settings), socket_(std::move(socket)) {
  identity_.endpoint = NewUuidUrn();
  identity_.serviceAddress = settings.serviceAddress;
  identity_.scopes = LaneSimScopes();
  identity_.instanceId = static_cast<quint32>(QDateTime::currentSecsSinceEpoch());
  connect(socket_.get(), &QUdpSocket::readyRead, this, &DiscoveryResponder::ReadProbes);
}

DiscoveryResponder::~DiscoveryResponder() = default;

quint16 DiscoveryResponder::Port() const {
  return socket_->localPort();
}

QString DiscoveryResponder::Where() const {
  const QString unicast = QStringLiteral("127.0.0.1:%1").arg(Port());
  return settings_.multicast ? QStringLiteral("%1 and %2:%3")
                                   .arg(unicast, QString::fromLatin1(field::onvif::kDiscoveryGroup))
                                   .arg(Port())
                             : unicast;
}

void DiscoveryResponder::ReadProbes() {
  while (socket_->hasPendingDatagrams()) {
    const QNetworkDatagram datagram = socket_->receiveDatagram(field::onvif::kLargestProbeAnswer);
    const std::optional<field::onvif::Probe> probe = field::onvif::ReadProbe(datagram.data());
    if (!probe || !Matches(*probe, identity_)) continue;
    if (!probe->messageId.isEmpty()) {
      if (recentProbes_.contains(probe->messageId)) continue;
      recentProbes_.append(probe->messageId);
      if (recentProbes_.size() > kRecentProbes) recentProbes_.removeFirst();
    }
    const QHostAddress sender = datagram.senderAddress();
    const quint16 senderPort = static_cast<quint16>(datagram.senderPort());
    const bool toGroup = datagram.destinationAddress().isMulticast();
    if (!toGroup) {
      Answer(*probe, sender, senderPort);
      continue;
    }
    QTimer::singleShot(
        QRandomGenerator::global()->bounded(kLongestMulticastDelayMs), this,
        [this, probe = *probe, sender, senderPort] { Answer(probe, sender, senderPort); });
  }
}

void DiscoveryResponder::Answer(const field::onvif::Probe& probe, const QHostAddress& to,
                                quint16 port) {
  const QByteArray answer = BuildProbeMatches(probe, identity_, NewUuidUrn(), ++messagesSent_);
  if (socket_->writeDatagram(answer, to, port) < 0) {
    emit Note(QStringLiteral("discovery: no answer to %1:%2: %3")
                  .arg(to.toString())
                  .arg(port)
                  .arg(socket_->errorString()));
    return;
  }
  emit Note(QStringLiteral("discovery: answered a probe from %1:%2").arg(to.toString()).arg(port));
}

}  // namespace lanesim
