#pragma once

#include <QStringList>
#include <optional>

#include "../PlateRecord.h"
#include "PictureSources.h"
#include "PlateFormatMapping.h"
#include "PlateRequest.h"

namespace field {

// The plate of a request in a mapping file's format; nothing when the request
// is not in that format (its body kind, its document part or its `when`
// differ). Throws Refusal when it is, but cannot give a plate.
std::optional<PlateRecord> MapByFile(const PlateFormatMapping& mapping, const PlateRequest& request,
                                     BodyKind requestBody, const PictureFetcher& fetch,
                                     QStringList& notices);

}  // namespace field
