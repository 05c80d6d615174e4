#include "TypedHost.h"

namespace field::onvif {

QUrl AtTypedHost(const QUrl& handedOut, const QUrl& deviceService) {
  if (!handedOut.isValid() || handedOut.isRelative() || handedOut.host().isEmpty()) {
    QUrl resolved = deviceService.resolved(handedOut);
    resolved.setUserInfo({});
    return resolved;
  }
  QUrl reached = handedOut;
  reached.setUserInfo({});
  reached.setHost(deviceService.host());
  if (handedOut.port() < 0 && handedOut.scheme() == deviceService.scheme()) {
    reached.setPort(deviceService.port());
  }
  return reached;
}

}  // namespace field::onvif
