#include "JsonFormats.h"

// OpenALPR's confidences are percentages; its times are milliseconds since
// 1970, but the open-source daemon writes seconds.
namespace field {
namespace {

// What a group gives beside its plate text: it also stands inside an alert.
void TakeGroupDetails(const JsonFields& group, PlateRecord& plate) {
  const JsonFields bestPlate = group.Object("best_plate");
  plate.confidence = group.Has("best_confidence") ? group.Confidence("best_confidence", 100)
                                                  : bestPlate.Confidence("confidence", 100);
  plate.time = group.Time("epoch_start", TimeFormat::EpochEither);
  // The whole scene when the agent sends it (v3), else the vehicle.
  plate.sceneJpeg = group.Picture("overview_jpeg");
  if (plate.sceneJpeg.isEmpty()) plate.sceneJpeg = group.Picture("vehicle_crop_jpeg");
  plate.closeupJpeg = bestPlate.Picture("plate_crop_jpeg");
}

}  // namespace

PlateRecord AlprGroupPlate(const JsonFields& message) {
  PlateRecord plate;
  plate.plate = message.String("best_plate_number");
  if (plate.plate.isEmpty()) plate.plate = message.Object("best_plate").PlateText("plate");
  TakeGroupDetails(message, plate);
  return plate;
}

PlateRecord AlprResultsPlate(const JsonFields& message) {
  const JsonFields best = message.Best("results", "confidence", 100);
  PlateRecord plate;
  plate.plate = best.PlateText("plate");
  plate.confidence = best.Confidence("confidence", 100);
  plate.closeupJpeg = best.Picture("plate_crop_jpeg");
  plate.time = message.Time("epoch_time", TimeFormat::EpochEither);
  return plate;
}

PlateRecord AlprAlertPlate(const JsonFields& message) {
  PlateRecord plate;
  plate.plate = message.PlateText("plate_number");
  TakeGroupDetails(message.Object("group"), plate);
  if (message.Has("epoch_time")) plate.time = message.Time("epoch_time", TimeFormat::EpochEither);
  return plate;
}

QString AlprAgent(const JsonFields& heartbeat) {
  for (const char* key : {"agent_uid", "agent_hostname"}) {
    const QString agent = heartbeat.Text(key);
    if (!agent.isEmpty()) return agent;
  }
  return QStringLiteral("(no agent_uid)");
}

}  // namespace field
