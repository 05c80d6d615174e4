#pragma once

#include <QString>
#include <mutex>

#include "CameraClock.h"
#include "LaneHooks.h"
#include "OnvifSettings.h"
#include "RelayOutput.h"
#include "SoapCall.h"
#include "SoapReply.h"

namespace lanesim::onvif {

// Device management: identity, services, clock and the relay output.
class DeviceService {
 public:
  // `base` is http://HOST:PORT as the camera names itself.
  DeviceService(QString base, MediaVersions media, CameraClock& clock, LaneHooks hooks);

  HttpReply Handle(const SoapCall& call);

 private:
  HttpReply SetSystemDateAndTime(const SoapCall& call);
  HttpReply SetRelayOutputSettings(const SoapCall& call);
  HttpReply SetRelayOutputState(const SoapCall& call);
  HttpReply GetRelayOutputs();

  QString base_;
  MediaVersions media_;
  CameraClock& clock_;
  LaneHooks hooks_;
  std::mutex mutex_;
  RelaySettings relay_;
};

// Answers every service shares for a request it does not know or cannot take.
HttpReply UnknownAction(const QString& operation);
HttpReply InvalidArgument(const QString& subcode, const QString& reason);

}  // namespace lanesim::onvif
