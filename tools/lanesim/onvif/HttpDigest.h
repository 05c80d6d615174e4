#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace lanesim::onvif {

// HTTP authentication as cameras ask for it: Digest (RFC 7616, SHA-256 and
// MD5, qop=auth or none) and, for pictures, Basic. Nonces carry their own
// issue time and a keyed hash, so nothing is remembered between requests.
class HttpDigest {
 public:
  enum class Verdict { Missing, Accepted, Refused, Stale };
  static constexpr int kNonceLifetimeS = 300;

  HttpDigest(QString realm, QString user, QString password);

  // WWW-Authenticate values, SHA-256 first as RFC 7616 asks; Basic last when allowed.
  std::vector<QByteArray> Challenges(bool allowBasic, bool stale = false) const;
  // `uri` is the request target as the client sent it.
  Verdict Check(const QByteArray& authorization, const QByteArray& method, const QByteArray& uri,
                bool allowBasic) const;

 private:
  QByteArray NonceAt(qint64 issuedS) const;
  Verdict CheckDigest(const QByteArray& parameters, const QByteArray& method,
                      const QByteArray& uri) const;

  QString realm_;
  QString user_;
  QString password_;
  QByteArray secret_;
};

}  // namespace lanesim::onvif
