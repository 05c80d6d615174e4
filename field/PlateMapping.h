#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "PlateRecord.h"
#include "plates/PictureSources.h"
#include "plates/PlateFormatMapping.h"
#include "plates/PlateRequest.h"

namespace field {

// What a request's body says, in any accepted format (docs/plates.md).
struct MappedPlate {
  std::optional<PlateRecord> plate;
  QString error;          // no plate: one line, plain English, for a 400 answer and the pane
  QString format;         // the format that took the message
  QStringList notices;    // pictures left empty, one line each naming the field
  QString heartbeatFrom;  // an engine's heartbeat: no plate and no error, its agent's id
};

// The formats of the mapping files, in the order given, then the built-in ones.
class PlateMapper {
 public:
  explicit PlateMapper(std::vector<PlateFormatMapping> mappings = {})
      : mappings_(std::move(mappings)) {}

  // `fetch` fetches pictures given by URL; none: such pictures are left empty.
  MappedPlate Map(const PlateRequest& request, const PictureFetcher& fetch = {}) const;

 private:
  std::vector<PlateFormatMapping> mappings_;
};

}  // namespace field
