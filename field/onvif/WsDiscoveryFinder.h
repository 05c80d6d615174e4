#pragma once

#include "CameraFinder.h"
#include "WsDiscovery.h"

namespace field::onvif {

// The console's camera search over WS-Discovery.
class WsDiscoveryFinder : public camera::CameraFinder {
  Q_OBJECT

 public:
  // `targets` are probed on every search, besides the typed address; tests
  // give no multicast and the port of a responder on 127.0.0.1.
  explicit WsDiscoveryFinder(DiscoveryTargets targets = {}, QObject* parent = nullptr);

  void Search(const QString& typedAddress) override;

 private:
  DiscoveryTargets targets_;
  WsDiscovery discovery_;
};

}  // namespace field::onvif
