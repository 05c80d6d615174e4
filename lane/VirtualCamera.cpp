#include "VirtualCamera.h"

#include <algorithm>
#include <string>

namespace virtual_lane {
namespace {

camera::Status NotConnected(camera::CameraHandle handle) {
  return camera::Status::Failure(camera::kStatusNotConnected,
                                 "not connected (handle " + std::to_string(handle) + ")");
}

// What a lane in a fault mode answers instead of doing the call.
camera::Status Refusal(const Lane& lane) {
  if (!lane.Reachable()) {
    return camera::Status::Failure(camera::kStatusFailed,
                                   "network unreachable (" + lane.Address().toStdString() + ")");
  }
  if (lane.Faults().refuseCalls)
    return camera::Status::Failure(camera::kStatusFailed, lane.Faults().refusal);
  return camera::Status::Ok();
}

}  // namespace

VirtualCamera::VirtualCamera(VirtualLaneWorld& world, QObject* parent)
    : camera::SdkBackend(parent), world_(world) {}

camera::Status VirtualCamera::Connect(const QString& address, std::int32_t,
                                      camera::CameraHandle& handle) {
  Lane* lane = world_.LaneAt(address);
  if (!lane) {
    handle = 0;
    return camera::Status::Ok();
  }
  if (camera::Status refused = Refusal(*lane); refused.Failed()) {
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
  return camera::Status::Ok();
}

camera::Status VirtualCamera::Disconnect(camera::CameraHandle handle) {
  Lane* lane = nullptr;
  if (camera::Status refused = Reach(handle, lane); refused.Failed()) return refused;
  handles_.erase(handle);
  const bool stillOpen = std::any_of(handles_.begin(), handles_.end(),
                                     [lane](const auto& other) { return other.second == lane; });
  if (stillOpen) return camera::Status::Ok();
  if (lane->Faults().eventsAfterDisconnect) {
    lingering_.insert(lane);
  } else {
    StopListening(lane);
  }
  return camera::Status::Ok();
}

camera::Status VirtualCamera::Trigger(camera::CameraHandle handle, QString& number, QString& color,
                                      camera::AutomationByteArray& picture, std::int32_t bufferSize,
                                      std::int32_t& length, std::uint8_t& result) {
  Lane* lane = nullptr;
  if (camera::Status refused = Reach(handle, lane); refused.Failed()) return refused;
  const auto event = lane->Recognise();
  number = event->number;
  color = event->color;
  camera::CopyPicture(event->sceneJpeg, picture, bufferSize, length);
  result = 1;
  return camera::Status::Ok();
}

camera::Status VirtualCamera::OpenGate(camera::CameraHandle handle) {
  Lane* lane = nullptr;
  if (camera::Status refused = Reach(handle, lane); refused.Failed()) return refused;
  lane->OpenGate();
  return camera::Status::Ok();
}

camera::Status VirtualCamera::ConfigureConnection(camera::CameraHandle handle, std::int32_t,
                                                  std::int32_t) {
  Lane* lane = nullptr;
  return Reach(handle, lane);
}

camera::Status VirtualCamera::Capture(camera::CameraHandle handle,
                                      camera::AutomationByteArray& picture, std::int32_t bufferSize,
                                      std::int32_t& length, std::uint8_t& result) {
  Lane* lane = nullptr;
  if (camera::Status refused = Reach(handle, lane); refused.Failed()) return refused;
  result = camera::CopyPicture(lane->CaptureJpeg(), picture, bufferSize, length) ? 1 : 0;
  return camera::Status::Ok();
}

camera::Status VirtualCamera::TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                              std::int32_t count) {
  Lane* lane = nullptr;
  if (camera::Status refused = Reach(handle, lane); refused.Failed()) return refused;
  if (count < 0 || (count > 0 && data == nullptr)) {
    return camera::Status::Failure(camera::kStatusInvalidArgument,
                                   "no bytes to send (count " + std::to_string(count) + ")");
  }
  lane->ReceiveSerial({data, static_cast<std::size_t>(count)});
  return camera::Status::Ok();
}

Lane* VirtualCamera::LaneOf(camera::CameraHandle handle) const {
  const auto open = handles_.find(handle);
  return open == handles_.end() ? nullptr : open->second.data();
}

camera::Status VirtualCamera::Reach(camera::CameraHandle handle, Lane*& lane) const {
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

}  // namespace virtual_lane
