#include "CameraHttp.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>
#include <memory>

namespace field::onvif {

void Exchange(QNetworkAccessManager& network, QNetworkRequest request,
              const std::optional<QByteArray>& post, HttpLimits limits, QObject* context,
              std::function<void(HttpResult)> done) {
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
  QNetworkReply* reply = post ? network.post(request, *post) : network.get(request);
  auto why = std::make_shared<QString>();
  auto* timer = new QTimer(reply);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, reply, [reply, why, limits] {
    if (reply->isFinished()) return;
    *why = QStringLiteral("no answer within %1 ms").arg(limits.timeoutMs);
    reply->abort();
  });
  timer->start(limits.timeoutMs);
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                   [reply, why, limits](qint64 received, qint64 total) {
                     if (why->isEmpty() && !reply->isFinished() &&
                         (received > limits.largestBody || total > limits.largestBody)) {
                       *why = QStringLiteral("answer larger than %1 bytes").arg(limits.largestBody);
                       reply->abort();
                     }
                   });
  QObject::connect(
      reply, &QNetworkReply::finished, context, [reply, timer, why, done = std::move(done)] {
        timer->stop();
        reply->deleteLater();
        HttpResult result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!why->isEmpty()) {
          result.error = *why;
          done(std::move(result));
          return;
        }
        result.body = reply->readAll();
        for (const auto& [name, value] : reply->rawHeaderPairs()) {
          if (name.compare("WWW-Authenticate", Qt::CaseInsensitive) == 0) {
            result.challenges << value;
          }
        }
        if (reply->error() != QNetworkReply::NoError && result.status == 0) {
          result.error = reply->errorString();
        }
        done(std::move(result));
      });
}

bool HttpAuthSession::Adopt(const QList<QByteArray>& challenges) {
  std::optional<HttpChallenge> chosen = ChooseChallenge(challenges);
  if (!chosen) return false;
  challenge_ = std::move(chosen);
  count_ = 0;
  return true;
}

void HttpAuthSession::Authorize(QNetworkRequest& request, const QByteArray& method,
                                const Credentials& credentials) {
  if (!challenge_) return;
  const QUrl& url = request.url();
  DigestUse use{method, url.path(QUrl::FullyEncoded).toUtf8(), ++count_, {}};
  if (use.uri.isEmpty()) use.uri = "/";
  if (url.hasQuery()) use.uri += '?' + url.query(QUrl::FullyEncoded).toUtf8();
  use.clientNonce = QByteArray::number(QRandomGenerator::global()->generate64(), 16);
  request.setRawHeader("Authorization",
                       Authorization(*challenge_, credentials.user, credentials.password, use));
}

}  // namespace field::onvif
