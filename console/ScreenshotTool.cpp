// Takes the README's screenshot: the real window against the virtual lane,
// connected, a few commands sent and one plate recognised.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ConsoleFace.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "docs/screenshot.png";

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

  QTimer poll;
  int waitedMs = 0;
  int exitCode = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    waitedMs += kPollMs;
    const bool plateShown = !window.edtPlate->text().isEmpty() && window.imgAll->HasPicture() &&
                            window.imgPlate->HasPicture();
    if (!plateShown && waitedMs < kGiveUpMs) return;
    if (!plateShown) {
      std::fprintf(stderr, "console_screenshot: no plate within %d ms\n", kGiveUpMs);
      exitCode = 1;
    } else if (!window.grab().save(output)) {
      std::fprintf(stderr, "console_screenshot: cannot write %s\n", qUtf8Printable(output));
      exitCode = 1;
    }
    QApplication::exit(exitCode);
  });
  poll.start(kPollMs);
  return application.exec();
}
