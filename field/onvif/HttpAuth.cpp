#include "HttpAuth.h"

#include <QCryptographicHash>

namespace field::onvif {
namespace {

bool IsTokenChar(char c) {
  return c > ' ' && c != ',' && c != '=' && c != '"' && c != 0x7f;
}

// One header's challenges: a scheme token, then name=value parameters, values
// quoted or bare; a token not followed by '=' starts the next challenge.
struct RawChallenge {
  QByteArray scheme;
  QList<std::pair<QByteArray, QByteArray>> parameters;

  QByteArray Parameter(const char* name) const {
    for (const auto& [key, value] : parameters) {
      if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
  }
};

QList<RawChallenge> ParseHeader(const QByteArray& header) {
  QList<RawChallenge> challenges;
  qsizetype at = 0;
  const auto skipSpaceAndCommas = [&] {
    while (at < header.size() && (header[at] == ' ' || header[at] == '\t' || header[at] == ',')) {
      ++at;
    }
  };
  while (true) {
    skipSpaceAndCommas();
    if (at >= header.size()) break;
    const qsizetype start = at;
    while (at < header.size() && IsTokenChar(header[at])) ++at;
    const QByteArray token = header.mid(start, at - start);
    if (token.isEmpty()) {
      ++at;
      continue;
    }
    qsizetype look = at;
    while (look < header.size() && header[look] == ' ') ++look;
    if (look >= header.size() || header[look] != '=') {
      challenges.append({token, {}});
      continue;
    }
    at = look + 1;
    while (at < header.size() && header[at] == ' ') ++at;
    QByteArray value;
    if (at < header.size() && header[at] == '"') {
      for (++at; at < header.size() && header[at] != '"'; ++at) {
        if (header[at] == '\\' && at + 1 < header.size()) ++at;
        value += header[at];
      }
      ++at;
    } else {
      const qsizetype valueStart = at;
      while (at < header.size() && header[at] != ',') ++at;
      value = header.mid(valueStart, at - valueStart).trimmed();
    }
    if (!challenges.isEmpty()) challenges.last().parameters.append({token, value});
  }
  return challenges;
}

QCryptographicHash::Algorithm HashOf(HttpChallenge::Scheme scheme) {
  return scheme == HttpChallenge::Scheme::kDigestSha256 ? QCryptographicHash::Sha256
                                                        : QCryptographicHash::Md5;
}

QByteArray Hex(QCryptographicHash::Algorithm algorithm, const QByteArray& text) {
  return QCryptographicHash::hash(text, algorithm).toHex();
}

QByteArray Quoted(const QByteArray& value) {
  QByteArray quoted = value;
  quoted.replace('\\', "\\\\").replace('"', "\\\"");
  return '"' + quoted + '"';
}

}  // namespace

std::optional<HttpChallenge> ChooseChallenge(const QList<QByteArray>& wwwAuthenticate) {
  std::optional<HttpChallenge> best;
  for (const QByteArray& header : wwwAuthenticate) {
    for (const RawChallenge& raw : ParseHeader(header)) {
      HttpChallenge challenge;
      if (raw.scheme.compare("Basic", Qt::CaseInsensitive) == 0) {
        challenge.scheme = HttpChallenge::Scheme::kBasic;
      } else if (raw.scheme.compare("Digest", Qt::CaseInsensitive) == 0) {
        const QByteArray algorithm = raw.Parameter("algorithm").toUpper();
        if (algorithm.isEmpty() || algorithm == "MD5") {
          challenge.scheme = HttpChallenge::Scheme::kDigestMd5;
        } else if (algorithm == "SHA-256") {
          challenge.scheme = HttpChallenge::Scheme::kDigestSha256;
        } else {
          continue;
        }
        const QByteArray qop = raw.Parameter("qop");
        bool offersAuth = false;
        for (const QByteArray& option : qop.split(',')) {
          offersAuth = offersAuth || option.trimmed() == "auth";
        }
        // A qop list without "auth" (auth-int only) is one the console cannot answer.
        if (!qop.isEmpty() && !offersAuth) continue;
        challenge.qopAuth = offersAuth;
        challenge.nonce = raw.Parameter("nonce");
        challenge.opaque = raw.Parameter("opaque");
        challenge.stale = raw.Parameter("stale").compare("true", Qt::CaseInsensitive) == 0;
      } else {
        continue;
      }
      challenge.realm = raw.Parameter("realm");
      if (!best || challenge.scheme > best->scheme) best = challenge;
    }
  }
  return best;
}

QByteArray Authorization(const HttpChallenge& challenge, const QString& user,
                         const QString& password, const DigestUse& use) {
  if (challenge.scheme == HttpChallenge::Scheme::kBasic) {
    return "Basic " + (user.toUtf8() + ':' + password.toUtf8()).toBase64();
  }
  const QCryptographicHash::Algorithm algorithm = HashOf(challenge.scheme);
  const QByteArray ha1 =
      Hex(algorithm, user.toUtf8() + ':' + challenge.realm + ':' + password.toUtf8());
  const QByteArray ha2 = Hex(algorithm, use.method + ':' + use.uri);
  const QByteArray count = QByteArray::number(use.count, 16).rightJustified(8, '0');
  const QByteArray response = challenge.qopAuth
                                  ? Hex(algorithm, ha1 + ':' + challenge.nonce + ':' + count + ':' +
                                                       use.clientNonce + ":auth:" + ha2)
                                  : Hex(algorithm, ha1 + ':' + challenge.nonce + ':' + ha2);
  QByteArray header = "Digest username=" + Quoted(user.toUtf8()) +
                      ", realm=" + Quoted(challenge.realm) + ", nonce=" + Quoted(challenge.nonce) +
                      ", uri=" + Quoted(use.uri) + ", response=\"" + response + '"';
  header += challenge.scheme == HttpChallenge::Scheme::kDigestSha256 ? ", algorithm=SHA-256"
                                                                     : ", algorithm=MD5";
  if (!challenge.opaque.isEmpty()) header += ", opaque=" + Quoted(challenge.opaque);
  if (challenge.qopAuth) {
    header += ", qop=auth, nc=" + count + ", cnonce=" + Quoted(use.clientNonce);
  }
  return header;
}

}  // namespace field::onvif
