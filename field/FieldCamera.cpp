#include "FieldCamera.h"

#include "JpegEncoder.h"
#include "PlateReceiver.h"
#include "StreamVideo.h"

namespace field {
namespace {

constexpr int kSnapshotQuality = 90;

}  // namespace

FieldCamera::FieldCamera(std::optional<LineSettings> line, const StreamVideo* video,
                         PlateReceiver* plates, QObject* parent)
    : camera::SdkBackend(parent), video_(video), plates_(plates) {
  if (plates_ != nullptr) {
    connect(plates_, &PlateReceiver::PlateWaiting, this, &FieldCamera::DeliverPlate);
    connect(plates_, &PlateReceiver::Notice, this, &FieldCamera::Notice);
  }
  if (!line) return;
  line_ = std::make_unique<SerialLine>(std::move(*line));
  connect(line_.get(), &SerialLine::Received, this, &FieldCamera::Deliver);
  connect(line_.get(), &SerialLine::Notice, this, &FieldCamera::Notice);
}

FieldCamera::~FieldCamera() = default;

camera::Status FieldCamera::NoCamera(const char* consequence) const {
  std::vector<std::string> pieces;
  if (line_) pieces.emplace_back("a serial line");
  if (video_) pieces.emplace_back("live video");
  if (plates_) pieces.emplace_back("pushed plates");
  std::string has;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    has += (i == 0 ? "" : i + 1 == pieces.size() ? " and " : ", ") + pieces[i];
  }
  return camera::Status::Failure(camera::kStatusFailed,
                                 "this lane has " + has + " but " + kNoCamera + ": " + consequence);
}

bool FieldCamera::IsOpen(camera::CameraHandle handle) const {
  return handle != 0 && handle == handle_;
}

camera::Status FieldCamera::Connect(const QString& address, std::int32_t,
                                    camera::CameraHandle& handle) {
  address_ = address;
  handle_ = ++lastHandle_;
  handle = handle_;
  if (line_) line_->Open();
  return camera::Status::Ok();
}

camera::Status FieldCamera::Disconnect(camera::CameraHandle handle) {
  if (!IsOpen(handle)) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  handle_ = 0;
  if (line_) line_->Close();
  return camera::Status::Ok();
}

camera::Status FieldCamera::Trigger(camera::CameraHandle, QString&, QString&,
                                    camera::AutomationByteArray&, std::int32_t, std::int32_t&,
                                    std::uint8_t&) {
  return NoCamera("nothing to trigger");
}

camera::Status FieldCamera::OpenGate(camera::CameraHandle) {
  return NoCamera("no camera to open the gate");
}

camera::Status FieldCamera::ConfigureConnection(camera::CameraHandle, std::int32_t, std::int32_t) {
  return camera::Status::Ok();
}

camera::Status FieldCamera::Capture(camera::CameraHandle, camera::AutomationByteArray& picture,
                                    std::int32_t bufferSize, std::int32_t& length,
                                    std::uint8_t& result) {
  if (video_ == nullptr) return NoCamera("no snapshot");
  const QImage frame = video_->LastFrame();
  if (frame.isNull()) {
    return camera::Status::Failure(camera::kStatusFailed,
                                   "no snapshot: the video has shown no picture yet");
  }
  std::vector<std::uint8_t> jpeg;
  camera::EncodeJpeg(frame, kSnapshotQuality, jpeg);
  if (!camera::CopyPicture(jpeg, picture, bufferSize, length)) {
    return camera::Status::Failure(camera::kStatusFailed,
                                   "no snapshot: the picture is larger than the buffer");
  }
  result = 1;
  return camera::Status::Ok();
}

camera::Status FieldCamera::TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                            std::int32_t count) {
  if (!line_) {
    return camera::Status::Failure(camera::kStatusFailed,
                                   "this lane has no serial line: start with --serial");
  }
  if (!IsOpen(handle)) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  const QByteArray bytes(reinterpret_cast<const char*>(data), count > 0 ? count : 0);
  QString error;
  if (!line_->Send(bytes, error)) {
    return camera::Status::Failure(camera::kStatusFailed, error.toStdString());
  }
  return camera::Status::Ok();
}

void FieldCamera::Deliver(const QByteArray& bytes) {
  if (handle_ == 0) return;
  emit OnZELIPCSDKTransSerialPort(address_,
                                  reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::int32_t>(bytes.size()));
}

void FieldCamera::DeliverPlate() {
  const std::optional<ReceivedPlate> plate = plates_->Take();
  if (!plate) return;
  const PlateRecord& record = plate->record;
  const QString camera = record.camera.isEmpty() ? plate->sender : record.camera;
  if (handle_ != 0 && camera != address_) {
    emit Notice(QStringLiteral("车牌来自 %1, 不是已连接的摄像机 %2").arg(camera, address_));
  }
  const auto bytes = [](const QByteArray& picture) {
    return reinterpret_cast<const std::uint8_t*>(picture.constData());
  };
  const auto time = record.time.isValid() ? record.time.toSecsSinceEpoch() : 0;
  emit OnZELIPCSDKPlate(camera, record.plate, record.color, bytes(record.sceneJpeg),
                        static_cast<std::int32_t>(record.sceneJpeg.size()),
                        bytes(record.closeupJpeg),
                        static_cast<std::int32_t>(record.closeupJpeg.size()), 0,
                        static_cast<std::int32_t>(time), 0, 0, record.confidence, 0, 0, 0, 0);
  // Whatever waits behind comes after the event loop has run once.
  QMetaObject::invokeMethod(this, &FieldCamera::DeliverPlate, Qt::QueuedConnection);
}

}  // namespace field
