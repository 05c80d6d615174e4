#pragma once

#include <QPointer>
#include <map>
#include <set>

#include "Lane.h"
#include "SdkBackend.h"
#include "VirtualLaneWorld.h"

namespace virtual_lane {

// The camera SDK backend of the virtual lane. Each open handle points at a
// lane; the lane's events reach this camera once, whatever the number of
// handles it holds on that lane, and carry the lane's address as bstrIP.
class VirtualCamera : public camera::SdkBackend {
  Q_OBJECT

 public:
  explicit VirtualCamera(VirtualLaneWorld& world, QObject* parent = nullptr);

  camera::Status Connect(const QString& address, std::int32_t option,
                         camera::CameraHandle& handle) override;
  camera::Status Disconnect(camera::CameraHandle handle) override;
  camera::Status Trigger(camera::CameraHandle handle, QString& number, QString& color,
                         camera::AutomationByteArray& picture, std::int32_t bufferSize,
                         std::int32_t& length, std::uint8_t& result) override;
  camera::Status OpenGate(camera::CameraHandle handle) override;
  camera::Status ConfigureConnection(camera::CameraHandle handle, std::int32_t first,
                                     std::int32_t second) override;
  camera::Status Capture(camera::CameraHandle handle, camera::AutomationByteArray& picture,
                         std::int32_t bufferSize, std::int32_t& length,
                         std::uint8_t& result) override;
  camera::Status TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) override;

  // The lane behind an open handle, nullptr if the handle is not open.
  Lane* LaneOf(camera::CameraHandle handle) const;

 private:
  // Every call on a handle goes through here: a handle that is not open and
  // a lane in a fault mode refuse the call. `lane` is set either way.
  camera::Status Reach(camera::CameraHandle handle, Lane*& lane) const;
  void Listen(Lane* lane);
  void StopListening(Lane* lane);
  void ForwardPlate(const Lane& lane, const PlateEvent& event);

  VirtualLaneWorld& world_;
  std::map<camera::CameraHandle, QPointer<Lane>> handles_;
  // Lanes whose last handle was closed while they kept raising events.
  std::set<const Lane*> lingering_;
};

}  // namespace virtual_lane
