// Drives a virtual lane the way the console would and saves its video frame:
//   lane_snapshot OUT.png [WIDTHxHEIGHT]
#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdio>

#include "Controller.h"
#include "Gbk.h"
#include "ScreenRecords.h"
#include "VirtualLane.h"

namespace {

void Send(virtual_lane::VirtualCamera& camera, camera::CameraHandle handle,
          const protocol::ByteFrame& frame) {
  camera.TransSerialPort(handle, frame.data(), static_cast<std::int32_t>(frame.size()));
}

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

QSize ParseSize(const char* text) {
  int width = 0;
  int height = 0;
  if (std::sscanf(text, "%dx%d", &width, &height) != 2 || width < 16 || height < 16) return {};
  return {width, height};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QSize size = argc > 2 ? ParseSize(argv[2]) : QSize(1280, 720);
  if (argc < 2 || !size.isValid()) {
    std::fprintf(stderr, "usage: lane_snapshot OUT.png [WIDTHxHEIGHT]\n");
    return 2;
  }

  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;
  virtual_lane::VirtualLaneWorld world(timings);
  virtual_lane::VirtualCamera camera(world);
  virtual_lane::VirtualVideo video(world);
  const QString address = QStringLiteral("192.168.1.100");
  camera::CameraHandle handle = 0;
  camera.Connect(address, 0, handle);
  video.PutStreamAddress(address);

  using protocol::EncodeGbk;
  Send(camera, handle,
       protocol::BuildTwoLineRecords(1, EncodeGbk("第一行 两行屏"), 2, EncodeGbk("第二行 两行屏")));
  Send(camera, handle,
       protocol::BuildThreeLineDisplayFrame(1, EncodeGbk("粤B12345"),
                                            EncodeGbk("无需取卡 车牌自动识别"),
                                            EncodeGbk("一车一杆 冲杆后果自负")));
  Send(camera, handle, protocol::BuildCountDisplayFrame(1, 250, EncodeGbk("158")));
  Send(camera, handle, protocol::BuildVoiceTextFrame(1, 1, EncodeGbk("[n1]粤B98X58 欢迎光临")));
  Send(camera, handle, protocol::BuildReadCardFrame(1, 100));
  QString number;
  QString color;
  camera::AutomationByteArray picture(1 << 20);
  std::int32_t length = 0;
  std::uint8_t result = 0;
  camera.Trigger(handle, number, color, picture, 1 << 20, length, result);
  Wait(1600);  // the car drives up to the stop line
  Send(camera, handle, protocol::BuildGateOpenFrame(1, 5));
  Wait(1050);  // the arm swings up

  QImage frame(size, QImage::Format_RGB32);
  {
    QPainter painter(&frame);
    video.Paint(painter, frame.rect());
  }
  if (!frame.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "lane_snapshot: cannot write %s\n", argv[1]);
    return 1;
  }
  const virtual_lane::Lane* lane = world.LaneAt(address);
  std::printf("plate %s, gate %s, card %llu, commands %d, checksum faults %d\n", qPrintable(number),
              lane->GateOpen() ? "open" : "closed",
              static_cast<unsigned long long>(lane->LastCardRead()), lane->CommandsAccepted(),
              lane->ChecksumFaults());
  return 0;
}
