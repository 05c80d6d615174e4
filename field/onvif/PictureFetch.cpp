#include "PictureFetch.h"

#include <QNetworkProxy>

namespace field::onvif {

PictureFetch::PictureFetch(QObject* parent) : QObject(parent) {
  network_.setProxy(QNetworkProxy::NoProxy);
}

void PictureFetch::Fetch(const QUrl& url,
                         std::function<void(const QByteArray&, const QString&)> done) {
  Attempt(url, std::move(done), false);
}

void PictureFetch::Attempt(const QUrl& url,
                           std::function<void(const QByteArray&, const QString&)> done,
                           bool retried) {
  QNetworkRequest request(url);
  if (credentials_.Present()) session_.Authorize(request, "GET", credentials_);
  Exchange(network_, request, std::nullopt, {kLargestPictureBytes, kTimeoutMs}, this,
           [this, url, done = std::move(done), retried](HttpResult http) {
             if (http.status == 401 && !retried && credentials_.Present() &&
                 session_.Adopt(http.challenges)) {
               Attempt(url, done, true);
               return;
             }
             if (!http.error.isEmpty()) {
               done({}, http.error);
             } else if (http.status == 401) {
               done({}, QStringLiteral("the camera refused the user name or password"));
             } else if (http.status / 100 != 2) {
               done({}, QStringLiteral("HTTP status %1").arg(http.status));
             } else if (http.body.isEmpty()) {
               done({}, QStringLiteral("an empty picture"));
             } else {
               done(http.body, {});
             }
           });
}

}  // namespace field::onvif
