#include "PictureSources.h"

#include <QHostAddress>

#include "PlateValues.h"
#include "Refusal.h"

namespace field {
namespace {

bool SameHost(const QString& urlHost, const QString& sender) {
  const QHostAddress a(urlHost);
  const QHostAddress b(sender);
  if (a.isNull() || b.isNull()) return false;
  return a.isEqual(b, QHostAddress::TolerantConversion);
}

}  // namespace

QByteArray PartPicture(const PlateRequest& request, const QString& part, QStringList& notices) {
  const PlatePart* found = request.Part(part);
  if (!found) return {};
  if (found->bytes.isEmpty()) notices << QStringLiteral("part \"%1\" is empty").arg(part);
  return found->bytes;
}

std::optional<QUrl> UrlOnSender(const QString& given, const QString& sender, QString& why) {
  const QUrl url(given, QUrl::StrictMode);
  if (!url.isValid()) {
    why = QStringLiteral("\"%1\" is not a URL").arg(given);
    return std::nullopt;
  }
  QUrl base;
  base.setScheme(QStringLiteral("http"));
  base.setHost(sender);
  base.setPath(QStringLiteral("/"));
  QUrl resolved = base.resolved(url);
  if (resolved.scheme() != QLatin1String("http")) {
    why = QStringLiteral("%1 is not an http:// URL").arg(resolved.toDisplayString());
    return std::nullopt;
  }
  if (!SameHost(resolved.host(), sender)) {
    why = QStringLiteral("%1 is not on the sender %2: not fetched")
              .arg(resolved.toDisplayString(), sender);
    return std::nullopt;
  }
  // The connection goes to the sender as it connected, however the URL spelt its address.
  resolved.setHost(sender);
  return resolved;
}

QByteArray UrlPicture(const QJsonValue& value, const QString& name, const PlateRequest& request,
                      const PictureFetcher& fetch, QStringList& notices) {
  const QString given = TextOf(value, name);
  if (given.isEmpty()) return {};
  QString why;
  const std::optional<QUrl> url = UrlOnSender(given, request.sender, why);
  if (!url) {
    notices << Quoted(name) + u' ' + why;
    return {};
  }
  if (!fetch) {
    notices
        << QStringLiteral("%1 %2 is not fetched here").arg(Quoted(name), url->toDisplayString());
    return {};
  }
  const FetchedPicture picture = fetch(*url);
  if (!picture.error.isEmpty()) {
    notices << QStringLiteral("%1 %2: %3").arg(Quoted(name), url->toDisplayString(), picture.error);
  }
  return picture.bytes;
}

}  // namespace field
