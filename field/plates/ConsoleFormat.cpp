#include "JsonFormats.h"

namespace field {

PlateRecord ConsolePlate(const JsonFields& message) {
  PlateRecord plate;
  plate.plate = message.PlateText("plate");
  plate.camera = message.String("camera");
  plate.color = message.String("color");
  plate.time = message.Time("time", TimeFormat::Iso8601);
  plate.sceneJpeg = message.Picture("scene_jpeg");
  plate.closeupJpeg = message.Picture("closeup_jpeg");
  plate.confidence = message.Confidence("confidence", 1);
  return plate;
}

}  // namespace field
