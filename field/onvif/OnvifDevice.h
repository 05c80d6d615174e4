#pragma once

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

#include "OnvifAnswers.h"
#include "OnvifRequests.h"
#include "PictureFetch.h"
#include "SoapTransport.h"

namespace field::onvif {

// What connecting found out about the camera; addresses already at the typed host.
struct DeviceSetup {
  qint64 clockOffsetMs = 0;  // camera UTC minus local UTC
  CameraClock clock;
  DeviceInformation information;
  ServiceAddresses services;
  const char* media = nullptr;  // kMedia1Namespace or kMedia2Namespace; null: no media service
  std::vector<MediaProfile> profiles;
  MediaProfile profile;
  QUrl stream;
  QUrl snapshot;
  // What did not work but leaves the rest usable, for the pane.
  QStringList problems;
};

// One ONVIF device at the address the engineer typed: every call goes there,
// whatever host the camera names. Results arrive on this object's thread.
class OnvifDevice : public QObject {
  Q_OBJECT

 public:
  using Done = std::function<void(const SoapResult&)>;

  OnvifDevice(QUrl deviceService, const Credentials& credentials, QObject* parent = nullptr);

  void SetCredentials(const Credentials& credentials);
  const QUrl& DeviceService() const { return deviceService_; }
  QUrl Reach(const QUrl& handedOut) const;
  SoapTransport& Transport() { return transport_; }
  PictureFetch& Pictures() { return pictures_; }

  void Call(const QUrl& service, const Request& request, Done done, bool authenticate = true);

  // GetSystemDateAndTime (its offset then applies to every token), GetServices
  // or GetCapabilities, GetDeviceInformation, then the media profile
  // (`profile` a name or token, empty: the first) with its stream and snapshot
  // addresses. `failure` is set when the camera cannot be used at all.
  void Prepare(
      const QString& profile,
      std::function<void(const std::optional<SoapResult>& failure, const DeviceSetup&)> done);

  // SetSystemDateAndTime to the laptop's UTC, keeping the camera's zone.
  void SyncTime(const CameraClock& clock, Done done);

 private:
  void PrepareServices(
      std::shared_ptr<DeviceSetup> setup, const QString& profile,
      std::function<void(const std::optional<SoapResult>&, const DeviceSetup&)> done);
  void PrepareMedia(std::shared_ptr<DeviceSetup> setup, const QString& profile,
                    std::function<void(const std::optional<SoapResult>&, const DeviceSetup&)> done);

  QUrl deviceService_;
  SoapTransport transport_;
  PictureFetch pictures_;
};

}  // namespace field::onvif
