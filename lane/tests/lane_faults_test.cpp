#include <gtest/gtest.h>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "Controller.h"
#include "LaneTestSupport.h"
#include "VirtualLane.h"

namespace virtual_lane {
namespace {

using testing::ByteVector;
using testing::DecodeJpeg;

constexpr int kHangGuardMs = 10000;  // only against a lane that never answers
constexpr int kLongSpellMs = 600000;
constexpr std::int32_t kPictureBuffer = 1 << 20;
const QString kAddress = QStringLiteral("192.168.1.100");

LaneTimings Quick(int carPeriodMs = 0) {
  LaneTimings timings;
  timings.carPeriodMs = carPeriodMs;
  timings.plateDelayMs = 0;
  timings.cardReplyDelayMs = 0;
  return timings;
}

// Every event one camera raises, with copies of the bytes it carried.
struct Events {
  explicit Events(VirtualCamera& camera) {
    QObject::connect(&camera, &camera::SdkBackend::OnZELIPCSDKTransSerialPort,
                     [this](const QString&, const std::uint8_t* data, std::int32_t count) {
                       serial.emplace_back(data, data + count);
                     });
    QObject::connect(
        &camera, &camera::SdkBackend::OnZELIPCSDKPlate,
        [this](const QString&, const QString& number, const QString&, const std::uint8_t* scene,
               std::int32_t sceneLength, const std::uint8_t* closeUp, std::int32_t closeUpLength,
               std::int32_t, std::int32_t, std::int32_t, std::int32_t, float, std::int32_t,
               std::int32_t, std::int32_t, std::int32_t) {
          plates.push_back({number, ByteVector(scene, scene + sceneLength),
                            ByteVector(closeUp, closeUp + closeUpLength)});
        });
  }
  struct Plate {
    QString number;
    ByteVector scene;
    ByteVector closeUp;
  };
  std::vector<ByteVector> serial;
  std::vector<Plate> plates;
};

camera::Status SendReadCard(VirtualCamera& camera, camera::CameraHandle handle) {
  const auto frame = protocol::BuildReadCardFrame(1, 100);
  return camera.TransSerialPort(handle, frame.data(), static_cast<std::int32_t>(frame.size()));
}

bool WaitFor(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, kHangGuardMs);
}

class LaneFaultsTest : public ::testing::Test {
 protected:
  camera::CameraHandle Open(VirtualCamera& on) {
    camera::CameraHandle handle = 0;
    EXPECT_FALSE(on.Connect(kAddress, 0, handle).Failed());
    EXPECT_GT(handle, 0);
    return handle;
  }
  Lane& TheLane() { return *world.LaneAt(kAddress); }
  // The first card reply as a lane without faults sends it.
  static ByteVector CleanReply() {
    VirtualLaneWorld clean(Quick());
    VirtualCamera camera(clean);
    Events events(camera);
    camera::CameraHandle handle = 0;
    camera.Connect(kAddress, 0, handle);
    SendReadCard(camera, handle);
    return WaitFor([&] { return !events.serial.empty(); }) ? events.serial.front() : ByteVector{};
  }

  VirtualLaneWorld world{Quick()};
  VirtualCamera camera{world};
  Events events{camera};
};

struct RefusalCase {
  const char* name;
  LaneFaults faults;
  std::string reason;
};

class RefusingLaneTest : public LaneFaultsTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusingLaneTest, EveryCallFailsAndTheOpenHandleWorksOnceTheFaultIsOver) {
  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults(GetParam().faults);

  camera::AutomationByteArray picture(kPictureBuffer);
  QString number;
  QString color;
  std::int32_t length = 0;
  std::uint8_t result = 0;
  camera::CameraHandle another = -1;
  const auto gateOpen = protocol::BuildGateOpenFrame(1, 5);
  const std::vector<std::pair<const char*, std::function<camera::Status()>>> calls = {
      {"Connect", [&] { return camera.Connect(kAddress, 0, another); }},
      {"Disconnect", [&] { return camera.Disconnect(handle); }},
      {"Trigger",
       [&] {
         return camera.Trigger(handle, number, color, picture, kPictureBuffer, length, result);
       }},
      {"OpenGate", [&] { return camera.OpenGate(handle); }},
      {"ConfigureConnection", [&] { return camera.ConfigureConnection(handle, 1, 1); }},
      {"Capture", [&] { return camera.Capture(handle, picture, kPictureBuffer, length, result); }},
      {"TransSerialPort", [&] { return camera.TransSerialPort(handle, gateOpen.data(), 15); }},
  };
  for (const auto& [name, call] : calls) {
    const camera::Status status = call();
    EXPECT_EQ(status.code, camera::kStatusFailed) << name;
    EXPECT_NE(status.reason.find(GetParam().reason), std::string::npos)
        << name << ": " << status.reason;
  }
  EXPECT_EQ(another, 0);
  EXPECT_FALSE(TheLane().GateOpen());
  EXPECT_EQ(TheLane().CommandsAccepted(), 0);
  EXPECT_TRUE(TheLane().PlateNumber().isEmpty());

  TheLane().SetFaults({});
  EXPECT_FALSE(camera.TransSerialPort(handle, gateOpen.data(), 15).Failed());
  EXPECT_TRUE(TheLane().GateOpen());
  EXPECT_FALSE(camera.Disconnect(handle).Failed());
}

INSTANTIATE_TEST_SUITE_P(Faults, RefusingLaneTest,
                         ::testing::Values(RefusalCase{"RefusedCalls",
                                                       {.refuseCalls = true,
                                                        .refusal = "out of order"},
                                                       "out of order"},
                                           RefusalCase{"Unreachable",
                                                       {.unreachableMs = kLongSpellMs},
                                                       "network unreachable (192.168.1.100)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaneFaultsTest, AnUnreachableLanesRepliesAreLost) {
  const camera::CameraHandle handle = Open(camera);
  const std::uint64_t card = TheLane().CardOnReader();
  ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  TheLane().SetFaults({.unreachableMs = kLongSpellMs});
  EXPECT_FALSE(TheLane().Reachable());

  ASSERT_TRUE(WaitFor([&] { return TheLane().LastCardRead() == card; }));
  EXPECT_TRUE(events.serial.empty());

  TheLane().SetFaults({});
  ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  EXPECT_TRUE(WaitFor([&] { return events.serial.size() == 1; }));
}

TEST_F(LaneFaultsTest, AnUnreachableLaneComesBackByItself) {
  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults({.unreachableMs = 1});
  ASSERT_TRUE(WaitFor([&] { return TheLane().Reachable(); }));
  EXPECT_FALSE(camera.OpenGate(handle).Failed());
  EXPECT_TRUE(TheLane().GateOpen());
}

struct SerialCase {
  const char* name;
  SerialFault fault;
  std::function<void(const std::vector<ByteVector>& chunks, const ByteVector& clean)> check;
};

class SerialFaultTest : public LaneFaultsTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialFaultTest, TheCardReplyArrivesSpoilt) {
  const ByteVector clean = CleanReply();
  ASSERT_EQ(clean.size(), 28u);
  protocol::ControllerReply reply;
  ASSERT_EQ(protocol::ParseControllerReply(clean, reply), protocol::kReplyDecoded);
  const std::uint64_t card = TheLane().CardOnReader();
  ASSERT_EQ(reply.CardNumber, card);

  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults({.serial = GetParam().fault});
  ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  // The lane sends all its chunks at once.
  ASSERT_TRUE(WaitFor([&] { return TheLane().LastCardRead() == card; }));
  GetParam().check(events.serial, clean);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SerialFaultTest,
    ::testing::Values(SerialCase{"Garbled", SerialFault::Garbled,
                                 [](const auto& chunks, const ByteVector& clean) {
                                   ASSERT_EQ(chunks.size(), 1u);
                                   EXPECT_EQ(chunks[0].size(), clean.size());
                                   EXPECT_NE(chunks[0], clean);
                                 }},
                      SerialCase{"Truncated", SerialFault::Truncated,
                                 [](const auto& chunks, const ByteVector& clean) {
                                   ASSERT_EQ(chunks.size(), 1u);
                                   ASSERT_GE(chunks[0].size(), 1u);
                                   ASSERT_LT(chunks[0].size(), clean.size());
                                   EXPECT_EQ(
                                       chunks[0],
                                       ByteVector(clean.begin(), clean.begin() + chunks[0].size()));
                                 }},
                      SerialCase{"Duplicated", SerialFault::Duplicated,
                                 [](const auto& chunks, const ByteVector& clean) {
                                   EXPECT_EQ(chunks, (std::vector<ByteVector>{clean, clean}));
                                 }},
                      SerialCase{"ByteByByte", SerialFault::ByteByByte,
                                 [](const auto& chunks, const ByteVector& clean) {
                                   ASSERT_EQ(chunks.size(), clean.size());
                                   for (std::size_t at = 0; at < chunks.size(); ++at)
                                     EXPECT_EQ(chunks[at], ByteVector{clean[at]}) << "byte " << at;
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaneFaultsTest, GarblingVariesFromReplyToReply) {
  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults({.serial = SerialFault::Garbled});
  for (int read = 0; read < 2 * static_cast<int>(CardReader::kDeck.size()); ++read)
    ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  ASSERT_TRUE(WaitFor([&] { return events.serial.size() == 2 * CardReader::kDeck.size(); }));
  // The same card twice, garbled differently.
  const std::size_t deck = CardReader::kDeck.size();
  int differing = 0;
  for (std::size_t at = 0; at < deck; ++at)
    differing += events.serial[at] != events.serial[at + deck];
  EXPECT_GT(differing, 0);
}

const ByteVector kEmptyJpeg = {0xFF, 0xD8, 0xFF, 0xD9};

struct PictureCase {
  const char* name;
  PictureFault fault;
  std::function<void(const ByteVector& picture)> check;
};

class PictureFaultTest : public LaneFaultsTest,
                         public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureFaultTest, TriggerAndPlateEventCarryTheSpoiltPictures) {
  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults({.pictures = GetParam().fault});
  camera::AutomationByteArray picture(kPictureBuffer);
  QString number;
  QString color;
  std::int32_t length = -1;
  std::uint8_t result = 0;
  ASSERT_FALSE(
      camera.Trigger(handle, number, color, picture, kPictureBuffer, length, result).Failed());
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(number.isEmpty());
  ASSERT_TRUE(WaitFor([&] { return !events.plates.empty(); }));

  const auto& plate = events.plates[0];
  EXPECT_EQ(plate.number, number);
  {
    SCOPED_TRACE("scene");
    GetParam().check(plate.scene);
  }
  {
    SCOPED_TRACE("close-up");
    GetParam().check(plate.closeUp);
  }
  ASSERT_EQ(length, static_cast<std::int32_t>(plate.scene.size()));
  camera::ArrayLock lock(picture);
  EXPECT_EQ(ByteVector(lock.data(), lock.data() + length), plate.scene);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PictureFaultTest,
    ::testing::Values(
        PictureCase{"Missing", PictureFault::Missing,
                    [](const ByteVector& picture) { EXPECT_TRUE(picture.empty()); }},
        PictureCase{"Empty", PictureFault::Empty,
                    [](const ByteVector& picture) {
                      EXPECT_EQ(picture, kEmptyJpeg);
                      EXPECT_FALSE(DecodeJpeg(picture.data(), picture.size()).decoded);
                    }},
        PictureCase{"NotJpeg", PictureFault::NotJpeg,
                    [](const ByteVector& picture) {
                      ASSERT_FALSE(picture.empty());
                      EXPECT_NE(picture[0], 0xFF);
                      EXPECT_FALSE(DecodeJpeg(picture.data(), picture.size()).decoded);
                    }},
        PictureCase{"CutShort", PictureFault::CutShort,
                    [](const ByteVector& picture) {
                      ASSERT_GE(picture.size(), 2u);
                      EXPECT_EQ(picture[0], 0xFF);
                      EXPECT_EQ(picture[1], 0xD8);
                      EXPECT_FALSE(DecodeJpeg(picture.data(), picture.size()).decoded);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaneFaultsTest, EventsStillOnTheirWayArriveAfterDisconnect) {
  const camera::CameraHandle handle = Open(camera);
  TheLane().SetFaults({.eventsAfterDisconnect = true});
  camera::AutomationByteArray picture(kPictureBuffer);
  QString number;
  QString color;
  std::int32_t length = 0;
  std::uint8_t result = 0;
  ASSERT_FALSE(
      camera.Trigger(handle, number, color, picture, kPictureBuffer, length, result).Failed());
  ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  ASSERT_FALSE(camera.Disconnect(handle).Failed());

  ASSERT_TRUE(WaitFor([&] { return events.plates.size() == 1 && events.serial.size() == 1; }));
  EXPECT_EQ(events.plates[0].number, number);
  EXPECT_EQ(camera.OpenGate(handle).code, camera::kStatusNotConnected);
}

TEST_F(LaneFaultsTest, CarsKeepComingAfterDisconnect) {
  VirtualLaneWorld busy(Quick(1));
  VirtualCamera busyCamera(busy);
  Events busyEvents(busyCamera);
  camera::CameraHandle handle = 0;
  ASSERT_FALSE(busyCamera.Connect(kAddress, 0, handle).Failed());
  busy.LaneAt(kAddress)->SetFaults({.eventsAfterDisconnect = true});
  ASSERT_FALSE(busyCamera.Disconnect(handle).Failed());
  busyEvents.plates.clear();
  EXPECT_TRUE(WaitFor([&] { return !busyEvents.plates.empty(); }));
}

TEST_F(LaneFaultsTest, AfterReconnectingEventsComeOnceAndStopWithTheFault) {
  TheLane().SetFaults({.eventsAfterDisconnect = true});
  ASSERT_FALSE(camera.Disconnect(Open(camera)).Failed());
  const camera::CameraHandle handle = Open(camera);
  ASSERT_FALSE(SendReadCard(camera, handle).Failed());
  const std::uint64_t firstCard = TheLane().CardOnReader();
  ASSERT_TRUE(WaitFor([&] { return TheLane().LastCardRead() == firstCard; }));
  EXPECT_EQ(events.serial.size(), 1u);

  TheLane().SetFaults({});
  ASSERT_FALSE(camera.Disconnect(handle).Failed());
  // A second camera's reply marks the moment ours would have come.
  VirtualCamera other(world);
  Events others(other);
  ASSERT_FALSE(SendReadCard(other, Open(other)).Failed());
  ASSERT_TRUE(WaitFor([&] { return others.serial.size() == 1; }));
  EXPECT_EQ(events.serial.size(), 1u);
}

}  // namespace
}  // namespace virtual_lane
