// Takes the README's screenshots: the real window against the virtual lane,
// connected, a few commands sent and one plate recognised; or, with
// "--serial PORT", against a field lane's serial line, a card read.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
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
    } else if (!window.grab().save(output)) {
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

int ShootFieldLane(const QString& output, const QString& port) {
  QTemporaryDir pictures;
  StderrMessageBoxes messageBoxes;
  field::LineSettings line;
  line.port = port;
  FieldLaneConsole console(field::FieldLaneSettings{line, std::nullopt}, messageBoxes,
                           pictures.path());
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
    return !window.memMessage->Lines().filter(QStringLiteral("读卡 控制器")).isEmpty();
  });
}

}  // namespace

// Usage: console_screenshot OUTPUT.png [--serial PORT]
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  const QStringList arguments = QApplication::arguments();
  const QString output = arguments.value(1, QStringLiteral("docs/screenshot.png"));
  if (arguments.value(2) == QLatin1String("--serial")) {
    return ShootFieldLane(output, arguments.value(3));
  }
  return ShootVirtualLane(output);
}
