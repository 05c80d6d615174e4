#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "SdkBackend.h"
#include "SerialLine.h"

namespace field {

class PlateReceiver;
class StreamVideo;

// The camera SDK backend of a field lane, put together from what the command
// line names: a serial line takes the place of the camera's pass-through, a
// video stream gives the snapshot its picture, plates pushed over HTTP are
// raised as the plate event. What a missing piece would have done fails as a
// failed component call does, naming what is missing.
class FieldCamera : public camera::SdkBackend {
  Q_OBJECT

 public:
  // `video` and `plates` may be null; when given they must outlive the camera.
  FieldCamera(std::optional<LineSettings> line, const StreamVideo* video,
              PlateReceiver* plates = nullptr, QObject* parent = nullptr);
  ~FieldCamera() override;

  // Opens the line; the typed address is only its label.
  camera::Status Connect(const QString& address, std::int32_t option,
                         camera::CameraHandle& handle) override;
  // Releases the line, whichever handle it was opened with.
  camera::Status Disconnect(camera::CameraHandle handle) override;
  camera::Status Trigger(camera::CameraHandle handle, QString& number, QString& color,
                         camera::AutomationByteArray& picture, std::int32_t bufferSize,
                         std::int32_t& length, std::uint8_t& result) override;
  camera::Status OpenGate(camera::CameraHandle handle) override;
  camera::Status ConfigureConnection(camera::CameraHandle handle, std::int32_t first,
                                     std::int32_t second) override;
  // The video's newest frame as JPEG.
  camera::Status Capture(camera::CameraHandle handle, camera::AutomationByteArray& picture,
                         std::int32_t bufferSize, std::int32_t& length,
                         std::uint8_t& result) override;
  camera::Status TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) override;

  // Null without a serial line.
  const SerialLine* Line() const { return line_.get(); }

 private:
  bool IsOpen(camera::CameraHandle handle) const;
  void Deliver(const QByteArray& bytes);
  // One plate at a time, so that the pane and the video get their turn
  // between the plate handler's pauses.
  void DeliverPlate();
  // "this lane has a serial line but no camera: ..."
  camera::Status NoCamera(const char* consequence) const;

  std::unique_ptr<SerialLine> line_;
  const StreamVideo* video_;
  PlateReceiver* plates_;
  QString address_;
  camera::CameraHandle handle_ = 0;
  camera::CameraHandle lastHandle_ = 0;
};

// What a field lane without a camera says when asked for what needs one.
inline constexpr char kNoCamera[] = "no camera";

}  // namespace field
