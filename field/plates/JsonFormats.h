#pragma once

#include "../PlateRecord.h"
#include "JsonFields.h"

// The JSON formats kept in code (docs/plates.md): choosing the best of several
// results, or a picture by what is present, is more than a mapping file says.
namespace field {

PlateRecord ConsolePlate(const JsonFields& message);
PlateRecord RecognizerPlate(const JsonFields& message);

PlateRecord AlprGroupPlate(const JsonFields& message);
PlateRecord AlprResultsPlate(const JsonFields& message);
PlateRecord AlprAlertPlate(const JsonFields& message);
// The id a heartbeat's agent goes by.
QString AlprAgent(const JsonFields& heartbeat);

}  // namespace field
