#include "CameraTool.h"

#include <QSaveFile>
#include <memory>

#include "CameraSettings.h"
#include "OnvifAnswers.h"
#include "OnvifDevice.h"
#include "OnvifRequests.h"
#include "RunEventLoop.h"

namespace lanectl {
namespace {

using field::onvif::DeviceSetup;
using field::onvif::SoapResult;

// A camera that is reached but slow still answers within this; a long poll is never made.
constexpr int kPatienceMs = 15000;
constexpr int kDone = 0;
constexpr int kCameraFailed = 1;
constexpr int kBadInput = 2;

std::string Text(const QString& text) {
  return text.toStdString();
}

QString Credentialless(const QUrl& url) {
  return url.isEmpty() ? QStringLiteral("(none)") : url.toString(QUrl::RemoveUserInfo);
}

// One call at a time, waited for; nothing when the camera did not answer in time.
class Session {
 public:
  Session(const field::CameraSettings& camera, const QString& host)
      : device_(camera.DeviceService(host), {camera.user, camera.password}) {}

  field::onvif::OnvifDevice& Device() { return device_; }

  std::optional<SoapResult> Call(const QUrl& service, const field::onvif::Request& request) {
    std::optional<SoapResult> answer;
    device_.Call(service, request, [&](const SoapResult& result) { answer = result; });
    RunEventLoopUntil([&] { return answer.has_value(); }, kPatienceMs);
    return answer;
  }

 private:
  field::onvif::OnvifDevice device_;
};

// Why a call failed, in one line; empty when it did not.
QString Failure(const char* operation, const std::optional<SoapResult>& result) {
  if (!result) return QStringLiteral("%1: no answer").arg(QLatin1String(operation));
  if (result->refused) {
    return QStringLiteral("%1: the camera refused the user name or password")
        .arg(QLatin1String(operation));
  }
  if (!result->answer.Ok()) {
    return QStringLiteral("%1: %2").arg(QLatin1String(operation), result->answer.Problem());
  }
  return {};
}

int Fail(std::ostream& err, const QString& why) {
  err << "lanectl: camera: " << Text(why) << '\n';
  return kCameraFailed;
}

void PrintInfo(std::ostream& out, Session& session, const DeviceSetup& setup) {
  const field::onvif::DeviceInformation& device = setup.information;
  out << "device service  " << Text(session.Device().DeviceService().toString()) << '\n'
      << "manufacturer    " << Text(device.manufacturer) << '\n'
      << "model           " << Text(device.model) << '\n'
      << "firmware        " << Text(device.firmware) << '\n'
      << "serial number   " << Text(device.serialNumber) << '\n'
      << "clock offset    " << setup.clockOffsetMs / 1000.0 << " s (camera minus this machine)\n";
  const field::onvif::ServiceAddresses& services = setup.services;
  out << "services        device " << Text(Credentialless(services.device)) << '\n'
      << "                media ver10 " << Text(Credentialless(services.media1)) << '\n'
      << "                media ver20 " << Text(Credentialless(services.media2)) << '\n'
      << "                events " << Text(Credentialless(services.events)) << '\n'
      << "                device IO " << Text(Credentialless(services.deviceIo)) << '\n';
  for (const field::onvif::MediaProfile& profile : setup.profiles) {
    out << "profile         " << Text(profile.token) << " \"" << Text(profile.name) << '"'
        << (profile.token == setup.profile.token ? " (used)" : "") << '\n';
  }
  out << "stream          " << Text(Credentialless(setup.stream)) << '\n'
      << "snapshot        " << Text(Credentialless(setup.snapshot)) << '\n';
  for (const QString& problem : setup.problems) out << "problem         " << Text(problem) << '\n';

  const std::optional<SoapResult> relays =
      session.Call(services.device, field::onvif::GetRelayOutputs());
  if (const QString why = Failure("GetRelayOutputs", relays); !why.isEmpty()) {
    out << "relay outputs   " << Text(why) << '\n';
  } else {
    const auto outputs = field::onvif::ReadRelayOutputs(relays->answer.body);
    if (outputs.empty()) out << "relay outputs   none\n";
    for (const field::onvif::RelayOutput& relay : outputs) {
      out << "relay output    " << Text(relay.token) << ' ' << Text(relay.mode) << ' '
          << Text(relay.delayTime) << " idle " << Text(relay.idleState) << '\n';
    }
  }
  if (services.events.isEmpty()) {
    out << "event topics    (no event service)\n";
    return;
  }
  const std::optional<SoapResult> topics =
      session.Call(services.events, field::onvif::GetEventProperties());
  if (const QString why = Failure("GetEventProperties", topics); !why.isEmpty()) {
    out << "event topics    " << Text(why) << '\n';
    return;
  }
  for (const QString& topic : field::onvif::ReadTopics(topics->answer.body)) {
    out << "event topic     " << Text(topic) << '\n';
  }
}

int Snapshot(std::ostream& out, std::ostream& err, Session& session, const DeviceSetup& setup,
             const QString& file) {
  if (setup.snapshot.isEmpty()) return Fail(err, QStringLiteral("the camera has no snapshot"));
  std::optional<QByteArray> picture;
  QString error;
  session.Device().Pictures().Fetch(setup.snapshot,
                                    [&](const QByteArray& bytes, const QString& why) {
                                      picture = bytes;
                                      error = why;
                                    });
  RunEventLoopUntil([&] { return picture.has_value(); }, kPatienceMs);
  if (!picture) return Fail(err, QStringLiteral("snapshot: no answer"));
  if (!error.isEmpty()) return Fail(err, QStringLiteral("snapshot: ") + error);
  QSaveFile saved(file);
  if (!saved.open(QIODevice::WriteOnly) || saved.write(*picture) != picture->size() ||
      !saved.commit()) {
    return Fail(err, QStringLiteral("%1: %2").arg(file, saved.errorString()));
  }
  out << Text(file) << ": " << picture->size() << " bytes\n";
  return kDone;
}

int Gate(std::ostream& out, std::ostream& err, Session& session, const DeviceSetup& setup,
         const CameraRequest& request) {
  const std::optional<SoapResult> relays =
      session.Call(setup.services.device, field::onvif::GetRelayOutputs());
  if (const QString why = Failure("GetRelayOutputs", relays); !why.isEmpty()) {
    return Fail(err, why);
  }
  const QString wanted = QString::fromStdString(request.relay);
  const auto outputs = field::onvif::ReadRelayOutputs(relays->answer.body);
  const auto relay = std::find_if(outputs.begin(), outputs.end(), [&](const auto& output) {
    return wanted.isEmpty() || output.token == wanted;
  });
  if (relay == outputs.end()) {
    return Fail(err, wanted.isEmpty() ? QStringLiteral("the camera has no relay output")
                                      : QStringLiteral("the camera has no relay output ") + wanted);
  }
  const QString idle = relay->idleState.isEmpty() ? QStringLiteral("closed") : relay->idleState;
  const std::optional<SoapResult> monostable =
      session.Call(setup.services.device,
                   field::onvif::SetRelayOutputSettings(relay->token, request.gatePulseMs, idle));
  if (const QString why = Failure("SetRelayOutputSettings", monostable); !why.isEmpty()) {
    return Fail(err, why);
  }
  const std::optional<SoapResult> active =
      session.Call(setup.services.device, field::onvif::SetRelayOutputState(relay->token, true));
  if (const QString why = Failure("SetRelayOutputState", active); !why.isEmpty()) {
    return Fail(err, why);
  }
  out << "relay " << Text(relay->token) << " pulsed for " << request.gatePulseMs << " ms\n";
  return kDone;
}

int SyncTime(std::ostream& out, std::ostream& err, Session& session, const DeviceSetup& setup) {
  std::optional<SoapResult> answer;
  session.Device().SyncTime(setup.clock, [&](const SoapResult& result) { answer = result; });
  RunEventLoopUntil([&] { return answer.has_value(); }, kPatienceMs);
  if (const QString why = Failure("SetSystemDateAndTime", answer); !why.isEmpty()) {
    return Fail(err, why);
  }
  out << "camera clock set to this machine's UTC (it was " << setup.clockOffsetMs / 1000.0
      << " s off), time zone " << Text(setup.clock.timeZone) << " kept\n";
  return kDone;
}

}  // namespace

int AskCamera(const CameraRequest& request, std::ostream& out, std::ostream& err) {
  QString problem;
  std::optional<field::CameraSettings> camera =
      field::ParseCameraUrl(QString::fromStdString(request.url), problem);
  if (!camera) {
    err << "lanectl: camera: " << Text(problem) << '\n';
    return kBadInput;
  }
  if (camera->host == QStringLiteral("{address}")) {
    err << "lanectl: camera: name the camera's address instead of {address}\n";
    return kBadInput;
  }
  if (camera->password.isEmpty()) {
    camera->password = qEnvironmentVariable("LANECONSOLE_CAMERA_PASSWORD");
  }

  Session session(*camera, camera->host);
  std::optional<DeviceSetup> setup;
  std::optional<SoapResult> failure;
  bool prepared = false;
  session.Device().Prepare(QString::fromStdString(request.profile),
                           [&](const std::optional<SoapResult>& why, const DeviceSetup& found) {
                             failure = why;
                             setup = found;
                             prepared = true;
                           });
  RunEventLoopUntil([&] { return prepared; }, kPatienceMs);
  if (!prepared) return Fail(err, QStringLiteral("no answer from ") + camera->Describe());
  if (failure) return Fail(err, Failure("connecting", failure));

  if (request.action == "info") {
    PrintInfo(out, session, *setup);
    return kDone;
  }
  if (request.action == "snapshot") {
    return Snapshot(out, err, session, *setup, QString::fromStdString(request.file));
  }
  if (request.action == "gate") return Gate(out, err, session, *setup, request);
  return SyncTime(out, err, session, *setup);
}

}  // namespace lanectl
