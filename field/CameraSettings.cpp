#include "CameraSettings.h"

#include "HostPort.h"

namespace field {
namespace {

const QString kScheme = QStringLiteral("onvif://");
const QString kAddressPlaceholder = QStringLiteral("{address}");

QString Bracketed(const QString& host) {
  return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
}

// What the engineer typed, for an error line: the password left out.
QString WithoutPassword(const QString& text) {
  const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
  const qsizetype colon = text.indexOf(QLatin1Char(':'), kScheme.size());
  if (at < 0 || colon < 0 || colon > at) return text;
  return text.left(colon) + text.mid(at);
}

}  // namespace

QUrl CameraSettings::DeviceService(const QString& typedAddress) const {
  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setHost(host == kAddressPlaceholder ? typedAddress.trimmed() : host);
  url.setPort(port);
  url.setPath(path);
  return url;
}

QString CameraSettings::Describe() const {
  QString text = kScheme;
  if (!user.isEmpty()) text += user + QLatin1Char('@');
  text += Bracketed(host);
  if (port != kDefaultPort) text += QLatin1Char(':') + QString::number(port);
  if (path != CameraSettings().path) text += path;
  return text;
}

std::optional<CameraSettings> ParseCameraUrl(const QString& text, QString& error) {
  const auto refuse = [&](const QString& why) -> std::optional<CameraSettings> {
    error = QStringLiteral("\"%1\" %2").arg(WithoutPassword(text), why);
    return std::nullopt;
  };
  if (!text.startsWith(kScheme, Qt::CaseInsensitive)) {
    return refuse(QStringLiteral("is not onvif://[USER@]{address}[:PORT][/PATH]"));
  }
  CameraSettings camera;
  QString rest = text.mid(kScheme.size());
  const qsizetype slash = rest.indexOf(QLatin1Char('/'), rest.lastIndexOf(QLatin1Char('@')) + 1);
  if (slash >= 0) {
    camera.path = rest.mid(slash);
    rest.truncate(slash);
  }
  const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
  if (at >= 0) {
    const QString userInfo = rest.left(at);
    rest = rest.mid(at + 1);
    const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
    camera.user = QUrl::fromPercentEncoding(userInfo.left(colon).toUtf8());
    if (colon >= 0) camera.password = QUrl::fromPercentEncoding(userInfo.mid(colon + 1).toUtf8());
    if (camera.user.isEmpty()) return refuse(QStringLiteral("names a password but no user"));
  }
  const bool bracketed = rest.startsWith(QLatin1Char('['));
  const HostPort split =
      rest.count(QLatin1Char(':')) == 1 || (bracketed && rest.contains(QStringLiteral("]:")))
          ? SplitHostPort(rest)
          : HostPort{bracketed ? rest.mid(1, rest.size() - 2) : rest, QString(), false};
  camera.host = split.host;
  if (camera.host.isEmpty()) return refuse(QStringLiteral("names no camera address"));
  if (split.hasHost) {
    bool ok = false;
    camera.port = split.port.toInt(&ok);
    if (!ok || camera.port < 1 || camera.port > 65535) {
      return refuse(QStringLiteral("has no port from 1 to 65535 after the address"));
    }
  }
  return camera;
}

}  // namespace field
