#include "OnvifOptions.h"

#include <QUrl>

namespace lanesim::onvif {
namespace {

// A century either way: enough for any clock a camera has been found with.
constexpr qint64 kLargestClockOffsetS = 100LL * 366 * 24 * 3600;

std::optional<AuthMode> AuthNamed(const QString& name) {
  if (name == QLatin1String("token")) return AuthMode::Token;
  if (name == QLatin1String("digest")) return AuthMode::Digest;
  if (name == QLatin1String("both")) return AuthMode::Both;
  return std::nullopt;
}

std::optional<MediaVersions> MediaNamed(const QString& name) {
  if (name == QLatin1String("1")) return MediaVersions{true, false};
  if (name == QLatin1String("2")) return MediaVersions{false, true};
  if (name == QLatin1String("both")) return MediaVersions{true, true};
  return std::nullopt;
}

bool IsHostName(const QString& name) {
  QUrl url(QStringLiteral("http://placeholder/"));
  url.setHost(name, QUrl::StrictMode);
  return !name.isEmpty() && !name.contains(u':') && url.isValid() && url.host() == name.toLower();
}

}  // namespace

OnvifOptions::OnvifOptions()
    : user_(QStringLiteral("onvif-user"), QStringLiteral("The camera's user (default admin)."),
            QStringLiteral("name"), QStringLiteral("admin")),
      password_(QStringLiteral("onvif-password"),
                QStringLiteral("The camera's password (default admin)."),
                QStringLiteral("password"), QStringLiteral("admin")),
      auth_(QStringLiteral("onvif-auth"),
            QStringLiteral("What the camera accepts: token (WS-UsernameToken with PasswordDigest, "
                           "a wrong one refused with HTTP 400), digest (HTTP Digest, MD5 or "
                           "SHA-256, after a 401 with both challenges) or both (default). "
                           "GetSystemDateAndTime needs no credentials; pictures take HTTP Digest "
                           "or Basic."),
            QStringLiteral("mode"), QStringLiteral("both")),
      media_(QStringLiteral("onvif-media"),
             QStringLiteral("Which media service the camera has: 1 (ver10), 2 (ver20) or both "
                            "(default)."),
             QStringLiteral("version"), QStringLiteral("both")),
      clockOffset_(QStringLiteral("onvif-clock-offset"),
                   QStringLiteral("The camera's clock runs this many seconds ahead of this "
                                  "machine's (behind when negative; default 0)."),
                   QStringLiteral("seconds"), QStringLiteral("0")),
      host_(QStringLiteral("onvif-host"),
            QStringLiteral("The host named in every address the camera hands out (services, "
                           "stream, snapshot, pictures, pull points), as a camera behind NAT "
                           "does; it still listens on 127.0.0.1 (default 127.0.0.1)."),
            QStringLiteral("name"), QStringLiteral("127.0.0.1")) {}

void OnvifOptions::AddTo(QCommandLineParser& parser) const {
  parser.addOptions({user_, password_, auth_, media_, clockOffset_, host_});
}

std::optional<QString> OnvifOptions::AnyGiven(const QCommandLineParser& parser) const {
  for (const QCommandLineOption* option :
       {&user_, &password_, &auth_, &media_, &clockOffset_, &host_}) {
    if (parser.isSet(*option)) return QStringLiteral("--") + option->names().front();
  }
  return std::nullopt;
}

std::optional<Settings> OnvifOptions::Read(const QCommandLineParser& parser, QString& error) const {
  Settings settings;
  settings.user = parser.value(user_);
  settings.password = parser.value(password_);
  if (settings.user.isEmpty()) {
    error = QStringLiteral("--onvif-user wants a name");
    return std::nullopt;
  }
  const std::optional<AuthMode> auth = AuthNamed(parser.value(auth_));
  if (!auth) {
    error = QStringLiteral("--onvif-auth wants token, digest or both, not '%1'")
                .arg(parser.value(auth_));
    return std::nullopt;
  }
  settings.auth = *auth;
  const std::optional<MediaVersions> media = MediaNamed(parser.value(media_));
  if (!media) {
    error = QStringLiteral("--onvif-media wants 1, 2 or both, not '%1'").arg(parser.value(media_));
    return std::nullopt;
  }
  settings.media = *media;
  bool number = false;
  const qint64 offset = parser.value(clockOffset_).toLongLong(&number);
  if (!number || offset < -kLargestClockOffsetS || offset > kLargestClockOffsetS) {
    error = QStringLiteral("--onvif-clock-offset wants whole seconds within a century, not '%1'")
                .arg(parser.value(clockOffset_));
    return std::nullopt;
  }
  settings.clockOffset = std::chrono::seconds(offset);
  if (!IsHostName(parser.value(host_))) {
    error = QStringLiteral("--onvif-host wants a host name or IPv4 address, not '%1'")
                .arg(parser.value(host_));
    return std::nullopt;
  }
  settings.host = parser.value(host_).toLower();
  return settings;
}

}  // namespace lanesim::onvif
