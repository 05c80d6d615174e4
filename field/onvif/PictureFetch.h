#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <functional>

#include "CameraHttp.h"

namespace field::onvif {

// Pictures a camera names (snapshot, event pictures), fetched with HTTP Digest
// or Basic as the camera asks. Results arrive on this object's thread.
class PictureFetch : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kLargestPictureBytes = 8 * 1024 * 1024;
  static constexpr int kTimeoutMs = 5000;

  explicit PictureFetch(QObject* parent = nullptr);

  void SetCredentials(const Credentials& credentials) { credentials_ = credentials; }
  // `error` is empty when `bytes` holds the picture.
  void Fetch(const QUrl& url,
             std::function<void(const QByteArray& bytes, const QString& error)> done);

 private:
  void Attempt(const QUrl& url,
               std::function<void(const QByteArray& bytes, const QString& error)> done,
               bool retried);

  QNetworkAccessManager network_;
  Credentials credentials_;
  HttpAuthSession session_;
};

}  // namespace field::onvif
