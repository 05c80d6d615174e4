#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>

#include "ConsoleTestFixture.h"
#include "PictureView.h"

// Tests run as root, and root writes into any folder whatever its mode; these
// faults defeat root too.

namespace {

const QString kCloseUpFile = QStringLiteral("ParkPlateIn.JPG");
const QString kSceneFile = QStringLiteral("ParkAll.JPG");
const QString kSnapshotFile = QStringLiteral("XJ.jpg");

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file may not grow past a few bytes: a write fails part way, with EFBIG,
// as on a full disk. The signal the kernel sends with it is ignored.
class FullDisk {
 public:
  static constexpr rlim_t kRoomBytes = 100;

  FullDisk() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit full = saved_;
    full.rlim_cur = kRoomBytes;
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = SIG_DFL;
};

// The picture folder is <temporary>/lane/pictures.
struct FolderFault {
  const char* name;
  void (*spoil)(const QString& folder);
  void (*mend)(const QString& folder);
};

void PrintTo(const FolderFault& fault, std::ostream* out) {
  *out << fault.name;
}

std::unique_ptr<FullDisk> fullDisk;

const FolderFault kFolderFaults[] = {
    {"FolderMissing", [](const QString& folder) { QDir(folder).removeRecursively(); },
     [](const QString& folder) { QDir().mkpath(folder); }},
    {"FolderUnderARegularFile",
     [](const QString& folder) {
       const QString parent = QFileInfo(folder).path();
       QDir(parent).removeRecursively();
       QFile file(parent);
       file.open(QIODevice::WriteOnly);
     },
     [](const QString& folder) {
       QFile::remove(QFileInfo(folder).path());
       QDir().mkpath(folder);
     }},
    {"FileNamesTakenByFolders",
     [](const QString& folder) {
       for (const QString& name : {kCloseUpFile, kSceneFile, kSnapshotFile}) {
         QFile::remove(QDir(folder).filePath(name));
         QDir(folder).mkdir(name);
       }
     },
     [](const QString& folder) {
       for (const QString& name : {kCloseUpFile, kSceneFile, kSnapshotFile})
         QDir(folder).rmdir(name);
     }},
    {"DiskFull", [](const QString&) { fullDisk = std::make_unique<FullDisk>(); },
     [](const QString&) { fullDisk.reset(); }},
};

class PictureFolderFaultTest : public ConsoleTest,
                               public ::testing::WithParamInterface<FolderFault> {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    folder = pictures.filePath(QStringLiteral("lane/pictures"));
    ASSERT_TRUE(QDir().mkpath(folder));
    window = MakeWindow(folder);
  }
  void TearDown() override { fullDisk.reset(); }

  QString Path(const QString& name) const { return QDir(folder).filePath(name); }
  void RaisePlate(const QString& number, const QByteArray& scene, const QByteArray& closeUp) {
    emit sdk.OnZELIPCSDKPlate(QStringLiteral("192.168.1.100"), number, QStringLiteral("蓝"),
                              BytesOf(scene), static_cast<std::int32_t>(scene.size()),
                              BytesOf(closeUp), static_cast<std::int32_t>(closeUp.size()), 0, 0, 0,
                              0, 0.9f, 0, 0, 0, 0);
  }
  QString WriteError(const QString& name) const {
    return QStringLiteral("写入图片文件") + Path(name) + QStringLiteral("出错:");
  }
  // Whatever the folder holds under the pictures' names is whole: the old
  // bytes or nothing, never the start of the new ones.
  void ExpectNothingHalfWritten(const QByteArray& oldScene, const QByteArray& oldCloseUp) {
    for (const auto& [name, old] :
         {std::pair{kSceneFile, oldScene}, std::pair{kCloseUpFile, oldCloseUp}}) {
      if (QFileInfo(Path(name)).isFile()) {
        EXPECT_EQ(FileBytes(Path(name)), old) << name.toStdString();
      }
    }
    const QStringList files = QDir(folder).entryList(QDir::Files);
    for (const QString& file : files) {
      EXPECT_TRUE(file == kSceneFile || file == kCloseUpFile)
          << "left behind: " << file.toStdString();
    }
  }

  QString folder;
  const QByteArray greenScene_ = SolidJpeg(Qt::green, 160, 90);
  const QByteArray redCloseUp_ = SolidJpeg(Qt::red);
  // Bigger than a file's write buffer, so it goes to the disk in the write
  // itself; the small close-up only when the file is flushed.
  const QByteArray blueScene_ = SolidJpeg(Qt::blue, 1920, 1080);
  const QByteArray yellowCloseUp_ = SolidJpeg(Qt::yellow);
};

TEST_P(PictureFolderFaultTest, WritesFailWithTheHandlersMessageAndTheViewsKeepTheirPictures) {
  RaisePlate(QStringLiteral("粤A1"), greenScene_, redCloseUp_);
  ASSERT_TRUE(boxes.texts.empty());
  const QImage sceneBefore = window->imgAll->Picture();
  const QImage closeUpBefore = window->imgPlate->Picture();
  ASSERT_FALSE(sceneBefore.isNull());

  ASSERT_GT(blueScene_.size(), 16384);
  GetParam().spoil(folder);
  RaisePlate(QStringLiteral("粤B2"), blueScene_, yellowCloseUp_);
  sdk.captureBytes.assign(blueScene_.begin(), blueScene_.end());
  window->BitBtn7->click();
  GetParam().mend(folder);

  EXPECT_EQ(window->edtPlate->text(), QStringLiteral("粤B2"));
  ASSERT_GE(boxes.texts.size(), 3u);
  EXPECT_EQ(boxes.texts[0], WriteError(kCloseUpFile));
  const auto sceneError =
      std::find_if(boxes.texts.begin(), boxes.texts.end(),
                   [&](const QString& text) { return text.startsWith(WriteError(kSceneFile)); });
  ASSERT_NE(sceneError, boxes.texts.end());
  EXPECT_GT(sceneError->size(), WriteError(kSceneFile).size()) << "no reason given";
  EXPECT_EQ(pauses, (std::vector<int>{250, 500, 250, 500}));
  EXPECT_EQ(window->imgAll->Picture(), sceneBefore);
  EXPECT_EQ(window->imgPlate->Picture(), closeUpBefore);
  ExpectNothingHalfWritten(greenScene_, redCloseUp_);
  EXPECT_TRUE(boxes.texts.back() == QStringLiteral("File not found!\\n") ||
              boxes.texts.back().contains(Path(kSnapshotFile)))
      << boxes.texts.back().toStdString();
  EXPECT_FALSE(QFileInfo(Path(kSnapshotFile)).isFile());
  EXPECT_EQ(boxes.deepest, 1);

  // The console carries on: commands go out, and the next plate is shown.
  const std::size_t boxesBefore = boxes.texts.size();
  window->Button1->click();
  EXPECT_EQ(sdk.Operations().back(), "TransSerialPort");
  RaisePlate(QStringLiteral("粤C3"), blueScene_, yellowCloseUp_);
  EXPECT_EQ(boxes.texts.size(), boxesBefore);
  EXPECT_EQ(FileBytes(Path(kSceneFile)), blueScene_);
  EXPECT_EQ(FileBytes(Path(kCloseUpFile)), yellowCloseUp_);
  EXPECT_NE(window->imgAll->Picture(), sceneBefore);
  EXPECT_NE(window->imgPlate->Picture(), closeUpBefore);
}

INSTANTIATE_TEST_SUITE_P(Faults, PictureFolderFaultTest, ::testing::ValuesIn(kFolderFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
