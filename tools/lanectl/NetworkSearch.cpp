#include "NetworkSearch.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

#include "WsDiscovery.h"

namespace lanectl {
namespace {

using field::onvif::DiscoveredCamera;
using field::onvif::ProbeAddress;

// Dotted IPv4 as Qt writes it back, so that "127.1" or "010.0.0.1" are refused
// rather than read as some other address.
std::optional<ProbeAddress> ParseProbeAddress(const QString& text) {
  const qsizetype colon = text.indexOf(u':');
  const QString host = colon < 0 ? text : text.left(colon);
  ProbeAddress address{QHostAddress(host)};
  if (address.host.protocol() != QAbstractSocket::IPv4Protocol || address.host.toString() != host) {
    return std::nullopt;
  }
  if (colon >= 0) {
    bool number = false;
    const uint port = text.mid(colon + 1).toUInt(&number);
    if (!number || port == 0 || port > 65535) return std::nullopt;
    address.port = static_cast<quint16>(port);
  }
  return address;
}

// One line per camera whatever a device put in its scopes.
QString OneLine(QString text) {
  for (QChar& c : text) {
    if (c.category() == QChar::Other_Control) c = u' ';
  }
  return text;
}

std::string Line(const DiscoveredCamera& camera, bool json) {
  const QStringList& services = camera.match.serviceAddresses;
  const QString service = services.isEmpty() ? QString() : services.first();
  if (json) {
    const QJsonObject object{{"address", camera.address},
                             {"name", camera.match.name},
                             {"hardware", camera.match.hardware},
                             {"service_address", service},
                             {"endpoint", camera.match.endpoint}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
  }
  return QStringList{camera.address, OneLine(camera.match.name), OneLine(camera.match.hardware),
                     OneLine(service)}
      .join(u'\t')
      .toStdString();
}

}  // namespace

DiscoverOutcome SearchNetwork(const DiscoverRequest& request, std::ostream& out,
                              std::ostream& err) {
  field::onvif::DiscoveryTargets targets{request.to.empty(), {}};
  for (const std::string& to : request.to) {
    const std::optional<ProbeAddress> address = ParseProbeAddress(QString::fromStdString(to));
    if (!address) {
      return {DiscoverOutcome::Kind::BadRequest,
              "--to: \"" + to + "\" is no IPv4 address (ADDRESS or ADDRESS:PORT)"};
    }
    targets.unicast.push_back(*address);
  }

  field::onvif::WsDiscovery discovery;
  bool found = false;
  QObject::connect(&discovery, &field::onvif::WsDiscovery::Found,
                   [&](const DiscoveredCamera& camera) {
                     found = true;
                     out << Line(camera, request.json) << std::endl;
                   });
  QObject::connect(&discovery, &field::onvif::WsDiscovery::Notice, [&](const QString& notice) {
    err << "lanectl: " << notice.toStdString() << std::endl;
  });
  QEventLoop loop;
  QObject::connect(&discovery, &field::onvif::WsDiscovery::Finished, &loop, &QEventLoop::quit);
  discovery.Start(targets, request.timeoutMs);
  loop.exec();
  if (found) return {DiscoverOutcome::Kind::Found, {}};
  return {DiscoverOutcome::Kind::NoneFound,
          "no camera answered within " + std::to_string(request.timeoutMs) + " ms"};
}

}  // namespace lanectl
