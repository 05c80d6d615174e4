#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

#include "PlateRecord.h"

namespace field {

// The plate a request's body carries, in any accepted format: the console's own,
// OpenALPR's alpr_group and alpr_results, Plate Recognizer's webhook
// (docs/plates.md).
struct MappedPlate {
  std::optional<PlateRecord> plate;
  QString error;  // when no plate: one line, plain English, for a 400 answer and the pane
};

MappedPlate MapJsonPlate(const QByteArray& json);
// Parts of a multipart/form-data body by name, as the server parsed them.
MappedPlate MapMultipartPlate(const QMap<QString, QByteArray>& parts);

}  // namespace field
