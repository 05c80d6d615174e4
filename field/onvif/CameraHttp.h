#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <functional>
#include <optional>

#include "HttpAuth.h"

class QNetworkAccessManager;
class QObject;

namespace field::onvif {

struct Credentials {
  QString user;
  QString password;

  bool Present() const { return !user.isEmpty(); }
};

struct HttpResult {
  int status = 0;
  QByteArray body;
  QList<QByteArray> challenges;  // WWW-Authenticate headers of a 401
  // Set when no complete answer came: unreachable, too slow, too large.
  QString error;
};

struct HttpLimits {
  qint64 largestBody;
  int timeoutMs;
};

// One HTTP exchange with a camera, bounded in size and time, never through a
// proxy and never following a redirect (it could name any host). A POST when
// `post` is set, else a GET. `done` runs on `context`'s thread.
void Exchange(QNetworkAccessManager& network, QNetworkRequest request,
              const std::optional<QByteArray>& post, HttpLimits limits, QObject* context,
              std::function<void(HttpResult)> done);

// The HTTP authentication a camera asked for, remembered for the session so
// that later requests carry it from the start.
class HttpAuthSession {
 public:
  bool Active() const { return challenge_.has_value(); }
  // False when the 401 offers nothing the console can answer.
  bool Adopt(const QList<QByteArray>& challenges);
  void Authorize(QNetworkRequest& request, const QByteArray& method,
                 const Credentials& credentials);
  void Forget() { challenge_.reset(); }

 private:
  std::optional<HttpChallenge> challenge_;
  quint32 count_ = 0;
};

}  // namespace field::onvif
