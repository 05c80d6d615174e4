#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "AutomationByteArray.h"
#include "CameraTypes.h"
#include "SdkBackend.h"

namespace camera {

// The camera SDK control as the window hosts it. Each operation forwards to
// the backend and throws ComponentError on a failure status or when no
// backend is attached. The backend's events are re-emitted as this control's
// own signals, on the GUI thread, with every parameter in order.
class Tsdk : public QWidget {
  Q_OBJECT

 public:
  explicit Tsdk(SdkBackend* backend, QWidget* parent = nullptr);

  CameraHandle Connect(const QString& address, std::int32_t option);
  void Disconnect(CameraHandle handle);
  std::uint8_t Trigger(CameraHandle handle, QString& number, QString& color,
                       AutomationByteArray& picture, std::int32_t bufferSize, std::int32_t& length);
  void OpenGate(CameraHandle handle);
  void ConfigureConnection(CameraHandle handle, std::int32_t first, std::int32_t second);
  std::uint8_t Capture(CameraHandle handle, AutomationByteArray& picture, std::int32_t bufferSize,
                       std::int32_t& length);
  void TransSerialPort(CameraHandle handle, const std::uint8_t* data, std::int32_t count);

 signals:
  void OnZELIPCSDKPlate(const QString& bstrIP, const QString& bstrNumber, const QString& bstrColor,
                        const std::uint8_t* nPicData, std::int32_t nPicLen,
                        const std::uint8_t* nCloseUpPicData, std::int32_t nCloseUpPicLen,
                        std::int32_t nSpeed, std::int32_t nCapTime, std::int32_t nReserved1,
                        std::int32_t nReserved2, float fPlateConfidence, std::int32_t nVehicleColor,
                        std::int32_t nPlateType, std::int32_t nVehicleDir, std::int32_t nAlarmType);
  void OnZELIPCSDKTransSerialPort(const QString& bstrIP, const std::uint8_t* nData,
                                  std::int32_t nLen);
  void OnNotice(const QString& text);

 private:
  SdkBackend& Backend(const char* operation, CameraHandle handle) const;

  QPointer<SdkBackend> backend_;
};

}  // namespace camera
