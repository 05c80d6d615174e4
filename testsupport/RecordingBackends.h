#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "SdkBackend.h"
#include "VideoBackend.h"

namespace camera::testing {

struct RecordedCall {
  std::string operation;
  CameraHandle handle = 0;
  QString text{};                     // Connect: the address
  std::vector<std::uint8_t> bytes{};  // TransSerialPort: the bytes sent
  std::int32_t first = 0;             // option, first value, buffer size or byte count
  std::int32_t second = 0;
  std::uint16_t variantType = 0;  // Trigger and Capture: the array handed in
  std::int32_t arrayElements = 0;
};

// Records every call in order and answers as programmed. An operation named
// in `failures` returns that status instead of doing anything.
class RecordingSdkBackend : public SdkBackend {
 public:
  std::vector<RecordedCall> calls;
  std::map<std::string, Status> failures;
  CameraHandle nextHandle = 1;
  std::vector<std::uint8_t> captureBytes;
  std::int32_t captureLength = -1;  // -1: report captureBytes' size
  std::uint8_t captureResult = 1;
  std::uint8_t triggerResult = 1;

  std::vector<std::string> Operations() const {
    std::vector<std::string> names;
    for (const auto& call : calls) names.push_back(call.operation);
    return names;
  }

  Status Connect(const QString& address, std::int32_t option, CameraHandle& handle) override {
    calls.push_back({"Connect", 0, address, {}, option});
    if (auto failure = FailureOf("Connect")) return *failure;
    handle = nextHandle++;
    return Status::Ok();
  }
  Status Disconnect(CameraHandle handle) override {
    calls.push_back({"Disconnect", handle});
    return FailureOr("Disconnect");
  }
  Status Trigger(CameraHandle handle, QString& number, QString& color, AutomationByteArray& picture,
                 std::int32_t bufferSize, std::int32_t& length, std::uint8_t& result) override {
    RecordedCall call{"Trigger", handle, {}, {}, bufferSize};
    call.variantType = picture.VariantType();
    call.arrayElements = picture.ElementCount();
    calls.push_back(call);
    if (auto failure = FailureOf("Trigger")) return *failure;
    number = QStringLiteral("粤B12345");
    color = QStringLiteral("蓝");
    length = 0;
    result = triggerResult;
    return Status::Ok();
  }
  Status OpenGate(CameraHandle handle) override {
    calls.push_back({"OpenGate", handle});
    return FailureOr("OpenGate");
  }
  Status ConfigureConnection(CameraHandle handle, std::int32_t first,
                             std::int32_t second) override {
    calls.push_back({"ConfigureConnection", handle, {}, {}, first, second});
    return FailureOr("ConfigureConnection");
  }
  Status Capture(CameraHandle handle, AutomationByteArray& picture, std::int32_t bufferSize,
                 std::int32_t& length, std::uint8_t& result) override {
    RecordedCall call{"Capture", handle, {}, {}, bufferSize};
    call.variantType = picture.VariantType();
    call.arrayElements = picture.ElementCount();
    calls.push_back(call);
    if (auto failure = FailureOf("Capture")) return *failure;
    {
      ArrayLock lock(picture);
      const auto fit = std::min<std::size_t>(captureBytes.size(),
                                             static_cast<std::size_t>(picture.ElementCount()));
      if (fit > 0) std::memcpy(lock.data(), captureBytes.data(), fit);
    }
    length = captureLength >= 0 ? captureLength : static_cast<std::int32_t>(captureBytes.size());
    result = captureResult;
    return Status::Ok();
  }
  Status TransSerialPort(CameraHandle handle, const std::uint8_t* data,
                         std::int32_t count) override {
    RecordedCall call{"TransSerialPort", handle, {}, {}, count};
    if (data != nullptr && count > 0) call.bytes.assign(data, data + count);
    calls.push_back(call);
    return FailureOr("TransSerialPort");
  }

 private:
  const Status* FailureOf(const std::string& operation) const {
    auto found = failures.find(operation);
    return found == failures.end() ? nullptr : &found->second;
  }
  Status FailureOr(const std::string& operation) const {
    auto failure = FailureOf(operation);
    return failure ? *failure : Status::Ok();
  }
};

class RecordingVideoBackend : public VideoBackend {
 public:
  std::vector<QString> addresses;
  Status failure = Status::Ok();
  int paints = 0;
  QRect lastPaintArea;

  Status PutStreamAddress(const QString& address) override {
    addresses.push_back(address);
    return failure;
  }
  void Paint(QPainter&, const QRect& area) override {
    ++paints;
    lastPaintArea = area;
  }
};

}  // namespace camera::testing
