#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AutomationByteArray.h"
#include "FieldCamera.h"
#include "NoCameraVideo.h"
#include "PseudoTerminal.h"

namespace field {
namespace {

constexpr int kWaitMs = 5000;
const QByteArray kReadCard = QByteArray::fromHex("55D54400000001000587BBA200647EA6");
const QByteArray kCardReply =
    QByteArray::fromHex("55D54400000001001122EDA27856341200006401000000000000F261");

struct Received {
  QString address;
  QByteArray bytes;
};

// Collects the camera's serial events and notices as the window would see them.
class Listener {
 public:
  explicit Listener(FieldCamera& camera) {
    QObject::connect(
        &camera, &FieldCamera::OnZELIPCSDKTransSerialPort,
        [this](const QString& address, const std::uint8_t* data, std::int32_t count) {
          events.push_back({address, QByteArray(reinterpret_cast<const char*>(data), count)});
        });
    QObject::connect(&camera, &FieldCamera::Notice,
                     [this](const QString& text) { notices << text; });
  }

  QByteArray AllBytes() const {
    QByteArray bytes;
    for (const Received& event : events) bytes += event.bytes;
    return bytes;
  }
  bool WaitForBytes(qsizetype count) {
    return QTest::qWaitFor([&] { return AllBytes().size() >= count; }, kWaitMs);
  }
  bool WaitForNotices(qsizetype count) {
    return QTest::qWaitFor([&] { return notices.size() >= count; }, kWaitMs);
  }

  std::vector<Received> events;
  QStringList notices;
};

camera::Status Send(FieldCamera& camera, camera::CameraHandle handle, const QByteArray& bytes) {
  return camera.TransSerialPort(handle, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::int32_t>(bytes.size()));
}

class TtyLaneTest : public testing::Test {
 protected:
  void SetUp() override {
    pty = std::make_unique<PseudoTerminal>(folder.path());
    settings.port = pty->Link();
  }

  camera::CameraHandle Connect(FieldCamera& camera, Listener& listener) {
    camera::CameraHandle handle = 0;
    EXPECT_FALSE(camera.Connect(QStringLiteral("192.168.1.100"), 0, handle).Failed());
    EXPECT_TRUE(listener.WaitForNotices(1));
    return handle;
  }

  QTemporaryDir folder;
  std::unique_ptr<PseudoTerminal> pty;
  LineSettings settings;
};

TEST_F(TtyLaneTest, FramesGoOutUnchangedAndAnswersComeBackAsTheCamerasEvent) {
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);
  EXPECT_EQ(listener.notices.value(0), "串口 " + pty->Link() + " 9600 8N1 已打开");

  ASSERT_FALSE(Send(camera, handle, kReadCard).Failed());
  EXPECT_EQ(pty->Read(kReadCard.size()).toHex(' '), kReadCard.toHex(' '));
  pty->Write(kCardReply);

  ASSERT_TRUE(listener.WaitForBytes(kCardReply.size()));
  EXPECT_EQ(listener.AllBytes().toHex(' '), kCardReply.toHex(' '));
  EXPECT_EQ(listener.events.front().address, QStringLiteral("192.168.1.100"));
}

TEST_F(TtyLaneTest, WhatOnlyACameraDoesFailsSayingSo) {
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);
  camera::AutomationByteArray picture(1024);
  QString number;
  QString color;
  std::int32_t length = 0;
  std::uint8_t result = 0;

  for (const camera::Status& status :
       {camera.Trigger(handle, number, color, picture, 1024, length, result),
        camera.Capture(handle, picture, 1024, length, result), camera.OpenGate(handle)}) {
    EXPECT_TRUE(status.Failed());
    EXPECT_NE(status.reason.find(kNoCamera), std::string::npos) << status.reason;
  }
  EXPECT_FALSE(camera.ConfigureConnection(handle, 1, 1).Failed());

  // Connecting asks the video control for a stream; a lane without one is not refused for it.
  NoCameraVideo video;
  EXPECT_FALSE(video.PutStreamAddress(QStringLiteral("192.168.1.100")).Failed());
  EXPECT_FALSE(video.PutStreamAddress(QStringLiteral("0")).Failed());
}

TEST_F(TtyLaneTest, AMissingPortFailsSendsNamingItAndIsOpenedOnceItAppears) {
  settings.port = folder.filePath(QStringLiteral("not-yet"));
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);
  EXPECT_TRUE(listener.notices.value(0).contains(QStringLiteral("不可用")));
  EXPECT_TRUE(listener.notices.value(0).contains(settings.port));

  const camera::Status refused = Send(camera, handle, kReadCard);
  EXPECT_TRUE(refused.Failed());
  EXPECT_NE(refused.reason.find(settings.port.toStdString()), std::string::npos) << refused.reason;

  ASSERT_TRUE(QFile::link(QFile::symLinkTarget(pty->Link()), settings.port));
  ASSERT_TRUE(listener.WaitForNotices(2));
  EXPECT_TRUE(listener.notices.value(1).contains(QStringLiteral("已打开")));
  EXPECT_FALSE(Send(camera, handle, kReadCard).Failed());
  EXPECT_EQ(pty->Read(kReadCard.size()).toHex(' '), kReadCard.toHex(' '));
  EXPECT_EQ(listener.notices.size(), 2);
}

TEST_F(TtyLaneTest, UnplugAndReplugAreSaidOnceEachAndTheLineComesBackByItself) {
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);

  pty->Unplug();
  ASSERT_TRUE(listener.WaitForNotices(2));
  EXPECT_TRUE(listener.notices[1].contains(QStringLiteral("不可用")));
  EXPECT_TRUE(Send(camera, handle, kReadCard).Failed());

  pty->Plug();
  ASSERT_TRUE(listener.WaitForNotices(3));
  EXPECT_TRUE(listener.notices[2].contains(QStringLiteral("已恢复")));
  ASSERT_FALSE(Send(camera, handle, kReadCard).Failed());
  EXPECT_EQ(pty->Read(kReadCard.size()).toHex(' '), kReadCard.toHex(' '));
  pty->Write(kCardReply);
  EXPECT_TRUE(listener.WaitForBytes(kCardReply.size()));
  QTest::qWait(300);
  EXPECT_EQ(listener.notices.size(), 3) << listener.notices.join('\n').toStdString();
}

TEST_F(TtyLaneTest, APortHeldElsewhereIsRetriedUntilDisconnectReleasesIt) {
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);
  FieldCamera second(settings, nullptr, nullptr);
  Listener secondListener(second);
  const camera::CameraHandle secondHandle = Connect(second, secondListener);
  EXPECT_TRUE(secondListener.notices.value(0).contains(QStringLiteral("不可用")))
      << secondListener.notices.value(0).toStdString();

  EXPECT_FALSE(camera.Disconnect(handle).Failed());

  ASSERT_TRUE(secondListener.WaitForNotices(2));
  EXPECT_FALSE(Send(second, secondHandle, kReadCard).Failed());
  EXPECT_TRUE(Send(camera, handle, kReadCard).Failed());
}

TEST_F(TtyLaneTest, EchoedBytesAreDroppedWhenAsked) {
  settings.discardEcho = true;
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);

  ASSERT_FALSE(Send(camera, handle, kReadCard).Failed());
  pty->Read(kReadCard.size());
  pty->Write(kReadCard + kCardReply);

  ASSERT_TRUE(listener.WaitForBytes(kCardReply.size()));
  QTest::qWait(100);
  EXPECT_EQ(listener.AllBytes().toHex(' '), kCardReply.toHex(' '));
}

TEST_F(TtyLaneTest, AnEmptyFrameSendsNothingAndKeepsTheLineUp) {
  settings.discardEcho = true;
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  const camera::CameraHandle handle = Connect(camera, listener);

  ASSERT_FALSE(Send(camera, handle, QByteArray()).Failed());
  ASSERT_FALSE(Send(camera, handle, kReadCard).Failed());
  EXPECT_EQ(pty->Read(kReadCard.size()).toHex(' '), kReadCard.toHex(' '));
  pty->Write(kReadCard + kCardReply);

  ASSERT_TRUE(listener.WaitForBytes(kCardReply.size()));
  QTest::qWait(100);
  EXPECT_EQ(listener.AllBytes().toHex(' '), kCardReply.toHex(' '));
  EXPECT_EQ(listener.notices.size(), 1) << listener.notices.join('\n').toStdString();
}

// A serial device server in TCP server mode, on loopback.
class DeviceServer {
 public:
  bool Listen(quint16 port = 0) { return server_.listen(QHostAddress::LocalHost, port); }
  void Stop() {
    if (client_) client_->abort();
    server_.close();
  }
  quint16 Port() const { return server_.serverPort(); }
  QTcpSocket* Client() {
    if (!client_ && server_.waitForNewConnection(kWaitMs))
      client_ = server_.nextPendingConnection();
    return client_;
  }
  void Forget() { client_ = nullptr; }

 private:
  QTcpServer server_;
  QTcpSocket* client_ = nullptr;
};

TEST(DeviceServerLane, BytesBothWaysAndBackAfterTheServerRestarts) {
  DeviceServer server;
  ASSERT_TRUE(server.Listen());
  const quint16 port = server.Port();
  LineSettings settings;
  settings.port = QStringLiteral("tcp:127.0.0.1:%1").arg(port);
  FieldCamera camera(settings, nullptr, nullptr);
  Listener listener(camera);
  camera::CameraHandle handle = 0;
  camera.Connect(QStringLiteral("10.1.1.1"), 0, handle);
  ASSERT_NE(server.Client(), nullptr);
  ASSERT_TRUE(listener.WaitForNotices(1));
  EXPECT_EQ(listener.notices[0], "串口 tcp:127.0.0.1:" + QString::number(port) + " 已打开");

  ASSERT_FALSE(Send(camera, handle, kReadCard).Failed());
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Client()->bytesAvailable() >= 16; }, kWaitMs));
  EXPECT_EQ(server.Client()->readAll().toHex(' '), kReadCard.toHex(' '));
  server.Client()->write(kCardReply.left(5));
  server.Client()->flush();
  QTest::qWait(50);
  server.Client()->write(kCardReply.mid(5));
  ASSERT_TRUE(listener.WaitForBytes(kCardReply.size()));
  EXPECT_EQ(listener.AllBytes().toHex(' '), kCardReply.toHex(' '));

  server.Stop();
  server.Forget();
  ASSERT_TRUE(listener.WaitForNotices(2));
  EXPECT_TRUE(listener.notices[1].contains(QStringLiteral("不可用")));
  EXPECT_TRUE(Send(camera, handle, kReadCard).Failed());

  ASSERT_TRUE(server.Listen(port));
  ASSERT_NE(server.Client(), nullptr);
  ASSERT_TRUE(listener.WaitForNotices(3));
  EXPECT_TRUE(listener.notices[2].contains(QStringLiteral("已恢复")));
  EXPECT_FALSE(Send(camera, handle, kReadCard).Failed());
}

}  // namespace
}  // namespace field
