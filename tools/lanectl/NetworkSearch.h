#pragma once

#include "CameraSearcher.h"

namespace lanectl {

// WS-Discovery on the network: the multicast group on every IPv4 interface
// that is up, or only the addresses given. Lines are
// ADDRESS<tab>NAME<tab>HARDWARE<tab>SERVICE_ADDRESS, or one JSON object each.
// Needs a QCoreApplication.
DiscoverOutcome SearchNetwork(const DiscoverRequest& request, std::ostream& out, std::ostream& err);

}  // namespace lanectl
