#include "CameraAddress.h"

#include <QStringList>

namespace camera {

bool IsDottedIpv4(const QString& address) {
  const QStringList parts = address.split(u'.');
  if (parts.size() != 4) return false;
  for (const QString& part : parts) {
    if (part.isEmpty() || part.size() > 3) return false;
    if (part.size() > 1 && part.front() == u'0') return false;
    int value = 0;
    for (QChar c : part) {
      if (c < u'0' || c > u'9') return false;
      value = value * 10 + (c.unicode() - u'0');
    }
    if (value > 255) return false;
  }
  return true;
}

}  // namespace camera
