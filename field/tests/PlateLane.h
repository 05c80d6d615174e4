// A plate receiver on 127.0.0.1 behind a camera, as the console wires them,
// recording what the window would be shown.
#pragma once

#include <httplib.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "FieldCamera.h"
#include "PlateReceiver.h"

namespace field {

constexpr int kWaitMs = 20000;

inline std::string Jpeg(QColor colour) {
  QImage image(64, 32, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return bytes.toStdString();
}

inline std::string Base64(const std::string& bytes) {
  return QByteArray::fromStdString(bytes).toBase64().toStdString();
}

struct RaisedPlate {
  QString ip;
  QString number;
  QString color;
  std::string scene;
  std::string closeup;
  float confidence;
};

// The receiver behind a camera, as the console wires them.
class PlateLane {
 public:
  explicit PlateLane(QString token = {}, int timeoutSeconds = 10,
                     std::vector<PlateFormatMapping> mappings = {})
      : receiver_(Settings(std::move(token), std::move(mappings)), timeoutSeconds),
        camera_(std::nullopt, nullptr, &receiver_) {
    QString error;
    started_ = receiver_.Start(error);
    QObject::connect(
        &camera_, &FieldCamera::OnZELIPCSDKPlate,
        [this](const QString& ip, const QString& number, const QString& color,
               const std::uint8_t* scene, std::int32_t sceneLength, const std::uint8_t* closeup,
               std::int32_t closeupLength, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
               float confidence, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
          plates.push_back(
              {ip, number, color, std::string(reinterpret_cast<const char*>(scene), sceneLength),
               std::string(reinterpret_cast<const char*>(closeup), closeupLength), confidence});
          if (handling) handling();
        });
    QObject::connect(&camera_, &FieldCamera::Notice,
                     [this](const QString& text) { notices << text; });
  }

  bool Started() const { return started_; }
  httplib::Client Client() const { return httplib::Client("127.0.0.1", receiver_.Port()); }
  quint16 Port() const { return receiver_.Port(); }
  bool WaitForPlates(std::size_t count) {
    return QTest::qWaitFor([&] { return plates.size() >= count; }, kWaitMs);
  }

  std::vector<RaisedPlate> plates;
  QStringList notices;
  std::function<void()> handling;

 private:
  static PlateListenSettings Settings(QString token, std::vector<PlateFormatMapping> mappings) {
    PlateListenSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.token = std::move(token);
    settings.mappings = std::move(mappings);
    return settings;
  }

  PlateReceiver receiver_;
  FieldCamera camera_;
  bool started_ = false;
};

}  // namespace field
