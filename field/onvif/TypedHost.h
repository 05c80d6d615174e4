#pragma once

#include <QStringList>
#include <QUrl>

namespace field::onvif {

// An address the camera handed out (a service, the stream, the snapshot, an
// event picture, a pull point), reached at the host of `deviceService`, the
// address the engineer typed: cameras behind NAT or with a stale network
// setting name hosts the laptop cannot reach. Scheme, port, path and query
// stay the camera's; an address without a port on the typed address's scheme
// takes the typed port (the same server, seen through the same forwarding);
// a relative or empty address is resolved against `deviceService`. An address
// of any scheme but http(s) or rtsp(s) is refused: empty.
QUrl AtTypedHost(const QUrl& handedOut, const QUrl& deviceService);

}  // namespace field::onvif
