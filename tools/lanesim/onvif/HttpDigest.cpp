#include "HttpDigest.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <map>
#include <optional>

namespace lanesim::onvif {
namespace {

std::map<QByteArray, QByteArray> Parameters(const QByteArray& text) {
  static const QRegularExpression pair(
      QStringLiteral(R"re((\w+)\s*=\s*(?:"([^"]*)"|([^,\s]*)))re"));
  std::map<QByteArray, QByteArray> found;
  for (const QRegularExpressionMatch& match : pair.globalMatch(QString::fromLatin1(text))) {
    const QString value = match.capturedStart(2) >= 0 ? match.captured(2) : match.captured(3);
    found[match.captured(1).toLower().toLatin1()] = value.toLatin1();
  }
  return found;
}

std::optional<QCryptographicHash::Algorithm> AlgorithmNamed(const QByteArray& name) {
  if (name.isEmpty() || name.compare("MD5", Qt::CaseInsensitive) == 0) {
    return QCryptographicHash::Md5;
  }
  if (name.compare("SHA-256", Qt::CaseInsensitive) == 0) return QCryptographicHash::Sha256;
  return std::nullopt;
}

QByteArray Hex(QCryptographicHash::Algorithm algorithm, const QByteArray& text) {
  return QCryptographicHash::hash(text, algorithm).toHex();
}

}  // namespace

HttpDigest::HttpDigest(QString realm, QString user, QString password)
    : realm_(std::move(realm)), user_(std::move(user)), password_(std::move(password)) {
  secret_.resize(32);
  QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(secret_.data()),
                                        secret_.size() / 4);
}

QByteArray HttpDigest::NonceAt(qint64 issuedS) const {
  const QByteArray issued = QByteArray::number(issuedS, 16);
  return issued + '.' +
         QMessageAuthenticationCode::hash(issued, secret_, QCryptographicHash::Sha256)
             .toHex()
             .left(32);
}

std::vector<QByteArray> HttpDigest::Challenges(bool allowBasic, bool stale) const {
  const QByteArray nonce = NonceAt(QDateTime::currentSecsSinceEpoch());
  const QByteArray common = "Digest realm=\"" + realm_.toUtf8() + "\", qop=\"auth\", nonce=\"" +
                            nonce + "\"" + (stale ? ", stale=true" : "");
  std::vector<QByteArray> challenges{common + ", algorithm=SHA-256", common + ", algorithm=MD5"};
  if (allowBasic) challenges.push_back("Basic realm=\"" + realm_.toUtf8() + '"');
  return challenges;
}

HttpDigest::Verdict HttpDigest::Check(const QByteArray& authorization, const QByteArray& method,
                                      const QByteArray& uri, bool allowBasic) const {
  const QByteArray trimmed = authorization.trimmed();
  const qsizetype space = trimmed.indexOf(' ');
  const QByteArray scheme = trimmed.left(space).toLower();
  const QByteArray rest = space < 0 ? QByteArray() : trimmed.mid(space + 1);
  if (scheme == "digest") return CheckDigest(rest, method, uri);
  if (scheme == "basic" && allowBasic) {
    const QByteArray expected = (user_ + u':' + password_).toUtf8();
    return QByteArray::fromBase64(rest.trimmed()) == expected ? Verdict::Accepted
                                                              : Verdict::Refused;
  }
  return trimmed.isEmpty() ? Verdict::Missing : Verdict::Refused;
}

HttpDigest::Verdict HttpDigest::CheckDigest(const QByteArray& parameters, const QByteArray& method,
                                            const QByteArray& uri) const {
  const std::map<QByteArray, QByteArray> p = Parameters(parameters);
  const auto value = [&p](const char* name) {
    const auto found = p.find(name);
    return found == p.end() ? QByteArray() : found->second;
  };
  const std::optional<QCryptographicHash::Algorithm> algorithm = AlgorithmNamed(value("algorithm"));
  if (!algorithm || value("username") != user_.toUtf8() || value("realm") != realm_.toUtf8() ||
      value("uri") != uri) {
    return Verdict::Refused;
  }
  const QByteArray nonce = value("nonce");
  bool number = false;
  const qint64 issued = nonce.left(nonce.indexOf('.')).toLongLong(&number, 16);
  if (!number || NonceAt(issued) != nonce) return Verdict::Refused;

  const QByteArray ha1 = Hex(*algorithm, (user_ + u':' + realm_ + u':' + password_).toUtf8());
  const QByteArray ha2 = Hex(*algorithm, method + ':' + uri);
  const QByteArray qop = value("qop");
  QByteArray expected;
  if (qop.isEmpty()) {
    expected = Hex(*algorithm, ha1 + ':' + nonce + ':' + ha2);
  } else if (qop == "auth") {
    expected = Hex(*algorithm,
                   ha1 + ':' + nonce + ':' + value("nc") + ':' + value("cnonce") + ":auth:" + ha2);
  } else {
    return Verdict::Refused;
  }
  if (value("response").toLower() != expected) return Verdict::Refused;
  // Only a right answer learns that its nonce is too old, as RFC 7616 says.
  if (QDateTime::currentSecsSinceEpoch() - issued > kNonceLifetimeS) return Verdict::Stale;
  return Verdict::Accepted;
}

}  // namespace lanesim::onvif
