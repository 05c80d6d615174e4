#include <gtest/gtest.h>
#include <QTest>

#include <algorithm>
#include <functional>

#include "CameraAddress.h"
#include "Controller.h"
#include "LaneTestSupport.h"
#include "VirtualLane.h"

namespace virtual_lane {
namespace {

using testing::DecodeJpeg;

constexpr int kPatienceMs = 5000;
constexpr std::int32_t kPictureBuffer = 1 << 20;
const QString kAddress = QStringLiteral("192.168.1.100");

LaneTimings Quick() {
  LaneTimings timings;
  timings.carPeriodMs = 0;
  timings.plateDelayMs = 5;
  timings.cardReplyDelayMs = 5;
  return timings;
}

// What one camera's serial-data events carried: the address and the byte count.
struct SerialEvents {
  explicit SerialEvents(VirtualCamera& camera) {
    QObject::connect(&camera, &camera::SdkBackend::OnZELIPCSDKTransSerialPort,
                     [this](const QString& ip, const std::uint8_t*, std::int32_t count) {
                       seen.emplace_back(ip, count);
                     });
  }
  std::vector<std::pair<QString, std::int32_t>> seen;
};

class VirtualCameraTest : public ::testing::Test {
 protected:
  camera::CameraHandle Open(VirtualCamera& on, const QString& address = kAddress) {
    camera::CameraHandle handle = -1;
    EXPECT_FALSE(on.Connect(address, 0, handle).Failed());
    return handle;
  }
  camera::Status SendReadCard(VirtualCamera& on, camera::CameraHandle handle) {
    const auto frame = protocol::BuildReadCardFrame(1, 100);
    return on.TransSerialPort(handle, frame.data(), static_cast<std::int32_t>(frame.size()));
  }

  VirtualLaneWorld world{Quick()};
  VirtualCamera camera{world};
};

TEST(LaneAddress, AcceptsOnlyPlainDottedIpv4) {
  for (const char* good : {"192.168.1.100", "0.0.0.0", "255.255.255.255", "10.0.0.7"}) {
    EXPECT_TRUE(camera::IsDottedIpv4(QString::fromUtf8(good))) << good;
  }
  for (const char* bad : {"", "0", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", " 1.2.3.4",
                          "01.2.3.4", "1.2.3.004", "-1.2.3.4", "+1.2.3.4", "1..3.4", "a.b.c.d",
                          "1.2.3.4/24", "１.2.3.4", "1.2.3.1000", "localhost"}) {
    EXPECT_FALSE(camera::IsDottedIpv4(QString::fromUtf8(bad))) << bad;
  }
}

TEST_F(VirtualCameraTest, ConnectGivesAPositiveHandleOrZeroForNoCamera) {
  EXPECT_GT(Open(camera), 0);
  EXPECT_EQ(Open(camera, QStringLiteral("not a camera")), 0);
  EXPECT_EQ(Open(camera, QStringLiteral("300.1.1.1")), 0);
}

TEST_F(VirtualCameraTest, EveryOperationOnAHandleThatIsNotOpenFailsNamingIt) {
  const camera::CameraHandle closed = Open(camera);
  ASSERT_FALSE(camera.Disconnect(closed).Failed());
  camera::AutomationByteArray picture(kPictureBuffer);
  QString number;
  QString color;
  std::int32_t length = 0;
  std::uint8_t result = 0;
  const std::uint8_t byte = 0x55;
  const std::vector<std::function<camera::Status(camera::CameraHandle)>> operations = {
      [&](camera::CameraHandle h) { return camera.Disconnect(h); },
      [&](camera::CameraHandle h) {
        return camera.Trigger(h, number, color, picture, kPictureBuffer, length, result);
      },
      [&](camera::CameraHandle h) { return camera.OpenGate(h); },
      [&](camera::CameraHandle h) { return camera.ConfigureConnection(h, 1, 1); },
      [&](camera::CameraHandle h) {
        return camera.Capture(h, picture, kPictureBuffer, length, result);
      },
      [&](camera::CameraHandle h) { return camera.TransSerialPort(h, &byte, 1); },
  };
  for (camera::CameraHandle handle : {0, closed, 12345}) {
    for (std::size_t i = 0; i < operations.size(); ++i) {
      const camera::Status status = operations[i](handle);
      EXPECT_EQ(status.code, camera::kStatusNotConnected)
          << "operation " << i << ", handle " << handle;
      EXPECT_NE(status.reason.find("not connected"), std::string::npos);
      EXPECT_NE(status.reason.find(std::to_string(handle)), std::string::npos) << status.reason;
    }
  }
}

TEST_F(VirtualCameraTest, TwoConnectsAreTwoHandlesOnOneLane) {
  const camera::CameraHandle first = Open(camera);
  const camera::CameraHandle second = Open(camera);
  EXPECT_NE(first, second);
  EXPECT_EQ(camera.LaneOf(first), camera.LaneOf(second));
  ASSERT_FALSE(camera.Disconnect(first).Failed());
  EXPECT_EQ(camera.Disconnect(first).code, camera::kStatusNotConnected);
  EXPECT_FALSE(camera.OpenGate(second).Failed());
  EXPECT_TRUE(world.LaneAt(kAddress)->GateOpen());
}

TEST_F(VirtualCameraTest, LaneEventsReachEachListeningCameraOnce) {
  VirtualCamera other(world);
  SerialEvents ours(camera);
  SerialEvents theirs(other);
  Open(camera);
  const camera::CameraHandle twice = Open(camera);
  Open(other);
  ASSERT_FALSE(SendReadCard(camera, twice).Failed());
  ASSERT_TRUE(QTest::qWaitFor([&] { return theirs.seen.size() == 1; }, kPatienceMs));
  ASSERT_EQ(ours.seen.size(), 1U);
  EXPECT_EQ(ours.seen[0].first, kAddress);
  EXPECT_EQ(ours.seen[0].second, 28);
}

TEST_F(VirtualCameraTest, AfterTheLastDisconnectNoEventsCome) {
  VirtualCamera other(world);
  SerialEvents ours(camera);
  SerialEvents theirs(other);
  const camera::CameraHandle first = Open(camera);
  const camera::CameraHandle second = Open(camera);
  const camera::CameraHandle others = Open(other);
  camera.Disconnect(first);
  camera.Disconnect(second);
  ASSERT_FALSE(SendReadCard(other, others).Failed());
  ASSERT_TRUE(QTest::qWaitFor([&] { return theirs.seen.size() == 1; }, kPatienceMs));
  EXPECT_TRUE(ours.seen.empty());
}

TEST_F(VirtualCameraTest, TriggerReturnsThePlateAndTheSceneThenRaisesThePlateEvent) {
  const camera::CameraHandle handle = Open(camera);
  struct Seen {
    QString ip;
    QString number;
    testing::JpegInfo scene;
    testing::JpegInfo closeUp;
  };
  std::vector<Seen> seen;
  // The pictures are readable only while the handler runs: decode them there.
  QObject::connect(
      &camera, &camera::SdkBackend::OnZELIPCSDKPlate,
      [&](const QString& ip, const QString& number, const QString&, const std::uint8_t* pic,
          std::int32_t picLen, const std::uint8_t* closeUp, std::int32_t closeUpLen, std::int32_t,
          std::int32_t, std::int32_t, std::int32_t, float, std::int32_t, std::int32_t, std::int32_t,
          std::int32_t) {
        seen.push_back({ip, number, DecodeJpeg(pic, picLen), DecodeJpeg(closeUp, closeUpLen)});
      });

  camera::AutomationByteArray picture(kPictureBuffer);
  QString number;
  QString color;
  std::int32_t length = -1;
  std::uint8_t result = 0;
  ASSERT_FALSE(
      camera.Trigger(handle, number, color, picture, kPictureBuffer, length, result).Failed());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(number, world.LaneAt(kAddress)->PlateNumber());
  EXPECT_EQ(color, "蓝");
  ASSERT_GT(length, 0);
  {
    camera::ArrayLock lock(picture);
    const auto scene = DecodeJpeg(lock.data(), length);
    EXPECT_TRUE(scene.decoded);
    EXPECT_EQ(scene.width, 1920);
    EXPECT_EQ(scene.height, 1080);
  }
  EXPECT_FALSE(picture.IsLocked());

  ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, kPatienceMs));
  EXPECT_EQ(seen[0].ip, kAddress);
  EXPECT_EQ(seen[0].number, number);
  EXPECT_TRUE(seen[0].scene.decoded);
  EXPECT_EQ(seen[0].scene.width, 1920);
  EXPECT_TRUE(seen[0].closeUp.decoded);
  EXPECT_EQ(seen[0].closeUp.width, 440);
  EXPECT_EQ(seen[0].closeUp.height, 140);
}

struct TightBuffer {
  const char* name;
  std::int32_t arrayElements;
  std::int32_t bufferSize;
};

void PrintTo(const TightBuffer& c, std::ostream* out) {
  *out << c.name;
}

class PictureThatDoesNotFit : public VirtualCameraTest,
                              public ::testing::WithParamInterface<TightBuffer> {
 protected:
  void SetUp() override {
    handle = Open(camera);
    camera::ArrayLock lock(picture);
    std::fill_n(lock.data(), picture.ElementCount(), 0xAB);
  }
  void ExpectUntouched() {
    camera::ArrayLock lock(picture);
    EXPECT_TRUE(std::all_of(lock.data(), lock.data() + picture.ElementCount(),
                            [](std::uint8_t b) { return b == 0xAB; }));
  }

  camera::CameraHandle handle = 0;
  camera::AutomationByteArray picture{GetParam().arrayElements};
  std::int32_t length = -1;
  std::uint8_t result = 9;
};

TEST_P(PictureThatDoesNotFit, TriggerLeavesTheArrayAlone) {
  QString number;
  QString color;
  ASSERT_FALSE(camera.Trigger(handle, number, color, picture, GetParam().bufferSize, length, result)
                   .Failed());
  EXPECT_EQ(result, 1);
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(number.isEmpty());
  ExpectUntouched();
}

TEST_P(PictureThatDoesNotFit, CaptureSaysNo) {
  ASSERT_FALSE(camera.Capture(handle, picture, GetParam().bufferSize, length, result).Failed());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(length, 0);
  ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(Buffers, PictureThatDoesNotFit,
                         ::testing::Values(TightBuffer{"SmallBuffer", kPictureBuffer, 2000},
                                           TightBuffer{"SizeLargerThanTheArray", 2000,
                                                       kPictureBuffer},
                                           TightBuffer{"NegativeSize", kPictureBuffer, -1},
                                           TightBuffer{"ZeroSize", kPictureBuffer, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualCameraTest, CaptureReturnsTheLiveFrame) {
  const camera::CameraHandle handle = Open(camera);
  camera::AutomationByteArray picture(kPictureBuffer);
  std::int32_t length = -1;
  std::uint8_t result = 0;
  ASSERT_FALSE(camera.Capture(handle, picture, kPictureBuffer, length, result).Failed());
  EXPECT_EQ(result, 1);
  ASSERT_GT(length, 0);
  EXPECT_LE(length, kPictureBuffer);
  camera::ArrayLock lock(picture);
  const auto frame = DecodeJpeg(lock.data(), length);
  EXPECT_TRUE(frame.decoded);
  EXPECT_EQ(frame.width, 1280);
  EXPECT_EQ(frame.height, 720);
}

TEST_F(VirtualCameraTest, OpenGateOpensTheBarrier) {
  ASSERT_FALSE(camera.OpenGate(Open(camera)).Failed());
  EXPECT_TRUE(world.LaneAt(kAddress)->GateOpen());
}

TEST_F(VirtualCameraTest, SerialBytesReachTheLaneAndBadCountsAreRefused) {
  const camera::CameraHandle handle = Open(camera);
  const auto frame = protocol::BuildGateOpenFrame(1, 5);
  EXPECT_EQ(camera.TransSerialPort(handle, frame.data(), -1).code, camera::kStatusInvalidArgument);
  EXPECT_EQ(camera.TransSerialPort(handle, nullptr, 4).code, camera::kStatusInvalidArgument);
  EXPECT_FALSE(camera.TransSerialPort(handle, nullptr, 0).Failed());
  EXPECT_FALSE(world.LaneAt(kAddress)->GateOpen());
  EXPECT_FALSE(camera.TransSerialPort(handle, frame.data(), 15).Failed());
  EXPECT_TRUE(world.LaneAt(kAddress)->GateOpen());
}

TEST_F(VirtualCameraTest, EachAddressIsItsOwnLane) {
  const camera::CameraHandle here = Open(camera);
  const camera::CameraHandle there = Open(camera, QStringLiteral("192.168.1.101"));
  camera.OpenGate(there);
  EXPECT_NE(camera.LaneOf(here), camera.LaneOf(there));
  EXPECT_FALSE(camera.LaneOf(here)->GateOpen());
  EXPECT_TRUE(camera.LaneOf(there)->GateOpen());
}

}  // namespace
}  // namespace virtual_lane
