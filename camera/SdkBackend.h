#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "AutomationByteArray.h"
#include "CameraTypes.h"

namespace camera {

// What stands behind the camera SDK control: the virtual lane, a recording
// fake in tests, later real hardware. Every operation reports a Status and
// passes results through its reference arguments; Tsdk turns a failure into
// ComponentError. Events are emitted on the GUI thread; the picture and data
// pointers they carry stay valid only until the connected slots return.
class SdkBackend : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  virtual Status Connect(const QString& address, std::int32_t option, CameraHandle& handle) = 0;
  virtual Status Disconnect(CameraHandle handle) = 0;
  virtual Status Trigger(CameraHandle handle, QString& number, QString& color,
                         AutomationByteArray& picture, std::int32_t bufferSize,
                         std::int32_t& length, std::uint8_t& result) = 0;
  virtual Status OpenGate(CameraHandle handle) = 0;
  virtual Status ConfigureConnection(CameraHandle handle, std::int32_t first,
                                     std::int32_t second) = 0;
  virtual Status Capture(CameraHandle handle, AutomationByteArray& picture, std::int32_t bufferSize,
                         std::int32_t& length, std::uint8_t& result) = 0;
  virtual Status TransSerialPort(CameraHandle handle, const std::uint8_t* data,
                                 std::int32_t count) = 0;

 signals:
  void OnZELIPCSDKPlate(const QString& bstrIP, const QString& bstrNumber, const QString& bstrColor,
                        const std::uint8_t* nPicData, std::int32_t nPicLen,
                        const std::uint8_t* nCloseUpPicData, std::int32_t nCloseUpPicLen,
                        std::int32_t nSpeed, std::int32_t nCapTime, std::int32_t nReserved1,
                        std::int32_t nReserved2, float fPlateConfidence, std::int32_t nVehicleColor,
                        std::int32_t nPlateType, std::int32_t nVehicleDir, std::int32_t nAlarmType);
  void OnZELIPCSDKTransSerialPort(const QString& bstrIP, const std::uint8_t* nData,
                                  std::int32_t nLen);
  // The state of what the backend reaches, in plain words for the pane: a
  // line that went down, came back, cannot be opened.
  void Notice(const QString& text);
};

}  // namespace camera
