#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <functional>

#include "CameraHttp.h"
#include "SoapAnswer.h"
#include "SoapEnvelope.h"

namespace field::onvif {

struct SoapCall {
  QUrl url;  // already at the typed host
  QByteArray body;
  QString action;
  bool authenticate = true;
  // WS-Addressing headers, as pull points require, with these reference parameters.
  bool addressing = false;
  QByteArray referenceParameters;
  int timeoutMs = 5000;
  // Event answers may carry pictures inline.
  qsizetype largestAnswer = kLargestAnswer;
};

struct SoapResult {
  SoapAnswer answer;
  // The camera refused the user name or password (HTTP 401 or an authorization fault).
  bool refused = false;
};

// SOAP calls to one camera, authenticated as it asks: WS-UsernameToken with
// the camera's clock, or HTTP Digest once a 401 asked for it; never both in
// one request. Results arrive on this object's thread.
class SoapTransport : public QObject {
  Q_OBJECT

 public:
  explicit SoapTransport(QObject* parent = nullptr);

  void SetCredentials(const Credentials& credentials) { credentials_ = credentials; }
  const Credentials& CurrentCredentials() const { return credentials_; }
  // Camera UTC minus local UTC.
  void SetClockOffsetMs(qint64 offsetMs) { clockOffsetMs_ = offsetMs; }
  qint64 ClockOffsetMs() const { return clockOffsetMs_; }
  bool UsesHttpDigest() const { return session_.Active(); }

  void Send(const SoapCall& call, std::function<void(const SoapResult&)> done);

 private:
  void Attempt(const SoapCall& call, std::function<void(const SoapResult&)> done, bool retried);
  QByteArray Envelope(const SoapCall& call) const;

  QNetworkAccessManager network_;
  Credentials credentials_;
  qint64 clockOffsetMs_ = 0;
  HttpAuthSession session_;
};

}  // namespace field::onvif
