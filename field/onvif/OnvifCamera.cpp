#include "OnvifCamera.h"

#include <QEventLoop>
#include <cstring>
#include <future>
#include <thread>

#include "JpegEncoder.h"
#include "StreamVideo.h"

namespace field::onvif {
namespace {

constexpr int kSnapshotQuality = 90;

camera::Status Failure(const QString& why) {
  return camera::Status::Failure(camera::kStatusFailed, why.toStdString());
}

struct Download {
  QByteArray bytes;
  QString error;
};

// A picture fetched on a thread of its own, so that the window's thread only
// waits and never runs its event loop inside a handler.
std::future<Download> DownloadOnWorker(const QUrl& url, const Credentials& credentials) {
  auto promise = std::make_shared<std::promise<Download>>();
  std::future<Download> future = promise->get_future();
  std::thread([url, credentials, promise] {
    QEventLoop loop;
    PictureFetch fetch;
    fetch.SetCredentials(credentials);
    fetch.Fetch(url, [&](const QByteArray& bytes, const QString& error) {
      promise->set_value({bytes, error});
      loop.quit();
    });
    loop.exec();
  }).detach();
  return future;
}

bool CopyWhole(const QByteArray& bytes, camera::AutomationByteArray& picture,
               std::int32_t& length) {
  if (bytes.size() > picture.ElementCount() &&
      !picture.Redim(static_cast<std::int32_t>(bytes.size()))) {
    return false;
  }
  camera::ArrayLock lock(picture);
  std::memcpy(lock.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
  length = static_cast<std::int32_t>(bytes.size());
  return true;
}

}  // namespace

struct OnvifCamera::PendingPlate {
  PlateNotification plate;
  int waiting = 0;
};

QString ClockOffsetNotice(qint64 offsetMs) {
  const qint64 seconds = std::llabs(qRound64(static_cast<double>(offsetMs) / 1000));
  return QStringLiteral("摄像机时钟比本机%1 %2 小时 %3 分 %4 秒")
      .arg(offsetMs < 0 ? QStringLiteral("慢") : QStringLiteral("快"))
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60)
      .arg(seconds % 60);
}

OnvifCamera::OnvifCamera(CameraSettings settings, std::unique_ptr<FieldCamera> lane,
                         const StreamVideo* video, QObject* parent)
    : camera::SdkBackend(parent),
      settings_(std::move(settings)),
      lane_(std::move(lane)),
      video_(video) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &OnvifCamera::Prepare);
  if (lane_) {
    connect(lane_.get(), &SdkBackend::OnZELIPCSDKPlate, this, &SdkBackend::OnZELIPCSDKPlate);
    connect(lane_.get(), &SdkBackend::OnZELIPCSDKTransSerialPort, this,
            &SdkBackend::OnZELIPCSDKTransSerialPort);
    connect(lane_.get(), &SdkBackend::Notice, this, &SdkBackend::Notice);
  }
}

OnvifCamera::~OnvifCamera() {
  if (events_) events_->Stop();
}

Credentials OnvifCamera::CurrentCredentials() const {
  return {settings_.user, settings_.password};
}

camera::Status OnvifCamera::Connect(const QString& address, std::int32_t option,
                                    camera::CameraHandle& handle) {
  if (handle_ != 0) Disconnect(handle_);
  if (lane_) {
    const camera::Status status = lane_->Connect(address, option, handle_);
    if (status.Failed()) return status;
  } else {
    handle_ = ++lastHandle_;
  }
  handle = handle_;
  address_ = address;
  device_ = std::make_unique<OnvifDevice>(settings_.DeviceService(address), CurrentCredentials());
  events_ = std::make_unique<PlateEvents>(*device_);
  connect(events_.get(), &PlateEvents::Plate, this, &OnvifCamera::OnPlate);
  connect(events_.get(), &PlateEvents::Notice, this, &OnvifCamera::Notice);
  connect(events_.get(), &PlateEvents::Refused, this, &OnvifCamera::Refused);
  failing_ = false;
  refused_ = false;
  nextRetryMs_ = kFirstRetryMs;
  Prepare();
  return camera::Status::Ok();
}

camera::Status OnvifCamera::Disconnect(camera::CameraHandle handle) {
  if (handle == 0 || handle != handle_) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  ++attempt_;
  retry_.stop();
  plates_.clear();
  setup_.reset();
  relays_.reset();
  relayPrepared_ = false;
  emit StreamFound({});
  const camera::Status status = lane_ ? lane_->Disconnect(handle) : camera::Status::Ok();
  handle_ = 0;
  // The device stays until the unsubscription has gone out; a pending answer's handler may be
  // on the stack, so both go through the event loop.
  OnvifDevice* device = device_.release();
  PlateEvents* events = events_.release();
  events->Stop([device, events] {
    events->deleteLater();
    device->deleteLater();
  });
  return status;
}

void OnvifCamera::Prepare() {
  if (!device_) return;
  const int attempt = ++attempt_;
  device_->Prepare(settings_.profile,
                   [self = Guard(), attempt](const std::optional<SoapResult>& failure,
                                             const DeviceSetup& setup) {
                     if (self && attempt == self->attempt_) self->Prepared(failure, setup);
                   });
}

void OnvifCamera::Prepared(const std::optional<SoapResult>& failure, const DeviceSetup& setup) {
  if (failure) {
    if (failure->refused) {
      Refused();
    } else {
      Retry(failure->answer.Problem());
    }
    return;
  }
  if (failing_) emit Notice(QStringLiteral("摄像机 %1 已恢复连接").arg(address_));
  failing_ = false;
  nextRetryMs_ = kFirstRetryMs;
  const bool first = !setup_.has_value();
  setup_ = setup;
  if (first && std::abs(setup.clockOffsetMs) > kClockNoticeMs) {
    emit Notice(ClockOffsetNotice(setup.clockOffsetMs));
  }
  if (first) {
    const DeviceInformation& information = setup.information;
    emit Notice(QStringLiteral("摄像机 %1: 制造商 %2, 型号 %3, 固件 %4, 序列号 %5")
                    .arg(address_, information.manufacturer, information.model,
                         information.firmware, information.serialNumber));
  }
  for (const QString& problem : setup.problems) emit Notice(QStringLiteral("摄像机: ") + problem);
  emit StreamFound(setup.stream.isEmpty() ? QString() : StreamWithCredentials(setup.stream));
  if (setup.services.events.isEmpty()) {
    emit Notice(QStringLiteral("摄像机没有事件服务: 收不到车牌"));
  } else {
    events_->Start(setup.services.events);
  }
  LearnRelays();
}

void OnvifCamera::LearnRelays() {
  const int attempt = attempt_;
  device_->Call(
      setup_->services.device, GetRelayOutputs(),
      [this, self = Guard(), attempt](const SoapResult& result) {
        if (!self || attempt != attempt_) return;
        relays_ =
            result.answer.Ok() ? ReadRelayOutputs(result.answer.body) : std::vector<RelayOutput>();
        if (!result.answer.Ok()) {
          emit Notice(QStringLiteral("摄像机: GetRelayOutputs: ") + result.answer.Problem());
        }
      });
}

void OnvifCamera::Retry(const QString& reason) {
  if (!failing_)
    emit Notice(QStringLiteral("摄像机 %1 连不上, 正在重试: %2").arg(address_, reason));
  failing_ = true;
  retry_.start(nextRetryMs_);
  nextRetryMs_ = std::min(nextRetryMs_ * 2, kLongestRetryMs);
}

void OnvifCamera::Refused() {
  if (refused_) return;
  refused_ = true;
  ++attempt_;
  retry_.stop();
  if (events_) events_->Stop();
  emit Notice(QStringLiteral("摄像机拒绝了用户名 %1 或密码").arg(settings_.user));
  emit PasswordRefused();
}

void OnvifCamera::SetPassword(const QString& password) {
  settings_.password = password;
  if (!device_) return;
  device_->SetCredentials(CurrentCredentials());
  refused_ = false;
  failing_ = false;
  nextRetryMs_ = kFirstRetryMs;
  Prepare();
}

QString OnvifCamera::StreamWithCredentials(const QUrl& stream) const {
  QUrl url = stream;
  if (!settings_.user.isEmpty()) {
    url.setUserName(settings_.user);
    url.setPassword(settings_.password);
  }
  return url.toString(QUrl::FullyEncoded);
}

void OnvifCamera::OnPlate(const PlateNotification& notification) {
  auto pending = std::make_shared<PendingPlate>();
  pending->plate = notification;
  plates_.push_back(pending);
  const auto fetch = [this, pending](const QString& uri, QByteArray PlateNotification::*slot,
                                     const QString& which) {
    if (uri.isEmpty()) return;
    ++pending->waiting;
    const int attempt = attempt_;
    device_->Pictures().Fetch(
        device_->Reach(QUrl(uri)), [this, self = Guard(), pending, slot, which, attempt](
                                       const QByteArray& bytes, const QString& error) {
          if (!self || attempt != attempt_) return;
          if (error.isEmpty()) {
            pending->plate.*slot = bytes;
          } else {
            emit Notice(
                QStringLiteral("车牌 %1 的%2取不到: %3").arg(pending->plate.plate, which, error));
          }
          --pending->waiting;
          DeliverReady();
        });
  };
  fetch(notification.sceneUri, &PlateNotification::scene, QStringLiteral("全景图"));
  fetch(notification.closeupUri, &PlateNotification::closeup, QStringLiteral("车牌特写"));
  DeliverReady();
}

void OnvifCamera::DeliverReady() {
  if (plates_.empty() || plates_.front()->waiting > 0 || deliveryQueued_) return;
  const std::shared_ptr<PendingPlate> pending = plates_.front();
  plates_.pop_front();
  const PlateNotification& plate = pending->plate;
  const auto bytes = [](const QByteArray& picture) {
    return reinterpret_cast<const std::uint8_t*>(picture.constData());
  };
  const auto time = plate.time.isValid() ? plate.time.toSecsSinceEpoch() : 0;
  emit OnZELIPCSDKPlate(address_, plate.plate, QString(), bytes(plate.scene),
                        static_cast<std::int32_t>(plate.scene.size()), bytes(plate.closeup),
                        static_cast<std::int32_t>(plate.closeup.size()), 0,
                        static_cast<std::int32_t>(time), 0, 0, plate.confidence, 0, 0, 0, 0);
  // One plate at a time: whatever waits behind comes after the event loop has run once.
  deliveryQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        deliveryQueued_ = false;
        DeliverReady();
      },
      Qt::QueuedConnection);
}

camera::Status OnvifCamera::Trigger(camera::CameraHandle, QString&, QString&,
                                    camera::AutomationByteArray&, std::int32_t, std::int32_t&,
                                    std::uint8_t&) {
  return Failure(
      QStringLiteral("ONVIF has no standard trigger: the camera recognises plates by itself"));
}

camera::Status OnvifCamera::OpenGate(camera::CameraHandle handle) {
  if (handle == 0 || handle != handle_) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  if (!relays_) {
    return Failure(QStringLiteral("the camera has not told its relay outputs yet: no gate"));
  }
  if (relays_->empty()) return Failure(QStringLiteral("the camera has no relay output: no gate"));
  const auto relay = std::find_if(relays_->begin(), relays_->end(), [&](const RelayOutput& r) {
    return settings_.relay.isEmpty() || r.token == settings_.relay;
  });
  if (relay == relays_->end()) {
    return Failure(
        QStringLiteral("the camera has no relay output %1: no gate").arg(settings_.relay));
  }
  Pulse(*relay);
  return camera::Status::Ok();
}

void OnvifCamera::Pulse(const RelayOutput& relay) {
  const QUrl device = setup_->services.device;
  const QString token = relay.token;
  // 断开 (or the console closing) while an answer is on its way: the relay is left alone.
  const int attempt = attempt_;
  const auto activate = [this, self = Guard(), attempt, device, token] {
    if (!self || attempt != attempt_) return;
    device_->Call(device, SetRelayOutputState(token, true),
                  [this, self, attempt](const SoapResult& result) {
                    if (!self || attempt != attempt_) return;
                    if (!result.answer.Ok()) {
                      emit Notice(QStringLiteral("开闸失败: SetRelayOutputState: ") +
                                  result.answer.Problem());
                    }
                  });
  };
  if (relayPrepared_) {
    activate();
    return;
  }
  relayPrepared_ = true;
  const QString idle = relay.idleState.isEmpty() ? QStringLiteral("closed") : relay.idleState;
  device_->Call(device, SetRelayOutputSettings(token, settings_.gatePulseMs, idle),
                [this, self = Guard(), attempt, activate](const SoapResult& result) {
                  if (!self || attempt != attempt_) return;
                  if (!result.answer.Ok()) {
                    relayPrepared_ = false;
                    emit Notice(QStringLiteral("开闸失败: SetRelayOutputSettings: ") +
                                result.answer.Problem());
                    return;
                  }
                  activate();
                });
}

camera::Status OnvifCamera::ConfigureConnection(camera::CameraHandle, std::int32_t, std::int32_t) {
  return camera::Status::Ok();
}

camera::Status OnvifCamera::Capture(camera::CameraHandle handle,
                                    camera::AutomationByteArray& picture, std::int32_t,
                                    std::int32_t& length, std::uint8_t& result) {
  if (handle == 0 || handle != handle_) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  if (!setup_) return Failure(QStringLiteral("no snapshot: the camera has not answered yet"));
  if (setup_->snapshot.isEmpty()) return SnapshotFromVideo(picture, length, result);
  std::future<Download> download = DownloadOnWorker(setup_->snapshot, CurrentCredentials());
  if (download.wait_for(std::chrono::milliseconds(kSnapshotWaitMs)) != std::future_status::ready) {
    return Failure(QStringLiteral("no snapshot within %1 s").arg(kSnapshotWaitMs / 1000));
  }
  const Download got = download.get();
  if (!got.error.isEmpty()) return Failure(QStringLiteral("no snapshot: ") + got.error);
  if (!CopyWhole(got.bytes, picture, length)) {
    return Failure(QStringLiteral("no snapshot: the picture array cannot grow"));
  }
  result = 1;
  return camera::Status::Ok();
}

camera::Status OnvifCamera::SnapshotFromVideo(camera::AutomationByteArray& picture,
                                              std::int32_t& length, std::uint8_t& result) const {
  const QImage frame = video_ != nullptr ? video_->LastFrame() : QImage();
  if (frame.isNull()) {
    return Failure(
        QStringLiteral("no snapshot: the camera has no snapshot address and the video "
                       "has shown no picture yet"));
  }
  std::vector<std::uint8_t> jpeg;
  camera::EncodeJpeg(frame, kSnapshotQuality, jpeg);
  if (!CopyWhole(QByteArray(reinterpret_cast<const char*>(jpeg.data()),
                            static_cast<qsizetype>(jpeg.size())),
                 picture, length)) {
    return Failure(QStringLiteral("no snapshot: the picture array cannot grow"));
  }
  result = 1;
  return camera::Status::Ok();
}

camera::Status OnvifCamera::TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                            std::int32_t count) {
  if (!lane_) {
    return Failure(QStringLiteral("this lane has no serial line: start with --serial"));
  }
  return lane_->TransSerialPort(handle, data, count);
}

}  // namespace field::onvif
