#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>
#include "MessagePane.h"

#include "ConsoleSeams.h"
#include "RecordingBackends.h"
#include "utVideoStream.h"

// Records every box; `whileOpen` runs once inside the first box, as the
// nested event loop of a real modal box would run timers and events.
class RecordingMessageBoxes : public MessageBoxSink {
 public:
  std::vector<QString> texts;
  int depth = 0;
  int deepest = 0;
  std::function<void()> whileOpen;

  void ShowModal(const QString& text) override {
    texts.push_back(text);
    ++depth;
    deepest = std::max(deepest, depth);
    if (auto inside = std::exchange(whileOpen, nullptr)) inside();
    --depth;
  }
};

class ConsoleTest : public ::testing::Test {
 protected:
  camera::testing::RecordingSdkBackend sdk;
  camera::testing::RecordingVideoBackend video;
  RecordingMessageBoxes boxes;
  std::vector<int> pauses;
  std::function<void(int)> onPause;
  QTemporaryDir pictures;
  std::unique_ptr<TfmVideoStream> window;

  void SetUp() override {
    ASSERT_TRUE(pictures.isValid());
    window = MakeWindow(pictures.path());
  }

  std::unique_ptr<TfmVideoStream> MakeWindow(const QString& pictureDirectory,
                                             camera::SdkBackend* backend = nullptr,
                                             const QString& sessionLogPath = {}) {
    ConsoleSeams seams;
    seams.sdkBackend = backend != nullptr ? backend : &sdk;
    seams.videoBackend = &video;
    seams.pause = [this](int milliseconds) {
      pauses.push_back(milliseconds);
      if (onPause) onPause(milliseconds);
    };
    seams.messageBoxes = &boxes;
    seams.pictureDirectory = pictureDirectory;
    seams.sessionLogPath = sessionLogPath;
    return std::make_unique<TfmVideoStream>(seams);
  }

  QString PicturePath(const char* name) const {
    return pictures.filePath(QString::fromLatin1(name));
  }

  QStringList PaneLines() const { return window->memMessage->Lines(); }
};

// A small, valid JPEG of one colour, made by Qt's own encoder.
inline QByteArray SolidJpeg(const QColor& colour, int width = 64, int height = 32) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 95);
  return bytes;
}

inline const std::uint8_t* BytesOf(const QByteArray& bytes) {
  return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}
