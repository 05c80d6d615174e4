#include "FieldCamera.h"

namespace field {
namespace {

camera::Status NoCamera(const char* what) {
  return camera::Status::Failure(camera::kStatusFailed, std::string(kNoCamera) + ": " + what);
}

}  // namespace

FieldCamera::FieldCamera(LineSettings settings, QObject* parent)
    : camera::SdkBackend(parent), line_(std::move(settings)) {
  connect(&line_, &SerialLine::Received, this, &FieldCamera::Deliver);
  connect(&line_, &SerialLine::Notice, this, &FieldCamera::Notice);
}

bool FieldCamera::IsOpen(camera::CameraHandle handle) const {
  return handle != 0 && handle == handle_;
}

camera::Status FieldCamera::Connect(const QString& address, std::int32_t,
                                    camera::CameraHandle& handle) {
  address_ = address;
  handle_ = ++lastHandle_;
  handle = handle_;
  line_.Open();
  return camera::Status::Ok();
}

camera::Status FieldCamera::Disconnect(camera::CameraHandle handle) {
  if (!IsOpen(handle)) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  handle_ = 0;
  line_.Close();
  echo_ = {};
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

camera::Status FieldCamera::Capture(camera::CameraHandle, camera::AutomationByteArray&,
                                    std::int32_t, std::int32_t&, std::uint8_t&) {
  return NoCamera("no snapshot");
}

camera::Status FieldCamera::TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                            std::int32_t count) {
  if (!IsOpen(handle)) {
    return camera::Status::Failure(camera::kStatusNotConnected, "handle is not open");
  }
  const QByteArray bytes(reinterpret_cast<const char*>(data), count > 0 ? count : 0);
  QString error;
  if (!line_.Send(bytes, error)) {
    return camera::Status::Failure(camera::kStatusFailed, error.toStdString());
  }
  if (line_.Settings().discardEcho) echo_.Sent(bytes);
  return camera::Status::Ok();
}

void FieldCamera::Deliver(const QByteArray& bytes) {
  const QByteArray answer = line_.Settings().discardEcho ? echo_.Filter(bytes) : bytes;
  if (answer.isEmpty() || handle_ == 0) return;
  emit OnZELIPCSDKTransSerialPort(address_,
                                  reinterpret_cast<const std::uint8_t*>(answer.constData()),
                                  static_cast<std::int32_t>(answer.size()));
}

}  // namespace field
