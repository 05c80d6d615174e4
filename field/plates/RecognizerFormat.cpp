#include "CameraAddress.h"
#include "JsonFormats.h"

namespace field {

PlateRecord RecognizerPlate(const JsonFields& message) {
  const JsonFields data = message.RequiredObject("data");
  const JsonFields best = data.Best("results", "score", 1);
  PlateRecord plate;
  plate.plate = best.PlateText("plate");
  plate.confidence = best.Confidence("score", 1);
  const QString cameraId = data.String("camera_id");
  // camera_id is a free name; only an IPv4 address in it names the camera.
  if (camera::IsDottedIpv4(cameraId)) plate.camera = cameraId;
  plate.time = data.Time("timestamp", TimeFormat::Iso8601);
  return plate;
}

}  // namespace field
