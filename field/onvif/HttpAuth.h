#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace field::onvif {

// What a 401 answer asks for: the strongest challenge it offers that the
// console can answer (Digest SHA-256, then Digest MD5, then Basic).
struct HttpChallenge {
  enum class Scheme { kBasic, kDigestMd5, kDigestSha256 };
  Scheme scheme = Scheme::kBasic;
  QByteArray realm;
  QByteArray nonce;
  QByteArray opaque;
  bool qopAuth = false;
  bool stale = false;
};

std::optional<HttpChallenge> ChooseChallenge(const QList<QByteArray>& wwwAuthenticate);

struct DigestUse {
  QByteArray method;
  QByteArray uri;  // path and query as sent
  quint32 count = 1;
  QByteArray clientNonce;
};

// The Authorization header's value (RFC 7617, RFC 2617, RFC 7616 with qop=auth).
QByteArray Authorization(const HttpChallenge& challenge, const QString& user,
                         const QString& password, const DigestUse& use);

}  // namespace field::onvif
