#include "Gstreamer.h"

#include <QUrl>
#include <mutex>

namespace field {

void EnsureGstreamer() {
  static std::once_flag started;
  std::call_once(started, [] { gst_init(nullptr, nullptr); });
}

QString WithoutCredentials(const QString& url) {
  QUrl parsed(url);
  if (!parsed.isValid()) return url;
  parsed.setUserInfo(QString());
  return parsed.toString();
}

}  // namespace field
