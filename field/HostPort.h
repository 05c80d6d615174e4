#pragma once

#include <QString>

namespace field {

// "HOST:PORT" split at the last colon, so that "[::1]:4001" keeps its host;
// the brackets are dropped. Without a colon the whole text is the port.
struct HostPort {
  QString host;
  QString port;
  bool hasHost = false;
};

HostPort SplitHostPort(const QString& text);

}  // namespace field
