#include "SoapTransport.h"

#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QUuid>

namespace field::onvif {
namespace {

QByteArray RandomNonce() {
  QByteArray nonce(16, '\0');
  QRandomGenerator::global()->generate(reinterpret_cast<quint32*>(nonce.data()),
                                       reinterpret_cast<quint32*>(nonce.data() + nonce.size()));
  return nonce;
}

}  // namespace

SoapTransport::SoapTransport(QObject* parent) : QObject(parent) {
  network_.setProxy(QNetworkProxy::NoProxy);
}

QByteArray SoapTransport::Envelope(const SoapCall& call) const {
  SoapHeaders headers;
  if (call.addressing) {
    headers.addressing =
        Addressing{call.url.toString(QUrl::FullyEncoded), call.action,
                   QUuid::createUuid().toString(QUuid::WithoutBraces).prepend("urn:uuid:"),
                   call.referenceParameters};
  }
  if (call.authenticate && credentials_.Present() && !session_.Active()) {
    headers.token =
        UsernameToken{credentials_.user, credentials_.password,
                      QDateTime::currentDateTimeUtc().addMSecs(clockOffsetMs_), RandomNonce()};
  }
  return BuildEnvelope(call.body, headers);
}

void SoapTransport::Send(const SoapCall& call, std::function<void(const SoapResult&)> done) {
  Attempt(call, std::move(done), false);
}

void SoapTransport::Attempt(const SoapCall& call, std::function<void(const SoapResult&)> done,
                            bool retried) {
  QNetworkRequest request(call.url);
  request.setHeader(
      QNetworkRequest::ContentTypeHeader,
      QStringLiteral("application/soap+xml; charset=utf-8; action=\"%1\"").arg(call.action));
  if (credentials_.Present()) session_.Authorize(request, "POST", credentials_);
  Exchange(network_, request, Envelope(call), {call.largestAnswer, call.timeoutMs}, this,
           [this, call, done = std::move(done), retried](HttpResult http) {
             if (http.status == 401 && !retried && credentials_.Present() &&
                 session_.Adopt(http.challenges)) {
               Attempt(call, done, true);
               return;
             }
             SoapResult result;
             if (!http.error.isEmpty()) {
               result.answer.error = http.error;
             } else if (http.status == 401) {
               result.refused = true;
               result.answer.error =
                   credentials_.Present()
                       ? QStringLiteral("the camera refused the user name or password")
                       : QStringLiteral("the camera asks for a user name and password");
             } else {
               result.answer = ReadSoapAnswer(http.body, call.largestAnswer);
               if (result.answer.fault) {
                 result.refused = result.answer.fault->IsNotAuthorized();
               } else if (http.status / 100 != 2) {
                 result.answer.error = QStringLiteral("HTTP status %1").arg(http.status);
               }
             }
             done(result);
           });
}

}  // namespace field::onvif
