#pragma once

#include <QString>

#include "EchoFilter.h"
#include "SdkBackend.h"
#include "SerialLine.h"

namespace field {

// The camera SDK backend of a field lane that has a serial line and no
// camera: the line takes the place of the camera's pass-through, and what
// only a camera can do fails as a failed component call does.
class FieldCamera : public camera::SdkBackend {
  Q_OBJECT

 public:
  explicit FieldCamera(LineSettings settings, QObject* parent = nullptr);

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
  camera::Status Capture(camera::CameraHandle handle, camera::AutomationByteArray& picture,
                         std::int32_t bufferSize, std::int32_t& length,
                         std::uint8_t& result) override;
  camera::Status TransSerialPort(camera::CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) override;

  const SerialLine& Line() const { return line_; }

 private:
  bool IsOpen(camera::CameraHandle handle) const;
  void Deliver(const QByteArray& bytes);

  SerialLine line_;
  EchoFilter echo_;
  QString address_;
  camera::CameraHandle handle_ = 0;
  camera::CameraHandle lastHandle_ = 0;
};

// What a field lane without a camera says for what needs one.
inline constexpr char kNoCamera[] = "this lane has a serial line but no camera";

}  // namespace field
