#include "SimulatedCamera.h"

#include <chrono>
#include <future>

#include "Lane.h"
#include "OnvifServer.h"

namespace lanesim::onvif {
namespace {

// Painting a frame takes milliseconds; a lane this late is stuck.
constexpr std::chrono::seconds kSnapshotPatience{2};

QString Milliseconds(std::chrono::milliseconds duration) {
  return QStringLiteral("%1 ms").arg(duration.count());
}

}  // namespace

SimulatedCamera::SimulatedCamera(virtual_lane::Lane& lane) : lane_(lane) {
  relayIdle_.setSingleShot(true);
  connect(&relayIdle_, &QTimer::timeout, this, [this] {
    lane_.CloseGate();
    emit Note(QStringLiteral("lanesim: relay %1 back to idle, barrier closing")
                  .arg(QLatin1String(kRelayToken)));
  });
}

SimulatedCamera::~SimulatedCamera() = default;

std::unique_ptr<SimulatedCamera> SimulatedCamera::Start(virtual_lane::Lane& lane,
                                                        std::uint16_t port,
                                                        const Settings& settings,
                                                        std::optional<QUrl> stream,
                                                        QString& error) {
  std::unique_ptr<SimulatedCamera> camera(new SimulatedCamera(lane));
  SimulatedCamera* self = camera.get();
  LaneHooks hooks;
  hooks.snapshot = [self] { return self->SnapshotFromAnyThread(); };
  hooks.relay = [self](const RelayCommand& command) {
    QMetaObject::invokeMethod(
        self, [self, command] { self->Relay(command); }, Qt::QueuedConnection);
  };
  hooks.note = [self](const QString& line) { self->NoteFromAnyThread(line); };
  camera->server_ = OnvifServer::Start(port, settings, std::move(stream), hooks, error);
  if (!camera->server_) return nullptr;
  connect(&lane, &virtual_lane::Lane::PlateRecognised, self,
          [self](const virtual_lane::PlateEvent& plate) { self->server_->Publish(plate); });
  return camera;
}

QString SimulatedCamera::DeviceServiceUrl() const {
  return server_->DeviceServiceUrl();
}

void SimulatedCamera::NoteFromAnyThread(const QString& line) {
  QMetaObject::invokeMethod(
      this, [this, line] { emit Note(line); }, Qt::QueuedConnection);
}

std::optional<QByteArray> SimulatedCamera::SnapshotFromAnyThread() {
  auto promise = std::make_shared<std::promise<QByteArray>>();
  std::future<QByteArray> frame = promise->get_future();
  QMetaObject::invokeMethod(
      this,
      [this, promise] {
        const std::vector<std::uint8_t>& jpeg = lane_.CaptureJpeg();
        promise->set_value(QByteArray(reinterpret_cast<const char*>(jpeg.data()),
                                      static_cast<qsizetype>(jpeg.size())));
      },
      Qt::QueuedConnection);
  if (frame.wait_for(kSnapshotPatience) != std::future_status::ready) return std::nullopt;
  return frame.get();
}

// Active lifts the barrier; a monostable relay falls back by itself after its
// delay, and the barrier with it.
void SimulatedCamera::Relay(const RelayCommand& command) {
  const QString relay = QLatin1String(kRelayToken);
  if (!command.active) {
    relayIdle_.stop();
    lane_.CloseGate();
    emit Note(QStringLiteral("lanesim: relay %1 inactive, barrier closing").arg(relay));
    return;
  }
  lane_.OpenGate();
  if (command.settings.monostable) {
    relayIdle_.start(command.settings.delay);
    emit Note(QStringLiteral("lanesim: relay %1 pulsed for %2, barrier opening")
                  .arg(relay, Milliseconds(command.settings.delay)));
  } else {
    relayIdle_.stop();
    emit Note(QStringLiteral("lanesim: relay %1 active, barrier opening").arg(relay));
  }
}

}  // namespace lanesim::onvif
