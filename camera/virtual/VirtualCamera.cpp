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

// What a lane in a fault mode answers instead of doing the call.
Status Refusal(const Lane& lane) {
  if (!lane.Reachable()) {
    return Status::Failure(kStatusFailed,
                           "network unreachable (" + lane.Address().toStdString() + ")");
  }
  if (lane.Faults().refuseCalls) return Status::Failure(kStatusFailed, lane.Faults().refusal);
  return Status::Ok();
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
  if (Status refused = Refusal(*lane); refused.Failed()) {
    handle = 0;
    return refused;
  }
  handle = world_.NewHandle();
  const bool lingering = lingering_.erase(lane) > 0;
  const bool listening =
      lingering || std::any_of(handles_.begin(), handles_.end(),
                               [lane](const auto& open) { return open.second == lane; });
  handles_[handle] = lane;
  if (!listening) Listen(lane);
  return Status::Ok();
}

Status VirtualCamera::Disconnect(CameraHandle handle) {
  Lane* lane = nullptr;
  if (Status refused = Reach(handle, lane); refused.Failed()) return refused;
  handles_.erase(handle);
  const bool stillOpen = std::any_of(handles_.begin(), handles_.end(),
                                     [lane](const auto& other) { return other.second == lane; });
  if (stillOpen) return Status::Ok();
  if (lane->Faults().eventsAfterDisconnect) {
    lingering_.insert(lane);
  } else {
    StopListening(lane);
  }
  return Status::Ok();
}

Status VirtualCamera::Trigger(CameraHandle handle, QString& number, QString& color,
                              AutomationByteArray& picture, std::int32_t bufferSize,
                              std::int32_t& length, std::uint8_t& result) {
  Lane* lane = nullptr;
  if (Status refused = Reach(handle, lane); refused.Failed()) return refused;
  const auto event = lane->Recognise();
  number = event->number;
  color = event->color;
  CopyPicture(event->sceneJpeg, picture, bufferSize, length);
  result = 1;
  return Status::Ok();
}

Status VirtualCamera::OpenGate(CameraHandle handle) {
  Lane* lane = nullptr;
  if (Status refused = Reach(handle, lane); refused.Failed()) return refused;
  lane->OpenGate();
  return Status::Ok();
}

Status VirtualCamera::ConfigureConnection(CameraHandle handle, std::int32_t, std::int32_t) {
  Lane* lane = nullptr;
  return Reach(handle, lane);
}

Status VirtualCamera::Capture(CameraHandle handle, AutomationByteArray& picture,
                              std::int32_t bufferSize, std::int32_t& length, std::uint8_t& result) {
  Lane* lane = nullptr;
  if (Status refused = Reach(handle, lane); refused.Failed()) return refused;
  result = CopyPicture(lane->CaptureJpeg(), picture, bufferSize, length) ? 1 : 0;
  return Status::Ok();
}

Status VirtualCamera::TransSerialPort(CameraHandle handle, const std::uint8_t* data,
                                      std::int32_t count) {
  Lane* lane = nullptr;
  if (Status refused = Reach(handle, lane); refused.Failed()) return refused;
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

Status VirtualCamera::Reach(CameraHandle handle, Lane*& lane) const {
  lane = LaneOf(handle);
  return lane ? Refusal(*lane) : NotConnected(handle);
}

// An unreachable lane's events are lost on the way.
void VirtualCamera::Listen(Lane* lane) {
  connect(lane, &Lane::SerialOut, this, [this, lane](const QByteArray& bytes) {
    if (!lane->Reachable()) return;
    emit OnZELIPCSDKTransSerialPort(lane->Address(),
                                    reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::int32_t>(bytes.size()));
  });
  connect(lane, &Lane::PlateRecognised, this, [this, lane](const PlateEvent& event) {
    if (lane->Reachable()) ForwardPlate(*lane, event);
  });
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
