#include "WsDiscoveryFinder.h"

#include "CameraAddress.h"

namespace field::onvif {

WsDiscoveryFinder::WsDiscoveryFinder(bool multicast, quint16 unicastPort, QObject* parent)
    : CameraFinder(parent), multicast_(multicast), unicastPort_(unicastPort) {
  connect(&discovery_, &WsDiscovery::Found, this, [this](const DiscoveredCamera& found) {
    const QStringList& services = found.match.serviceAddresses;
    emit Found({found.address, found.match.name, found.match.hardware,
                services.isEmpty() ? QString() : services.first()});
  });
  connect(&discovery_, &WsDiscovery::Notice, this, &CameraFinder::Notice);
  connect(&discovery_, &WsDiscovery::Finished, this, &CameraFinder::Finished);
}

void WsDiscoveryFinder::Search(const QString& typedAddress) {
  DiscoveryTargets targets{multicast_, {}};
  const QString typed = typedAddress.trimmed();
  if (camera::IsDottedIpv4(typed)) targets.unicast.push_back({QHostAddress(typed), unicastPort_});
  discovery_.Start(targets);
}

}  // namespace field::onvif
