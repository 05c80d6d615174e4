// Takes the README's screenshots: the real window against the virtual lane,
// connected, a few commands sent and one plate recognised; or, with
// "--serial PORT" (and "--video URL", "--plates PORT", "--camera URL"), against
// a field lane, a card read and a plate pushed or raised by the camera.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "MessagePane.h"
#include "PictureView.h"
#include "VirtualLaneConsole.h"

namespace {

constexpr int kPollMs = 100;
constexpr int kGiveUpMs = 30000;

class StderrMessageBoxes : public MessageBoxSink {
 public:
  void ShowModal(const QString& text) override {
    std::fprintf(stderr, "console_screenshot: message box: %s\n", qUtf8Printable(text));
  }
};

// The window as the screen shows it: live video drawn by GStreamer straight
// into its native window is in the X server's pixels, not in Qt's own.
QImage Picture(QWidget& window) {
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    return window.screen()->grabWindow(window.winId()).toImage();
  }
  return window.grab().toImage();
}

// Saves the window once `ready` holds, or fails after kGiveUpMs.
int SaveWhen(TfmVideoStream& window, const QString& output, const std::function<bool()>& ready) {
  QTimer poll;
  int waitedMs = 0;
  int exitCode = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    waitedMs += kPollMs;
    if (!ready() && waitedMs < kGiveUpMs) return;
    if (!ready()) {
      std::fprintf(stderr, "console_screenshot: nothing to show within %d ms\n", kGiveUpMs);
      exitCode = 1;
    } else if (!Picture(window).save(output)) {
      std::fprintf(stderr, "console_screenshot: cannot write %s\n", qUtf8Printable(output));
      exitCode = 1;
    }
    QApplication::exit(exitCode);
  });
  poll.start(kPollMs);
  return QApplication::exec();
}

int ShootVirtualLane(const QString& output) {
  QTemporaryDir pictures;
  StderrMessageBoxes messageBoxes;
  VirtualLaneConsole console(virtual_lane::LaneTimings{.carPeriodMs = 0}, messageBoxes,
                             pictures.path());
  TfmVideoStream& window = *console.window;
  window.show();
  window.BitBtn1->click();
  window.Button1->click();
  window.BitBtn5->click();
  window.BitBtn8->click();
  window.BitBtn2->click();
  return SaveWhen(window, output, [&] {
    return !window.edtPlate->text().isEmpty() && window.imgAll->HasPicture() &&
           window.imgPlate->HasPicture();
  });
}

int ShootFieldLane(const QString& output, const QString& port, const QString& video,
                   const QString& platesPort, const QString& cameraUrl) {
  QTemporaryDir pictures;
  StderrMessageBoxes messageBoxes;
  field::FieldLaneSettings lane;
  lane.serial = field::LineSettings{};
  lane.serial->port = port;
  if (!video.isEmpty()) lane.video = field::VideoSettings{video, 100};
  if (!platesPort.isEmpty()) {
    lane.plates = field::PlateListenSettings{};
    lane.plates->host = QStringLiteral("127.0.0.1");
    lane.plates->port = platesPort.toUShort();
  }
  if (!cameraUrl.isEmpty()) {
    QString error;
    lane.camera = field::ParseCameraUrl(cameraUrl, error);
    if (!lane.camera) {
      std::fprintf(stderr, "console_screenshot: --camera: %s\n", qUtf8Printable(error));
      return 2;
    }
    if (lane.camera->password.isEmpty()) {
      lane.camera->password = qEnvironmentVariable("LANECONSOLE_CAMERA_PASSWORD");
    }
  }
  FieldLaneConsole console(lane, messageBoxes, pictures.path());
  TfmVideoStream& window = *console.window;
  window.show();
  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();
  QTimer::singleShot(500, [&] {
    window.Button1->click();
    window.BitBtn3->click();
    window.BitBtn8->click();
  });
  return SaveWhen(window, output, [&] {
    return !window.memMessage->Lines().filter(QStringLiteral("读卡 控制器")).isEmpty() &&
           (!lane.plates && !lane.camera || window.imgAll->HasPicture());
  });
}

}  // namespace

// Usage: console_screenshot OUTPUT.png [--serial PORT [--video URL] [--plates PORT]
//                                      [--camera URL]]
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  const QStringList arguments = QApplication::arguments();
  const QString output = arguments.value(1, QStringLiteral("docs/screenshot.png"));
  if (arguments.value(2) == QLatin1String("--serial")) {
    const auto option = [&](const char* name) {
      const qsizetype at = arguments.indexOf(QLatin1String(name));
      return at < 0 ? QString() : arguments.value(at + 1);
    };
    return ShootFieldLane(output, arguments.value(3), option("--video"), option("--plates"),
                          option("--camera"));
  }
  return ShootVirtualLane(output);
}
