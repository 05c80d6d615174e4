#pragma once

#include "CameraFinder.h"
#include "WsDiscovery.h"

namespace field::onvif {

// The console's camera search over WS-Discovery.
class WsDiscoveryFinder : public camera::CameraFinder {
  Q_OBJECT

 public:
  // Tests turn multicast off and ask the typed address (127.0.0.1) at the
  // port of a responder of their own.
  explicit WsDiscoveryFinder(bool multicast = true, quint16 unicastPort = kDiscoveryPort,
                             QObject* parent = nullptr);

  void Search(const QString& typedAddress) override;

 private:
  bool multicast_;
  quint16 unicastPort_;
  WsDiscovery discovery_;
};

}  // namespace field::onvif
