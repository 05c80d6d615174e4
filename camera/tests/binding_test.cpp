#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "AXCLIENTLib_TLB.h"
#include "AutomationByteArray.h"
#include "ComponentError.h"
#include "RecordingBackends.h"
#include "zel_ipcsdkLib_TLB.h"

namespace camera {
namespace {

using testing::RecordedCall;
using testing::RecordingSdkBackend;
using testing::RecordingVideoBackend;

std::string ErrorText(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComponentError& error) {
    return error.what();
  }
  return "no ComponentError";
}

TEST(TsdkForwarding, OperationsPassEveryArgument) {
  RecordingSdkBackend backend;
  backend.nextHandle = 7;
  Tsdk sdk(&backend);
  const std::uint8_t frame[] = {0x55, 0xAA, 0x01, 0x00};

  EXPECT_EQ(sdk.Connect(QStringLiteral("192.168.1.100"), 2), 7);
  sdk.Disconnect(4);
  sdk.OpenGate(0);
  sdk.ConfigureConnection(5, 1, 2);
  sdk.TransSerialPort(-6, frame, 4);

  ASSERT_EQ(backend.Operations(),
            (std::vector<std::string>{"Connect", "Disconnect", "OpenGate", "ConfigureConnection",
                                      "TransSerialPort"}));
  EXPECT_EQ(backend.calls[0].text, QStringLiteral("192.168.1.100"));
  EXPECT_EQ(backend.calls[0].first, 2);
  EXPECT_EQ(backend.calls[1].handle, 4);
  EXPECT_EQ(backend.calls[2].handle, 0);
  EXPECT_EQ(backend.calls[3].handle, 5);
  EXPECT_EQ(backend.calls[3].first, 1);
  EXPECT_EQ(backend.calls[3].second, 2);
  EXPECT_EQ(backend.calls[4].handle, -6);
  EXPECT_EQ(backend.calls[4].bytes, (std::vector<std::uint8_t>{0x55, 0xAA, 0x01, 0x00}));
}

TEST(TsdkForwarding, TriggerAndCaptureReturnResultsAndOutputs) {
  RecordingSdkBackend backend;
  backend.triggerResult = 9;
  backend.captureBytes = {0xFF, 0xD8, 0xFF, 0xE0};
  backend.captureLength = 5000;
  Tsdk sdk(&backend);
  AutomationByteArray picture(8);
  QString number;
  QString color;
  std::int32_t triggerLength = -1;
  std::int32_t captureLength = 0;

  EXPECT_EQ(sdk.Trigger(3, number, color, picture, 8, triggerLength), 9);
  EXPECT_EQ(sdk.Capture(2, picture, 8, captureLength), 1);

  EXPECT_EQ(number, QStringLiteral("粤B12345"));
  EXPECT_EQ(color, QStringLiteral("蓝"));
  EXPECT_EQ(triggerLength, 0);
  EXPECT_EQ(captureLength, 5000) << "the reported length is passed on untouched";
  ArrayLock lock(picture);
  EXPECT_EQ(std::vector<std::uint8_t>(lock.data(), lock.data() + 8),
            (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0}));
  for (const RecordedCall& call : backend.calls) {
    EXPECT_EQ(call.first, 8) << call.operation;
    EXPECT_EQ(call.variantType, 8209) << call.operation;
    EXPECT_EQ(call.arrayElements, 8) << call.operation;
  }
  EXPECT_EQ(backend.calls[0].handle, 3);
  EXPECT_EQ(backend.calls[1].handle, 2);
}

// One row per handle operation: its name and a call through Tsdk with handle 3.
struct HandleOperation {
  std::string name;
  std::function<void(Tsdk&)> call;
};

std::vector<HandleOperation> HandleOperations() {
  return {
      {"Disconnect", [](Tsdk& sdk) { sdk.Disconnect(3); }},
      {"Trigger",
       [](Tsdk& sdk) {
         AutomationByteArray picture(16);
         QString number;
         QString color;
         std::int32_t length = 0;
         sdk.Trigger(3, number, color, picture, 16, length);
       }},
      {"OpenGate", [](Tsdk& sdk) { sdk.OpenGate(3); }},
      {"ConfigureConnection", [](Tsdk& sdk) { sdk.ConfigureConnection(3, 1, 1); }},
      {"Capture",
       [](Tsdk& sdk) {
         AutomationByteArray picture(16);
         std::int32_t length = 0;
         sdk.Capture(3, picture, 16, length);
       }},
      {"TransSerialPort",
       [](Tsdk& sdk) {
         const std::uint8_t byte = 0x0D;
         sdk.TransSerialPort(3, &byte, 1);
       }},
  };
}

class TsdkFailure : public ::testing::TestWithParam<HandleOperation> {};

TEST_P(TsdkFailure, FailureStatusNamesOperationHandleAndReason) {
  RecordingSdkBackend backend;
  backend.failures[GetParam().name] = Status::Failure(kStatusNotConnected, "not connected");
  Tsdk sdk(&backend);

  EXPECT_EQ(ErrorText([&] { GetParam().call(sdk); }),
            GetParam().name + " failed on camera handle 3: not connected (0x80040201)");
}

TEST_P(TsdkFailure, MissingOrDestroyedBackendIsReported) {
  auto backend = std::make_unique<RecordingSdkBackend>();
  Tsdk destroyed(backend.get());
  backend.reset();
  const std::string expected =
      GetParam().name + " failed on camera handle 3: no camera component is installed";

  EXPECT_EQ(ErrorText([&] { GetParam().call(destroyed); }), expected);
  Tsdk none(nullptr);
  EXPECT_EQ(ErrorText([&] { GetParam().call(none); }), expected);
}

INSTANTIATE_TEST_SUITE_P(EveryHandleOperation, TsdkFailure, ::testing::ValuesIn(HandleOperations()),
                         [](const auto& info) { return info.param.name; });

TEST(TsdkFailure, ConnectFailureNamesTheAddressAndLeavesNoHandle) {
  RecordingSdkBackend backend;
  backend.failures["Connect"] = Status::Failure(kStatusInvalidArgument, "bad address");
  Tsdk sdk(&backend);
  CameraHandle handle = 5;

  EXPECT_EQ(ErrorText([&] { handle = sdk.Connect(QStringLiteral("10.0.0.300"), 0); }),
            "Connect to \"10.0.0.300\" failed: bad address (0x80070057)");
  EXPECT_EQ(handle, 5);
  EXPECT_EQ(ErrorText([] { Tsdk(nullptr).Connect(QStringLiteral("10.0.0.1"), 0); }),
            "Connect to \"10.0.0.1\" failed: no camera component is installed");
}

TEST(TsdkFailure, SizesThatWouldOverrunNeverReachTheBackend) {
  RecordingSdkBackend backend;
  Tsdk sdk(&backend);
  AutomationByteArray picture(100);
  QString text;
  std::int32_t length = 0;

  EXPECT_EQ(ErrorText([&] { sdk.Capture(1, picture, 101, length); }),
            "Capture failed on camera handle 1: buffer size 101 does not fit the picture array "
            "of 100 bytes");
  EXPECT_EQ(ErrorText([&] { sdk.Trigger(1, text, text, picture, -1, length); }),
            "Trigger failed on camera handle 1: buffer size -1 does not fit the picture array "
            "of 100 bytes");
  EXPECT_EQ(ErrorText([&] { sdk.TransSerialPort(1, nullptr, -1); }),
            "TransSerialPort failed on camera handle 1: byte count -1 is negative");
  EXPECT_EQ(ErrorText([&] { sdk.TransSerialPort(1, nullptr, 4); }),
            "TransSerialPort failed on camera handle 1: 4 bytes announced but none given");
  EXPECT_TRUE(backend.calls.empty());
}

TEST(TsdkEvents, PlateEventArrivesWithEveryParameterWhilePicturesAreReadable) {
  RecordingSdkBackend backend;
  Tsdk sdk(&backend);
  const std::vector<std::uint8_t> scene = {0xFF, 0xD8, 0x01, 0x02, 0xFF, 0xD9};
  const std::vector<std::uint8_t> closeUp = {0xFF, 0xD8, 0xFF, 0xD9};
  std::vector<std::string> seen;
  std::vector<std::uint8_t> sceneSeen;
  std::vector<std::uint8_t> closeUpSeen;

  QObject::connect(
      &sdk, &Tsdk::OnZELIPCSDKPlate,
      [&](const QString& ip, const QString& number, const QString& color,
          const std::uint8_t* picData, std::int32_t picLen, const std::uint8_t* closeUpData,
          std::int32_t closeUpLen, std::int32_t speed, std::int32_t capTime, std::int32_t reserved1,
          std::int32_t reserved2, float confidence, std::int32_t vehicleColor,
          std::int32_t plateType, std::int32_t vehicleDir, std::int32_t alarmType) {
        seen = {ip.toStdString(),          number.toStdString(),       color.toStdString(),
                std::to_string(speed),     std::to_string(capTime),    std::to_string(reserved1),
                std::to_string(reserved2), std::to_string(confidence), std::to_string(vehicleColor),
                std::to_string(plateType), std::to_string(vehicleDir), std::to_string(alarmType)};
        sceneSeen.assign(picData, picData + picLen);
        closeUpSeen.assign(closeUpData, closeUpData + closeUpLen);
      });

  {
    // Copies that die right after the emission, as a backend's buffers do.
    const std::vector<std::uint8_t> sceneBuffer = scene;
    const std::vector<std::uint8_t> closeUpBuffer = closeUp;
    emit backend.OnZELIPCSDKPlate(QStringLiteral("192.168.1.100"), QStringLiteral("粤B12345"),
                                  QStringLiteral("蓝"), sceneBuffer.data(), 6, closeUpBuffer.data(),
                                  4, 35, 1700000000, -1, 2, 0.875f, 3, 4, 5, 6);
  }

  EXPECT_EQ(seen, (std::vector<std::string>{"192.168.1.100", "粤B12345", "蓝", "35", "1700000000",
                                            "-1", "2", "0.875000", "3", "4", "5", "6"}));
  EXPECT_EQ(sceneSeen, scene);
  EXPECT_EQ(closeUpSeen, closeUp);
}

TEST(TsdkEvents, SerialEventArrivesWithAddressAndBytes) {
  RecordingSdkBackend backend;
  Tsdk sdk(&backend);
  QString ipSeen;
  std::vector<std::uint8_t> bytesSeen;
  QObject::connect(&sdk, &Tsdk::OnZELIPCSDKTransSerialPort,
                   [&](const QString& ip, const std::uint8_t* data, std::int32_t length) {
                     ipSeen = ip;
                     bytesSeen.assign(data, data + length);
                   });

  const std::vector<std::uint8_t> reply = {0x55, 0xAA, 0xA2, 0x00, 0x1C};
  emit backend.OnZELIPCSDKTransSerialPort(QStringLiteral("10.1.1.2"), reply.data(), 5);

  EXPECT_EQ(ipSeen, QStringLiteral("10.1.1.2"));
  EXPECT_EQ(bytesSeen, reply);
}

TEST(Taxclient, FailedPutLeavesTheAddressUnchanged) {
  RecordingVideoBackend backend;
  Taxclient video(&backend);
  video.SetStreamAddress(QStringLiteral("192.168.1.100"));
  backend.failure = Status::Failure(kStatusFailed, "stream not reachable");

  EXPECT_EQ(ErrorText([&] { video.SetStreamAddress(QStringLiteral("0")); }),
            "Setting StreamAddress to \"0\" failed: stream not reachable (0x80004005)");
  EXPECT_EQ(video.StreamAddress(), QStringLiteral("192.168.1.100"));
  EXPECT_EQ(backend.addresses,
            (std::vector<QString>{QStringLiteral("192.168.1.100"), QStringLiteral("0")}));
}

TEST(Taxclient, BackendPaintsTheWholeControlOnEveryNewFrame) {
  RecordingVideoBackend backend;
  Taxclient video(&backend);
  video.resize(320, 240);
  video.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&video));
  QApplication::processEvents();
  const int paintsBefore = backend.paints;

  emit backend.FrameChanged();
  QApplication::processEvents();

  EXPECT_EQ(backend.paints, paintsBefore + 1);
  EXPECT_EQ(backend.lastPaintArea, QRect(0, 0, 320, 240));
}

TEST(Taxclient, WithoutBackendRefusesAddressesAndShowsADarkPicture) {
  auto backend = std::make_unique<RecordingVideoBackend>();
  Taxclient video(backend.get());
  video.resize(100, 80);
  backend.reset();

  EXPECT_EQ(ErrorText([&] { video.SetStreamAddress(QStringLiteral("10.0.0.1")); }),
            "Setting StreamAddress to \"10.0.0.1\" failed: no video component is installed");
  EXPECT_EQ(video.StreamAddress(), QString());
  const QImage picture = video.grab().toImage();
  EXPECT_LT(qGray(picture.pixel(2, 2)), 40);
  EXPECT_LT(qGray(picture.pixel(97, 77)), 40);
}

TEST(AutomationByteArray, HasTheAutomationShapeAndStartsZeroed) {
  AutomationByteArray array(1048576);

  EXPECT_EQ(array.VariantType(), 8209);
  EXPECT_EQ(array.Dimensions(), 1);
  EXPECT_EQ(array.LowerBound(), 0);
  EXPECT_EQ(array.ElementCount(), 1048576);
  ArrayLock lock(array);
  EXPECT_EQ(std::count(lock.data(), lock.data() + 1048576, 0), 1048576);
  EXPECT_THROW(AutomationByteArray(-1), std::invalid_argument);
}

TEST(AutomationByteArray, LocksNestAndAnUnmatchedUnlockIsRefused) {
  AutomationByteArray array(4);
  EXPECT_THROW(array.Unlock(), std::logic_error);

  std::uint8_t* outer = array.Lock();
  outer[3] = 0x5A;
  EXPECT_EQ(array.Lock(), outer);
  array.Unlock();
  EXPECT_TRUE(array.IsLocked());
  array.Unlock();
  EXPECT_FALSE(array.IsLocked());
  EXPECT_THROW(array.Unlock(), std::logic_error);

  ArrayLock again(array);
  EXPECT_EQ(again.data()[3], 0x5A);
}

}  // namespace
}  // namespace camera
