#include "VirtualCamera.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace camera {
namespace {

Status NotConnected(CameraHandle handle) {
  return Status::Failure(kStatusNotConnected,
                         "not connected (handle " + std::to_string(handle) + ")");
}

// Copies a picture only if it fits both the size the caller names and the
// array it hands over.
bool CopyPicture(const std::vector<std::uint8_t>& jpeg, AutomationByteArray& picture,
                 std::int32_t bufferSize, std::int32_t& length) {
  const std::int64_t room = std::min<std::int64_t>(bufferSize, picture.ElementCount());
  if (jpeg.empty() || static_cast<std::int64_t>(jpeg.size()) > room) {
    length = 0;
    return false;
  }
  ArrayLock lock(picture);
  std::memcpy(lock.data(), jpeg.data(), jpeg.size());
  length = static_cast<std::int32_t>(jpeg.size());
  return true;
}

}  // namespace

VirtualCamera::VirtualCamera(VirtualLaneWorld& world, QObject* parent)
    : SdkBackend(parent), world_(world) {}

Status VirtualCamera::Connect(const QString& address, std::int32_t, CameraHandle& handle) {
  Lane* lane = world_.LaneAt(address);
  if (!lane) {
    handle = 0;
    return Status::Ok();
  }
  handle = world_.NewHandle();
  const bool listening = std::any_of(handles_.begin(), handles_.end(),
                                     [lane](const auto& open) { return open.second == lane; });
  handles_[handle] = lane;
  if (!listening) Listen(lane);
  return Status::Ok();
}

Status VirtualCamera::Disconnect(CameraHandle handle) {
  const auto open = handles_.find(handle);
  if (open == handles_.end()) return NotConnected(handle);
  Lane* lane = open->second;
  handles_.erase(open);
  const bool stillOpen = std::any_of(handles_.begin(), handles_.end(),
                                     [lane](const auto& other) { return other.second == lane; });
  if (lane && !stillOpen) StopListening(lane);
  return Status::Ok();
}

Status VirtualCamera::Trigger(CameraHandle handle, QString& number, QString& color,
                              AutomationByteArray& picture, std::int32_t bufferSize,
                              std::int32_t& length, std::uint8_t& result) {
  Lane* lane = LaneOf(handle);
  if (!lane) return NotConnected(handle);
  const auto event = lane->Recognise();
  number = event->number;
  color = event->color;
  CopyPicture(event->sceneJpeg, picture, bufferSize, length);
  result = 1;
  return Status::Ok();
}

Status VirtualCamera::OpenGate(CameraHandle handle) {
  Lane* lane = LaneOf(handle);
  if (!lane) return NotConnected(handle);
  lane->OpenGate();
  return Status::Ok();
}

Status VirtualCamera::ConfigureConnection(CameraHandle handle, std::int32_t, std::int32_t) {
  return LaneOf(handle) ? Status::Ok() : NotConnected(handle);
}

Status VirtualCamera::Capture(CameraHandle handle, AutomationByteArray& picture,
                              std::int32_t bufferSize, std::int32_t& length, std::uint8_t& result) {
  Lane* lane = LaneOf(handle);
  if (!lane) return NotConnected(handle);
  result = CopyPicture(lane->CaptureJpeg(), picture, bufferSize, length) ? 1 : 0;
  return Status::Ok();
}

Status VirtualCamera::TransSerialPort(CameraHandle handle, const std::uint8_t* data,
                                      std::int32_t count) {
  Lane* lane = LaneOf(handle);
  if (!lane) return NotConnected(handle);
  if (count < 0 || (count > 0 && data == nullptr)) {
    return Status::Failure(kStatusInvalidArgument,
                           "no bytes to send (count " + std::to_string(count) + ")");
  }
  lane->ReceiveSerial({data, static_cast<std::size_t>(count)});
  return Status::Ok();
}

Lane* VirtualCamera::LaneOf(CameraHandle handle) const {
  const auto open = handles_.find(handle);
  return open == handles_.end() ? nullptr : open->second.data();
}

void VirtualCamera::Listen(Lane* lane) {
  connect(lane, &Lane::SerialOut, this, [this, lane](const QByteArray& bytes) {
    emit OnZELIPCSDKTransSerialPort(lane->Address(),
                                    reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::int32_t>(bytes.size()));
  });
  connect(lane, &Lane::PlateRecognised, this,
          [this, lane](const PlateEvent& event) { ForwardPlate(*lane, event); });
}

void VirtualCamera::StopListening(Lane* lane) {
  disconnect(lane, nullptr, this, nullptr);
}

void VirtualCamera::ForwardPlate(const Lane& lane, const PlateEvent& event) {
  constexpr std::int32_t kSpeedKmh = 5;
  constexpr std::int32_t kBluePlate = 1;
  constexpr std::int32_t kTowardsCamera = 0;
  emit OnZELIPCSDKPlate(lane.Address(), event.number, event.color, event.sceneJpeg.data(),
                        static_cast<std::int32_t>(event.sceneJpeg.size()), event.closeUpJpeg.data(),
                        static_cast<std::int32_t>(event.closeUpJpeg.size()), kSpeedKmh,
                        event.captureTime, 0, 0, event.confidence, 0, kBluePlate, kTowardsCamera,
                        0);
}

}  // namespace camera
