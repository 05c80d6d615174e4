#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "ConsoleTestFixture.h"
#include "PictureView.h"
#include "VirtualLane.h"

namespace {

using camera::Status;

constexpr std::int32_t kArrayBytes = 1048576;

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Dominant colour channel of the view's picture centre: 0 red, 1 green, 2 blue.
int DominantChannel(const PictureView& view) {
  const QImage picture = view.Picture();
  const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
  const int channels[] = {centre.red(), centre.green(), centre.blue()};
  return static_cast<int>(std::max_element(std::begin(channels), std::end(channels)) - channels);
}

class CameraHandlersTest : public ConsoleTest {
 protected:
  void RaisePlate(const QString& number, const QByteArray& scene, std::int32_t sceneLength,
                  const QByteArray& closeUp, std::int32_t closeUpLength) {
    emit sdk.OnZELIPCSDKPlate(QStringLiteral("192.168.1.100"), number, QStringLiteral("蓝"),
                              BytesOf(scene), sceneLength, BytesOf(closeUp), closeUpLength, 0, 0, 0,
                              0, 0.9f, 0, 0, 0, 0);
  }
  void RaisePlate(const QString& number, const QByteArray& scene, const QByteArray& closeUp) {
    RaisePlate(number, scene, static_cast<std::int32_t>(scene.size()), closeUp,
               static_cast<std::int32_t>(closeUp.size()));
  }
  QString WriteError(const char* name) const {
    return QStringLiteral("写入图片文件") + PicturePath(name) + QStringLiteral("出错:");
  }
  QString DisplayError(const char* name) const {
    return QStringLiteral("显示图片文件") + PicturePath(name) + QStringLiteral("出错:");
  }

  const QByteArray red_ = SolidJpeg(Qt::red);
  const QByteArray green_ = SolidJpeg(Qt::green, 160, 90);
};

TEST_F(CameraHandlersTest, ConnectOpensConfiguresAndShowsTheVideo) {
  window->edtCameraIP->setText(QStringLiteral("10.1.2.3"));
  window->BitBtn1->click();
  ASSERT_EQ(sdk.Operations(), (std::vector<std::string>{"Connect", "ConfigureConnection"}));
  EXPECT_EQ(sdk.calls[0].text, QStringLiteral("10.1.2.3"));
  EXPECT_EQ(sdk.calls[0].first, 0);
  EXPECT_EQ(sdk.calls[1].handle, 1);
  EXPECT_EQ(sdk.calls[1].first, 1);
  EXPECT_EQ(sdk.calls[1].second, 1);
  EXPECT_EQ(video.addresses, std::vector<QString>{QStringLiteral("10.1.2.3")});
  EXPECT_EQ(window->ConnectionHandle(), 1);
  EXPECT_TRUE(PaneLines().isEmpty());
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CameraHandlersTest, ConnectTwiceForgetsTheFirstAndDisconnectClosesOnlyTheSecond) {
  window->BitBtn1->click();
  window->BitBtn1->click();
  EXPECT_EQ(window->ConnectionHandle(), 2);
  window->BitBtn4->click();
  ASSERT_EQ(sdk.Operations(), (std::vector<std::string>{"Connect", "ConfigureConnection", "Connect",
                                                        "ConfigureConnection", "Disconnect"}));
  EXPECT_EQ(sdk.calls[4].handle, 2);
  EXPECT_EQ(video.addresses.back(), QStringLiteral("0"));
  EXPECT_EQ(window->ConnectionHandle(), 0);
}

TEST_F(CameraHandlersTest, ConnectWithAnEmptyAddressPassesItOn) {
  window->edtCameraIP->clear();
  window->BitBtn1->click();
  EXPECT_EQ(sdk.calls.at(0).text, QString());
  EXPECT_EQ(video.addresses, std::vector<QString>{QString()});
}

TEST_F(CameraHandlersTest, AZeroHandleIsKeptAndPassedOn) {
  sdk.nextHandle = 0;
  window->BitBtn1->click();
  EXPECT_EQ(window->ConnectionHandle(), 0);
  EXPECT_EQ(sdk.calls.at(1).handle, 0);
  window->BitBtn4->click();
  EXPECT_EQ(sdk.calls.size(), 2u);
}

TEST_F(CameraHandlersTest, DisconnectWhileDisconnectedDoesNothing) {
  window->BitBtn4->click();
  EXPECT_TRUE(sdk.calls.empty());
  EXPECT_TRUE(video.addresses.empty());
  EXPECT_TRUE(boxes.texts.empty());
}

struct ConnectFailure {
  const char* failing;  // an SDK operation, or "StreamAddress" for the video control
  camera::CameraHandle handleAfter;
  const char* streamAddressAfter;
  std::vector<std::string> operations;
};

class ConnectFailureTest : public CameraHandlersTest,
                           public ::testing::WithParamInterface<ConnectFailure> {};

TEST_P(ConnectFailureTest, EndsTheHandlerAtTheFailingCallAndIsReported) {
  const Status failure = Status::Failure(camera::kStatusFailed, "no route to camera");
  if (std::string(GetParam().failing) == "StreamAddress")
    video.failure = failure;
  else
    sdk.failures[GetParam().failing] = failure;
  window->edtCameraIP->setText(QStringLiteral("10.0.0.9"));
  window->BitBtn1->click();

  EXPECT_EQ(sdk.Operations(), GetParam().operations);
  EXPECT_EQ(window->ConnectionHandle(), GetParam().handleAfter);
  EXPECT_EQ(window->axclient1->StreamAddress(), QString::fromLatin1(GetParam().streamAddressAfter));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains(QStringLiteral("no route to camera")));
}

INSTANTIATE_TEST_SUITE_P(Calls, ConnectFailureTest,
                         ::testing::Values(ConnectFailure{"Connect", 0, "", {"Connect"}},
                                           ConnectFailure{"StreamAddress", 1, "", {"Connect"}},
                                           ConnectFailure{"ConfigureConnection",
                                                          1,
                                                          "10.0.0.9",
                                                          {"Connect", "ConfigureConnection"}}),
                         [](const auto& info) { return std::string(info.param.failing); });

TEST_F(CameraHandlersTest, AFailedDisconnectKeepsTheHandleAndTheVideo) {
  window->BitBtn1->click();
  sdk.failures["Disconnect"] = Status::Failure(camera::kStatusFailed, "busy");
  window->BitBtn4->click();
  EXPECT_EQ(window->ConnectionHandle(), 1);
  EXPECT_EQ(window->axclient1->StreamAddress(), window->edtCameraIP->text());
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST_F(CameraHandlersTest, PlateShowsTextThenCloseUpThenSceneEachWrittenPausedLoaded) {
  struct Moment {
    int pause;
    QString plate;
    bool closeUpWritten, sceneWritten, closeUpShown, sceneShown;
  };
  std::vector<Moment> moments;
  onPause = [&](int milliseconds) {
    moments.push_back({milliseconds, window->edtPlate->text(),
                       QFile::exists(PicturePath("ParkPlateIn.JPG")),
                       QFile::exists(PicturePath("ParkAll.JPG")), window->imgPlate->HasPicture(),
                       window->imgAll->HasPicture()});
  };
  RaisePlate(QStringLiteral("粤B12345"), green_, red_);

  ASSERT_EQ(moments.size(), 2u);
  EXPECT_EQ(moments[0].pause, 250);
  EXPECT_EQ(moments[0].plate, QStringLiteral("粤B12345"));
  EXPECT_TRUE(moments[0].closeUpWritten);
  EXPECT_FALSE(moments[0].closeUpShown);
  EXPECT_FALSE(moments[0].sceneWritten);
  EXPECT_EQ(moments[1].pause, 500);
  EXPECT_TRUE(moments[1].closeUpShown);
  EXPECT_TRUE(moments[1].sceneWritten);
  EXPECT_FALSE(moments[1].sceneShown);

  EXPECT_EQ(FileBytes(PicturePath("ParkPlateIn.JPG")), red_);
  EXPECT_EQ(FileBytes(PicturePath("ParkAll.JPG")), green_);
  ASSERT_TRUE(window->imgPlate->HasPicture());
  ASSERT_TRUE(window->imgAll->HasPicture());
  EXPECT_EQ(DominantChannel(*window->imgPlate), 0);
  EXPECT_EQ(DominantChannel(*window->imgAll), 1);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_TRUE(PaneLines().isEmpty());
}

TEST_F(CameraHandlersTest, PlateWithoutPicturesOnlySetsTheText) {
  RaisePlate(QStringLiteral("粤B1"), green_, red_);
  pauses.clear();
  for (const std::int32_t length : {0, -1}) {
    RaisePlate(QStringLiteral("粤B2"), green_, length, red_, length);
    EXPECT_EQ(window->edtPlate->text(), QStringLiteral("粤B2"));
  }
  RaisePlate(QString(), {}, 0, {}, 0);
  EXPECT_EQ(window->edtPlate->text(), QString());
  EXPECT_TRUE(pauses.empty());
  EXPECT_EQ(DominantChannel(*window->imgAll), 1);
  EXPECT_EQ(DominantChannel(*window->imgPlate), 0);
}

TEST_F(CameraHandlersTest, PlateWithOnlyACloseUpLeavesTheSceneAlone) {
  RaisePlate(QStringLiteral("粤B3"), {}, 0, red_, static_cast<std::int32_t>(red_.size()));
  EXPECT_EQ(pauses, std::vector<int>{250});
  EXPECT_TRUE(window->imgPlate->HasPicture());
  EXPECT_FALSE(window->imgAll->HasPicture());
  EXPECT_FALSE(QFile::exists(PicturePath("ParkAll.JPG")));
}

TEST_F(CameraHandlersTest, CloseUpThatCannotBeWrittenIsReportedWithoutReasonAndStillLoaded) {
  // A folder in the file's place defeats the write even for root.
  ASSERT_TRUE(QDir(pictures.path()).mkdir(QStringLiteral("ParkPlateIn.JPG")));
  RaisePlate(QStringLiteral("粤B4"), green_, red_);

  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[0], WriteError("ParkPlateIn.JPG"));
  EXPECT_TRUE(boxes.texts[1].startsWith(DisplayError("ParkPlateIn.JPG")));
  EXPECT_GT(boxes.texts[1].size(), DisplayError("ParkPlateIn.JPG").size());
  EXPECT_EQ(pauses, (std::vector<int>{250, 500}));
  EXPECT_FALSE(window->imgPlate->HasPicture());
  EXPECT_TRUE(window->imgAll->HasPicture());
  EXPECT_EQ(window->edtPlate->text(), QStringLiteral("粤B4"));
}

TEST_F(CameraHandlersTest, APictureLengthWithoutBytesIsAFailedWriteNotACrash) {
  emit sdk.OnZELIPCSDKPlate(QStringLiteral("192.168.1.100"), QStringLiteral("粤B6"),
                            QStringLiteral("蓝"), nullptr, 100, nullptr, 100, 0, 0, 0, 0, 0.9f, 0,
                            0, 0, 0);

  ASSERT_EQ(boxes.texts.size(), 4u);
  EXPECT_EQ(boxes.texts[0], WriteError("ParkPlateIn.JPG"));
  EXPECT_TRUE(boxes.texts[2].startsWith(WriteError("ParkAll.JPG")));
  EXPECT_FALSE(QFile::exists(PicturePath("ParkPlateIn.JPG")));
  EXPECT_FALSE(QFile::exists(PicturePath("ParkAll.JPG")));
  EXPECT_EQ(window->edtPlate->text(), QStringLiteral("粤B6"));
}

TEST_F(CameraHandlersTest, SceneThatCannotBeWrittenIsReportedWithItsReason) {
  ASSERT_TRUE(QDir(pictures.path()).mkdir(QStringLiteral("ParkAll.JPG")));
  RaisePlate(QStringLiteral("粤B5"), green_, red_);

  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_TRUE(boxes.texts[0].startsWith(WriteError("ParkAll.JPG")));
  EXPECT_GT(boxes.texts[0].size(), WriteError("ParkAll.JPG").size());
  EXPECT_TRUE(boxes.texts[1].startsWith(DisplayError("ParkAll.JPG")));
  EXPECT_TRUE(window->imgPlate->HasPicture());
}

TEST_F(CameraHandlersTest, AFailedWriteLeavesTheOlderPictureWhole) {
  RaisePlate(QStringLiteral("粤B6"), green_, red_);
  window = MakeWindow(pictures.path() + QStringLiteral("/missing"));
  RaisePlate(QStringLiteral("粤B7"), red_, green_);
  ASSERT_EQ(boxes.texts.size(), 4u);
  EXPECT_EQ(boxes.texts[0], QStringLiteral("写入图片文件") + pictures.path() +
                                QStringLiteral("/missing/ParkPlateIn.JPG出错:"));
  EXPECT_EQ(FileBytes(PicturePath("ParkPlateIn.JPG")), red_);
  EXPECT_EQ(FileBytes(PicturePath("ParkAll.JPG")), green_);
}

TEST_F(CameraHandlersTest, UndecodablePicturesAreWrittenAndReportedWithTheDecodersReason) {
  const QByteArray garbage("this is no picture at all", 25);
  RaisePlate(QStringLiteral("粤B8"), garbage, garbage);
  EXPECT_EQ(FileBytes(PicturePath("ParkAll.JPG")), garbage);
  ASSERT_EQ(boxes.texts.size(), 2u);
  for (const auto& [text, name] :
       {std::pair{boxes.texts[0], "ParkPlateIn.JPG"}, std::pair{boxes.texts[1], "ParkAll.JPG"}}) {
    EXPECT_TRUE(text.startsWith(DisplayError(name))) << text.toStdString();
    EXPECT_GT(text.size(), DisplayError(name).size());
  }
  EXPECT_EQ(window->edtPlate->text(), QStringLiteral("粤B8"));
}

TEST_F(CameraHandlersTest, TriggerHandsOverAFreshMegabyteArrayAndShowsNothing) {
  window->BitBtn2->click();
  window->BitBtn2->click();
  ASSERT_EQ(sdk.Operations(), (std::vector<std::string>{"Trigger", "Trigger"}));
  for (const auto& call : sdk.calls) {
    EXPECT_EQ(call.handle, 0);
    EXPECT_EQ(call.first, kArrayBytes);
    EXPECT_EQ(call.variantType, 8209);
    EXPECT_EQ(call.arrayElements, kArrayBytes);
  }
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_TRUE(PaneLines().isEmpty());
  EXPECT_TRUE(QDir(pictures.path()).isEmpty());
}

struct SnapshotCase {
  const char* name;
  std::uint8_t result;
  std::int32_t reportedLength;  // -1: the picture's own size
  bool saved;
};

class SnapshotTest : public CameraHandlersTest,
                     public ::testing::WithParamInterface<SnapshotCase> {};

TEST_P(SnapshotTest, SavesOnlyAGoodCapture) {
  sdk.captureBytes.assign(red_.begin(), red_.end());
  sdk.captureResult = GetParam().result;
  sdk.captureLength = GetParam().reportedLength;
  window->BitBtn7->click();

  ASSERT_EQ(sdk.calls.size(), 1u);
  EXPECT_EQ(sdk.calls[0].operation, "Capture");
  EXPECT_EQ(sdk.calls[0].handle, 0);
  EXPECT_EQ(sdk.calls[0].first, kArrayBytes);
  EXPECT_EQ(sdk.calls[0].variantType, 8209);
  EXPECT_EQ(sdk.calls[0].arrayElements, kArrayBytes);
  EXPECT_EQ(QFile::exists(PicturePath("XJ.jpg")), GetParam().saved);
  EXPECT_EQ(window->imgAll->HasPicture(), GetParam().saved);
  EXPECT_TRUE(boxes.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(Captures, SnapshotTest,
                         ::testing::Values(SnapshotCase{"Good", 1, -1, true},
                                           SnapshotCase{"ResultZero", 0, -1, false},
                                           SnapshotCase{"ResultTwo", 2, -1, false},
                                           SnapshotCase{"LengthZero", 1, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The recording fake cannot report a negative length by itself.
class NegativeLengthCamera : public camera::testing::RecordingSdkBackend {
 public:
  Status Capture(camera::CameraHandle handle, camera::AutomationByteArray& picture,
                 std::int32_t bufferSize, std::int32_t& length, std::uint8_t& result) override {
    const Status status = RecordingSdkBackend::Capture(handle, picture, bufferSize, length, result);
    length = -5;
    return status;
  }
};

TEST_F(CameraHandlersTest, SnapshotWithANegativeLengthIsIgnored) {
  NegativeLengthCamera camera;
  camera.captureBytes.assign(red_.begin(), red_.end());
  window = MakeWindow(pictures.path(), &camera);
  window->BitBtn7->click();
  EXPECT_EQ(camera.Operations(), std::vector<std::string>{"Capture"});
  EXPECT_FALSE(QFile::exists(PicturePath("XJ.jpg")));
  EXPECT_TRUE(boxes.texts.empty());
  window.reset();
}

TEST_F(CameraHandlersTest, SnapshotFileHoldsExactlyTheReportedBytes) {
  sdk.captureBytes.assign(red_.begin(), red_.end());
  sdk.captureBytes.resize(red_.size() + 100, 0xAB);
  sdk.captureLength = static_cast<std::int32_t>(red_.size());
  window->BitBtn7->click();
  EXPECT_EQ(FileBytes(PicturePath("XJ.jpg")), red_);
  EXPECT_EQ(DominantChannel(*window->imgAll), 0);
}

TEST_F(CameraHandlersTest, SnapshotLongerThanTheArrayIsCutAtTheArraysEnd) {
  sdk.captureBytes.assign(red_.begin(), red_.end());
  sdk.captureLength = 3 * kArrayBytes;
  window->BitBtn7->click();
  const QByteArray saved = FileBytes(PicturePath("XJ.jpg"));
  EXPECT_EQ(saved.size(), kArrayBytes);
  EXPECT_TRUE(saved.startsWith(red_));
}

TEST_F(CameraHandlersTest, SnapshotThatCannotBeCreatedSaysFileNotFound) {
  window = MakeWindow(pictures.path() + QStringLiteral("/missing"));
  sdk.captureBytes.assign(red_.begin(), red_.end());
  window->BitBtn7->click();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0].size(), 17);
  EXPECT_EQ(boxes.texts[0], QString::fromLatin1(R"(File not found!\n)"));
  EXPECT_FALSE(window->imgAll->HasPicture());
}

TEST_F(CameraHandlersTest, SnapshotThatCannotBeDecodedGoesToTheErrorReport) {
  const QByteArray garbage("not a jpeg");
  sdk.captureBytes.assign(garbage.begin(), garbage.end());
  window->BitBtn7->click();
  EXPECT_EQ(FileBytes(PicturePath("XJ.jpg")), garbage);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_FALSE(boxes.texts[0].isEmpty());
  EXPECT_FALSE(window->imgAll->HasPicture());
}

TEST_F(CameraHandlersTest, ErrorsWhileABoxIsOpenGoToThePaneInstead) {
  sdk.failures["Connect"] = Status::Failure(camera::kStatusFailed, "first failure");
  boxes.whileOpen = [&] {
    sdk.failures["Connect"] = Status::Failure(camera::kStatusFailed, "second failure");
    window->BitBtn1->click();
  };
  window->BitBtn1->click();
  EXPECT_EQ(boxes.deepest, 1);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains(QStringLiteral("first failure")));
  ASSERT_EQ(PaneLines().size(), 1);
  EXPECT_TRUE(PaneLines()[0].contains(QStringLiteral("second failure")));

  window->BitBtn1->click();
  EXPECT_EQ(boxes.texts.size(), 2u);
}

// Only a guard against a hang: nothing here depends on how fast the lane is.
bool ProcessEventsUntil(const std::function<bool()>& done) {
  const QDeadlineTimer hangGuard(60000);
  while (!done() && !hangGuard.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return done();
}

TEST(VirtualLaneEndToEnd, TriggeredPlateIsWrittenAndShownAndSnapshotToo) {
  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;
  timings.plateDelayMs = 1;
  virtual_lane::VirtualLaneWorld world(timings);
  virtual_lane::VirtualCamera sdk(world);
  virtual_lane::VirtualVideo video(world);
  RecordingMessageBoxes boxes;
  std::vector<int> pauses;
  QTemporaryDir pictures;
  ASSERT_TRUE(pictures.isValid());
  ConsoleSeams seams;
  seams.sdkBackend = &sdk;
  seams.videoBackend = &video;
  seams.pause = [&](int milliseconds) { pauses.push_back(milliseconds); };
  seams.messageBoxes = &boxes;
  seams.pictureDirectory = pictures.path();
  TfmVideoStream window(seams);
  window.show();

  window.BitBtn1->click();
  ASSERT_NE(window.ConnectionHandle(), 0);
  EXPECT_TRUE(video.Live());
  window.BitBtn2->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return window.imgAll->HasPicture(); }));

  const virtual_lane::Lane* lane = world.LaneAt(window.edtCameraIP->text());
  ASSERT_NE(lane, nullptr);
  EXPECT_FALSE(window.edtPlate->text().isEmpty());
  EXPECT_EQ(window.edtPlate->text(), lane->PlateNumber());
  for (const char* name : {"ParkPlateIn.JPG", "ParkAll.JPG"})
    EXPECT_TRUE(FileBytes(pictures.filePath(name)).startsWith("\xFF\xD8")) << name;
  EXPECT_TRUE(window.imgPlate->HasPicture());
  EXPECT_EQ(pauses, (std::vector<int>{250, 500}));

  window.BitBtn7->click();
  EXPECT_TRUE(FileBytes(pictures.filePath("XJ.jpg")).startsWith("\xFF\xD8"));
  EXPECT_TRUE(window.imgAll->HasPicture());
  EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front().toStdString();

  window.close();
  EXPECT_EQ(window.ConnectionHandle(), 0);
  EXPECT_FALSE(video.Live());
}

}  // namespace
