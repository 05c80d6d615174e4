#pragma once

#include <QPointer>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "CameraSettings.h"
#include "FieldCamera.h"
#include "OnvifDevice.h"
#include "PlateEvents.h"

namespace field::onvif {

// The camera SDK backend of a lane whose camera speaks ONVIF: 连接 finds out
// the camera's clock, services, stream and snapshot, subscribes to its plate
// events and learns its relay outputs; plates, the snapshot and the gate go
// through the camera. The serial line, pushed plates and the video's newest
// frame stay with `lane`. Everything the camera is asked happens without
// holding the window's thread, except the snapshot, which waits a bounded
// time for a worker thread.
class OnvifCamera : public camera::SdkBackend {
  Q_OBJECT

 public:
  static constexpr int kClockNoticeMs = 5000;
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kLongestRetryMs = 2000;
  static constexpr int kSnapshotWaitMs = 7000;

  // `video` may be null; when given it must outlive the camera.
  OnvifCamera(CameraSettings settings, std::unique_ptr<FieldCamera> lane, const StreamVideo* video,
              QObject* parent = nullptr);
  ~OnvifCamera() override;

  camera::Status Connect(const QString& address, std::int32_t option,
                         camera::CameraHandle& handle) override;
  camera::Status Disconnect(camera::CameraHandle handle) override;
  camera::Status Trigger(camera::CameraHandle handle, QString& number, QString& color,
                         camera::AutomationByteArray& picture, std::int32_t bufferSize,
                         std::int32_t& length, std::uint8_t& result) override;
  // A relay pulse: Monostable once, then active; the relay falls back by itself.
  camera::Status OpenGate(camera::CameraHandle handle) override;
  camera::Status ConfigureConnection(camera::CameraHandle handle, std::int32_t first,
                                     std::int32_t second) override;
  // The camera's snapshot at full size, the array grown when it is larger.
  camera::Status Capture(camera::CameraHandle handle, camera::AutomationByteArray& picture,
                         std::int32_t bufferSize, std::int32_t& length,
                         std::uint8_t& result) override;
  camera::Status TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) override;

  // The password the engineer typed after PasswordRefused; connecting starts again.
  void SetPassword(const QString& password);
  // Connecting found out what the camera offers (tests, lanectl, benchmarks).
  bool Ready() const { return setup_.has_value(); }
  bool EventsSubscribed() const { return events_ && events_->Subscribed(); }

 signals:
  // The camera refused the user name or password; said once until SetPassword.
  void PasswordRefused();
  // The camera's stream with its credentials, for CameraStreamVideo::UseStream;
  // empty at 断开.
  void StreamFound(const QString& url);

 private:
  struct PendingPlate;

  void Prepare();
  void Prepared(const std::optional<SoapResult>& failure, const DeviceSetup& setup);
  void LearnRelays();
  void Retry(const QString& reason);
  void Refused();
  void OnPlate(const PlateNotification& plate);
  void DeliverReady();
  void Pulse(const RelayOutput& relay);
  camera::Status SnapshotFromVideo(camera::AutomationByteArray& picture, std::int32_t& length,
                                   std::uint8_t& result) const;
  Credentials CurrentCredentials() const;
  // For answers that may come after 断开 or after the camera is gone: the
  // device lives on until its unsubscription has gone out.
  QPointer<OnvifCamera> Guard() { return this; }
  QString StreamWithCredentials(const QUrl& stream) const;

  CameraSettings settings_;
  std::unique_ptr<FieldCamera> lane_;
  const StreamVideo* video_;
  QString address_;
  camera::CameraHandle handle_ = 0;
  camera::CameraHandle lastHandle_ = 0;
  std::unique_ptr<OnvifDevice> device_;
  std::unique_ptr<PlateEvents> events_;
  std::optional<DeviceSetup> setup_;
  std::optional<std::vector<RelayOutput>> relays_;
  bool relayPrepared_ = false;
  bool failing_ = false;
  bool refused_ = false;
  int attempt_ = 0;
  int nextRetryMs_ = kFirstRetryMs;
  QTimer retry_;
  std::deque<std::shared_ptr<PendingPlate>> plates_;
  bool deliveryQueued_ = false;
};

// "摄像机时钟比本机快 2 小时 0 分 3 秒" (or 慢) for an offset of camera minus laptop.
QString ClockOffsetNotice(qint64 offsetMs);

}  // namespace field::onvif
