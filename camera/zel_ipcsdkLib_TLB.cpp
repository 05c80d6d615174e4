#include "zel_ipcsdkLib_TLB.h"

#include <string>

#include "ComponentError.h"
#include "StatusMessage.h"

namespace camera {
namespace {

std::string FailureOn(const char* operation, CameraHandle handle) {
  return std::string(operation) + " failed on camera handle " + std::to_string(handle);
}

std::string ConnectFailure(const QString& address) {
  return "Connect to \"" + address.toStdString() + "\" failed";
}

void Check(const Status& status, const std::string& failure) {
  if (status.Failed()) throw ComponentError(failure + ": " + StatusMessage(status));
}

SdkBackend& Installed(const QPointer<SdkBackend>& backend, const std::string& failure) {
  if (!backend) throw ComponentError(failure + ": no camera component is installed");
  return *backend;
}

// A backend must never be handed a size that would let it write past the array.
void CheckBuffer(const AutomationByteArray& picture, std::int32_t bufferSize,
                 const std::string& failure) {
  if (bufferSize < 0 || bufferSize > picture.ElementCount()) {
    throw ComponentError(failure + ": buffer size " + std::to_string(bufferSize) +
                         " does not fit the picture array of " +
                         std::to_string(picture.ElementCount()) + " bytes");
  }
}

}  // namespace

Tsdk::Tsdk(SdkBackend* backend, QWidget* parent) : QWidget(parent), backend_(backend) {
  if (!backend) return;
  // Direct connections: the event's picture and data pointers are valid only
  // while the backend's emission is running.
  connect(backend, &SdkBackend::OnZELIPCSDKPlate, this, &Tsdk::OnZELIPCSDKPlate,
          Qt::DirectConnection);
  connect(backend, &SdkBackend::OnZELIPCSDKTransSerialPort, this, &Tsdk::OnZELIPCSDKTransSerialPort,
          Qt::DirectConnection);
  connect(backend, &SdkBackend::Notice, this, &Tsdk::OnNotice);
}

SdkBackend& Tsdk::Backend(const char* operation, CameraHandle handle) const {
  return Installed(backend_, FailureOn(operation, handle));
}

CameraHandle Tsdk::Connect(const QString& address, std::int32_t option) {
  const std::string failure = ConnectFailure(address);
  CameraHandle handle = 0;
  Check(Installed(backend_, failure).Connect(address, option, handle), failure);
  return handle;
}

void Tsdk::Disconnect(CameraHandle handle) {
  Check(Backend("Disconnect", handle).Disconnect(handle), FailureOn("Disconnect", handle));
}

std::uint8_t Tsdk::Trigger(CameraHandle handle, QString& number, QString& color,
                           AutomationByteArray& picture, std::int32_t bufferSize,
                           std::int32_t& length) {
  const std::string failure = FailureOn("Trigger", handle);
  SdkBackend& backend = Backend("Trigger", handle);
  CheckBuffer(picture, bufferSize, failure);
  std::uint8_t result = 0;
  Check(backend.Trigger(handle, number, color, picture, bufferSize, length, result), failure);
  return result;
}

void Tsdk::OpenGate(CameraHandle handle) {
  Check(Backend("OpenGate", handle).OpenGate(handle), FailureOn("OpenGate", handle));
}

void Tsdk::ConfigureConnection(CameraHandle handle, std::int32_t first, std::int32_t second) {
  Check(Backend("ConfigureConnection", handle).ConfigureConnection(handle, first, second),
        FailureOn("ConfigureConnection", handle));
}

std::uint8_t Tsdk::Capture(CameraHandle handle, AutomationByteArray& picture,
                           std::int32_t bufferSize, std::int32_t& length) {
  const std::string failure = FailureOn("Capture", handle);
  SdkBackend& backend = Backend("Capture", handle);
  CheckBuffer(picture, bufferSize, failure);
  std::uint8_t result = 0;
  Check(backend.Capture(handle, picture, bufferSize, length, result), failure);
  return result;
}

void Tsdk::TransSerialPort(CameraHandle handle, const std::uint8_t* data, std::int32_t count) {
  const std::string failure = FailureOn("TransSerialPort", handle);
  SdkBackend& backend = Backend("TransSerialPort", handle);
  if (count < 0)
    throw ComponentError(failure + ": byte count " + std::to_string(count) + " is negative");
  if (count > 0 && data == nullptr) {
    throw ComponentError(failure + ": " + std::to_string(count) +
                         " bytes announced but none given");
  }
  Check(backend.TransSerialPort(handle, data, count), failure);
}

}  // namespace camera
