#include "TypedHost.h"

namespace field::onvif {
namespace {

// What a camera may hand out: a file:, data: or qrc: address would have the
// console read this machine's own files as pictures.
bool IsNetworkScheme(const QString& scheme) {
  static const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                       QStringLiteral("rtsp"), QStringLiteral("rtsps"),
                                       QStringLiteral("rtspt")};
  return kSchemes.contains(scheme.toLower());
}

}  // namespace

QUrl AtTypedHost(const QUrl& handedOut, const QUrl& deviceService) {
  if (!handedOut.scheme().isEmpty() && !IsNetworkScheme(handedOut.scheme())) return {};
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
