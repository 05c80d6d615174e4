#include "MissingElement.h"

#include <array>
#include <utility>

namespace field {
namespace {

constexpr std::array<std::pair<const char*, const char*>, 7> kPackageOf = {{
    {"uridecodebin", "gstreamer1.0-plugins-base"},
    {"videoconvert", "gstreamer1.0-plugins-base"},
    {"videoscale", "gstreamer1.0-plugins-base"},
    {"appsink", "gstreamer1.0-plugins-base"},
    {"appsrc", "gstreamer1.0-plugins-base"},
    {"capsfilter", "libgstreamer1.0-0"},
    {"ximagesink", "gstreamer1.0-x"},
}};

}  // namespace

QString MissingElementNotice(const QString& element) {
  for (const auto& [name, package] : kPackageOf) {
    if (element == QLatin1String(name)) {
      return QStringLiteral("缺少 GStreamer 元素 %1, 请安装 Debian 软件包 %2")
          .arg(element, QLatin1String(package));
    }
  }
  return QStringLiteral("缺少 GStreamer 元素 %1").arg(element);
}

}  // namespace field
