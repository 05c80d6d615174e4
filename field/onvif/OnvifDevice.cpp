#include "OnvifDevice.h"

#include "TypedHost.h"

namespace field::onvif {
namespace {

using Finish = std::function<void(const std::optional<SoapResult>&, const DeviceSetup&)>;

QString Failed(const char* operation, const SoapResult& result) {
  return QStringLiteral("%1: %2").arg(QLatin1String(operation), result.answer.Problem());
}

}  // namespace

OnvifDevice::OnvifDevice(QUrl deviceService, const Credentials& credentials, QObject* parent)
    : QObject(parent), deviceService_(std::move(deviceService)) {
  SetCredentials(credentials);
}

void OnvifDevice::SetCredentials(const Credentials& credentials) {
  transport_.SetCredentials(credentials);
  pictures_.SetCredentials(credentials);
}

QUrl OnvifDevice::Reach(const QUrl& handedOut) const {
  return AtTypedHost(handedOut, deviceService_);
}

void OnvifDevice::Call(const QUrl& service, const Request& request, Done done, bool authenticate) {
  SoapCall call;
  call.url = service.isEmpty() ? deviceService_ : service;
  call.body = request.body;
  call.action = request.action;
  call.authenticate = authenticate;
  transport_.Send(call, std::move(done));
}

void OnvifDevice::Prepare(const QString& profile, Finish done) {
  auto setup = std::make_shared<DeviceSetup>();
  Call(
      deviceService_, GetSystemDateAndTime(),
      [this, setup, profile, done = std::move(done)](const SoapResult& result) {
        if (!result.answer.Ok()) {
          // Some cameras want credentials even for the time; the rest still works without it.
          if (!result.refused || !transport_.CurrentCredentials().Present()) {
            done(result, *setup);
            return;
          }
          setup->problems << Failed("GetSystemDateAndTime", result);
        } else if (std::optional<CameraClock> clock = ReadSystemDateAndTime(result.answer.body)) {
          setup->clock = *clock;
          // The camera gives whole seconds, cut: on average half a second behind its clock.
          setup->clockOffsetMs = QDateTime::currentDateTimeUtc().msecsTo(clock->utc) + 500;
          transport_.SetClockOffsetMs(setup->clockOffsetMs);
        } else {
          setup->problems << QStringLiteral("GetSystemDateAndTime: no UTC time in the answer");
        }
        PrepareServices(setup, profile, done);
      },
      false);
}

void OnvifDevice::PrepareServices(std::shared_ptr<DeviceSetup> setup, const QString& profile,
                                  Finish done) {
  const auto withInformation = [this, setup, profile, done] {
    Call(setup->services.device, GetDeviceInformation(),
         [this, setup, profile, done](const SoapResult& result) {
           if (result.refused) {
             done(result, *setup);
             return;
           }
           if (result.answer.Ok()) {
             setup->information = ReadDeviceInformation(result.answer.body);
           } else {
             setup->problems << Failed("GetDeviceInformation", result);
           }
           PrepareMedia(setup, profile, done);
         });
  };
  const auto reached = [this](ServiceAddresses services) {
    for (QUrl* address : {&services.device, &services.media1, &services.media2, &services.events,
                          &services.deviceIo}) {
      if (!address->isEmpty()) *address = Reach(*address);
    }
    if (services.device.isEmpty()) services.device = deviceService_;
    return services;
  };
  Call(deviceService_, GetServices(),
       [this, setup, done, withInformation, reached](const SoapResult& result) {
         if (result.refused) {
           done(result, *setup);
           return;
         }
         if (result.answer.Ok()) {
           setup->services = reached(ReadServices(result.answer.body));
           withInformation();
           return;
         }
         Call(deviceService_, GetCapabilities(),
              [setup, done, withInformation, reached](const SoapResult& fallback) {
                if (!fallback.answer.Ok()) {
                  done(fallback, *setup);
                  return;
                }
                setup->services = reached(ReadCapabilities(fallback.answer.body));
                withInformation();
              });
       });
}

void OnvifDevice::PrepareMedia(std::shared_ptr<DeviceSetup> setup, const QString& profile,
                               Finish done) {
  const bool media2 = !setup->services.media2.isEmpty();
  const QUrl media = media2 ? setup->services.media2 : setup->services.media1;
  if (media.isEmpty()) {
    setup->problems << QStringLiteral("the camera lists no media service: no stream, no snapshot");
    done(std::nullopt, *setup);
    return;
  }
  setup->media = media2 ? kMedia2Namespace : kMedia1Namespace;
  Call(media, GetProfiles(setup->media),
       [this, setup, profile, media, done](const SoapResult& result) {
         if (!result.answer.Ok()) {
           setup->problems << Failed("GetProfiles", result);
           done(result.refused ? std::optional<SoapResult>(result) : std::nullopt, *setup);
           return;
         }
         setup->profiles = ReadProfiles(result.answer.body);
         const auto chosen = std::find_if(
             setup->profiles.begin(), setup->profiles.end(), [&](const MediaProfile& p) {
               return profile.isEmpty() || p.token == profile || p.name == profile;
             });
         if (chosen == setup->profiles.end()) {
           setup->problems
               << (profile.isEmpty()
                       ? QStringLiteral("the camera has no media profile")
                       : QStringLiteral("the camera has no media profile %1").arg(profile));
           done(std::nullopt, *setup);
           return;
         }
         setup->profile = *chosen;
         Call(media, GetStreamUri(setup->media, setup->profile.token),
              [this, setup, media, done](const SoapResult& stream) {
                if (!stream.answer.Ok()) {
                  setup->problems << Failed("GetStreamUri", stream);
                } else if (ReadMediaUri(stream.answer.body).isEmpty()) {
                  setup->problems << QStringLiteral("GetStreamUri: the camera names no stream");
                } else {
                  setup->stream = Reach(QUrl(ReadMediaUri(stream.answer.body)));
                }
                Call(media, GetSnapshotUri(setup->media, setup->profile.token),
                     [this, setup, done](const SoapResult& snapshot) {
                       if (snapshot.answer.Ok() && !ReadMediaUri(snapshot.answer.body).isEmpty()) {
                         setup->snapshot = Reach(QUrl(ReadMediaUri(snapshot.answer.body)));
                       }
                       done(std::nullopt, *setup);
                     });
              });
       });
}

void OnvifDevice::SyncTime(const CameraClock& clock, Done done) {
  Call(deviceService_,
       SetSystemDateAndTime(QDateTime::currentDateTimeUtc(), clock.timeZone, clock.daylightSavings),
       std::move(done));
}

}  // namespace field::onvif
