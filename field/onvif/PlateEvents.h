#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include "OnvifRequests.h"
#include "PlateNotification.h"
#include "SoapTransport.h"

namespace field::onvif {

class OnvifDevice;

// The camera's licence-plate events through a pull point: subscribed with a
// topic filter when the camera lists the plate topic, pulled as a long poll so
// that a plate arrives as soon as the camera has it, renewed before it ends,
// made again at most kLongestRetryMs after a failure, so within seconds of a
// restarted camera answering.
class PlateEvents : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPullSeconds = 10;
  static constexpr int kLifetimeSeconds = 60;
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kLongestRetryMs = 2000;
  // Event answers may carry both pictures inline, base64.
  static constexpr qsizetype kLargestPullAnswer = 24 * 1024 * 1024;

  PlateEvents(OnvifDevice& device, QObject* parent = nullptr);

  void Start(const QUrl& events);
  // Unsubscribes; what is still under way is dropped. `stopped` runs when the
  // camera has answered the unsubscription or could not be reached.
  void Stop(std::function<void()> stopped = {});
  bool Subscribed() const { return !pullPoint_.isEmpty(); }

 signals:
  void Plate(const field::onvif::PlateNotification& plate);
  void Notice(const QString& text);
  void Refused();

 private:
  void Subscribe();
  void Pull();
  void Renew();
  void Failed(const QString& reason);
  void SendToPullPoint(const Request& request, int timeoutMs,
                       std::function<void(const SoapResult&)> done);
  void RenewWithin(qint64 lifetimeMs);

  OnvifDevice& device_;
  QUrl events_;
  QUrl pullPoint_;
  QByteArray referenceParameters_;
  int generation_ = 0;
  bool failing_ = false;
  int nextRetryMs_ = kFirstRetryMs;
  QTimer retry_;
  QTimer renew_;
  QElapsedTimer pulled_;
};

}  // namespace field::onvif
