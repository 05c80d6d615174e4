#include "PlatePayload.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>

namespace lanesim {
namespace {

// A float's confidence written as a double shows digits nobody measured.
double Fraction(float confidence) {
  return std::round(static_cast<double>(confidence) * 10000) / 10000;
}

double Percent(float confidence) {
  return std::round(static_cast<double>(confidence) * 10000) / 100;
}

QString Base64(const std::vector<std::uint8_t>& jpeg) {
  return QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()),
                                                     static_cast<qsizetype>(jpeg.size()))
                                 .toBase64());
}

QByteArray Bytes(const std::vector<std::uint8_t>& jpeg) {
  return {reinterpret_cast<const char*>(jpeg.data()), static_cast<qsizetype>(jpeg.size())};
}

QByteArray Compact(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Spelled out, since Qt writes a zero offset as "Z" and a reader may want
// the offset in digits.
QString LocalTimeWithOffset(std::int32_t secondsSinceEpoch) {
  const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
  const int offsetMinutes = local.offsetFromUtc() / 60;
  const int minutes = std::abs(offsetMinutes);
  return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
         QStringLiteral("%1%2:%3")
             .arg(offsetMinutes < 0 ? '-' : '+')
             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

PlatePayload Console(const virtual_lane::PlateEvent& event, const QString& camera) {
  return {Compact({
              {"camera", camera},
              {"plate", event.number},
              {"color", event.color},
              {"time", LocalTimeWithOffset(event.captureTime)},
              {"confidence", Fraction(event.confidence)},
              {"scene_jpeg", Base64(event.sceneJpeg)},
              {"closeup_jpeg", Base64(event.closeUpJpeg)},
          }),
          {}};
}

// An engine's cameras are numbered, not addressed; the lane is its only one.
PlatePayload OpenAlpr(const virtual_lane::PlateEvent& event) {
  constexpr int kCameraNumber = 1;
  return {Compact({
              {"data_type", "alpr_group"},
              {"camera_id", kCameraNumber},
              {"epoch_start", static_cast<qint64>(event.captureTime) * 1000},
              {"best_plate_number", event.number},
              {"best_confidence", Percent(event.confidence)},
              {"best_plate",
               QJsonObject{
                   {"plate", event.number},
                   {"confidence", Percent(event.confidence)},
                   {"plate_crop_jpeg", Base64(event.closeUpJpeg)},
               }},
              {"vehicle_crop_jpeg", Base64(event.sceneJpeg)},
          }),
          {}};
}

// The engine sends no close-up and no colour; where the plate sits in the
// scene is not known here, so no box either.
PlatePayload PlateRecognizer(const virtual_lane::PlateEvent& event, const QString& camera,
                             const QUrl& target) {
  const QString fileName = QStringLiteral("scene-%1.jpg").arg(event.captureTime);
  const QString utc =
      QDateTime::fromSecsSinceEpoch(event.captureTime, Qt::UTC).toString(Qt::ISODateWithMs);
  const QJsonObject data{
      {"camera_id", camera},
      {"timestamp", utc},
      {"filename", fileName},
      {"results",
       QJsonArray{QJsonObject{{"plate", event.number}, {"score", Fraction(event.confidence)}}}},
  };
  const QJsonObject hook{{"target", target.toString()}, {"id", 1}, {"event", "recognition"}};
  return {Compact({{"hook", hook}, {"data", data}}),
          {{"upload", fileName.toUtf8(), Bytes(event.sceneJpeg)}}};
}

}  // namespace

PlatePayload MakePayload(const virtual_lane::PlateEvent& event, PushFormat format,
                         const QString& camera, const QUrl& target) {
  switch (format) {
    case PushFormat::Console:
      return Console(event, camera);
    case PushFormat::OpenAlpr:
      return OpenAlpr(event);
    case PushFormat::PlateRecognizer:
      return PlateRecognizer(event, camera, target);
  }
  return {};
}

}  // namespace lanesim
