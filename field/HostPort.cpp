#include "HostPort.h"

namespace field {

HostPort SplitHostPort(const QString& text) {
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon < 0) return {QString(), text, false};
  QString host = text.left(colon);
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
    host = host.mid(1, host.size() - 2);
  }
  return {host, text.mid(colon + 1), true};
}

}  // namespace field
