#include "PlatePusher.h"

#include <QHttpMultiPart>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <chrono>
#include <utility>

namespace lanesim {
namespace {

constexpr int kServiceUnavailable = 503;
// A receiver that hangs must not hold up every later plate.
constexpr int kTransferTimeoutS = 15;
// A car comes every 30 s: waiting longer than that only loses later plates.
constexpr int kLongestRetryAfterS = 60;

QNetworkReply* Post(QNetworkAccessManager& network, const QUrl& target,
                    const PlatePayload& payload) {
  QNetworkRequest request(target);
  request.setTransferTimeout(kTransferTimeoutS * 1000);
  if (payload.pictures.empty()) {
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    return network.post(request, payload.json);
  }
  auto* form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
  QHttpPart json;
  json.setHeader(QNetworkRequest::ContentDispositionHeader,
                 QByteArrayLiteral("form-data; name=\"json\""));
  json.setBody(payload.json);
  form->append(json);
  for (const JpegPart& picture : payload.pictures) {
    QHttpPart part;
    part.setHeader(
        QNetworkRequest::ContentDispositionHeader,
        "form-data; name=\"" + picture.name + "\"; filename=\"" + picture.fileName + '"');
    part.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("image/jpeg"));
    part.setBody(picture.bytes);
    form->append(part);
  }
  QNetworkReply* reply = network.post(request, form);
  form->setParent(reply);
  return reply;
}

// Only the delay in seconds: a receiver on the lane's network has no use for dates.
std::optional<int> RetryAfterSeconds(const QNetworkReply& reply) {
  bool number = false;
  const int seconds = reply.rawHeader(QByteArrayLiteral("Retry-After")).trimmed().toInt(&number);
  if (!number || seconds < 0) return std::nullopt;
  return std::min(seconds, kLongestRetryAfterS);
}

}  // namespace

PlatePusher::PlatePusher(QUrl target, QObject* parent)
    : QObject(parent), target_(std::move(target)) {
  // The receiver is the console on the lane's own network, never behind a proxy.
  network_.setProxy(QNetworkProxy::NoProxy);
  retryTimer_.setSingleShot(true);
  connect(&retryTimer_, &QTimer::timeout, this, &PlatePusher::Send);
  connect(&network_, &QNetworkAccessManager::finished, this, &PlatePusher::Answered);
}

void PlatePusher::Push(const QString& plate, PlatePayload payload) {
  if (static_cast<int>(waiting_.size()) == kMostWaiting) {
    emit Note(QStringLiteral("lanesim: dropped %1, %2 pushes already waiting")
                  .arg(waiting_.front().plate)
                  .arg(kMostWaiting));
    waiting_.pop_front();
  }
  waiting_.push_back({plate, std::move(payload)});
  if (!current_) SendNext();
}

void PlatePusher::SendNext() {
  current_.reset();
  if (waiting_.empty()) return;
  current_ = std::move(waiting_.front());
  waiting_.pop_front();
  Send();
}

void PlatePusher::Send() {
  ++current_->tries;
  Post(network_, target_, current_->payload);
}

void PlatePusher::Answered(QNetworkReply* reply) {
  reply->deleteLater();
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!status.isValid()) {
    const QString why = reply->error() == QNetworkReply::OperationCanceledError
                            ? QStringLiteral("no answer in %1 s").arg(kTransferTimeoutS)
                            : reply->errorString();
    emit Note(Outcome(QStringLiteral("failed (%1)").arg(why)));
    SendNext();
    return;
  }
  const int code = status.toInt();
  const std::optional<int> retryAfter = RetryAfterSeconds(*reply);
  if (code != kServiceUnavailable || !retryAfter) {
    emit Note(Outcome(QString::number(code)));
    SendNext();
  } else if (current_->tries == kMostTries) {
    emit Note(Outcome(QStringLiteral("%1 (gave up after %2 tries)").arg(code).arg(kMostTries)));
    SendNext();
  } else {
    emit Note(Outcome(QStringLiteral("%1 (retry after %2 s)").arg(code).arg(*retryAfter)));
    retryTimer_.start(std::chrono::seconds(*retryAfter));
  }
}

QString PlatePusher::Outcome(const QString& what) const {
  return QStringLiteral("lanesim: pushed %1 to %2: %3")
      .arg(current_->plate, target_.toString(), what);
}

}  // namespace lanesim
