#pragma once

#include <QStringList>
#include <optional>

#include "../PlateRecord.h"
#include "PlateRequest.h"

namespace field {

// A lane camera's XML ANPR alarm (an EventNotificationAlert with an ANPR
// element), alone as the body or as a multipart body's XML part with the
// pictures in parts of their own; nothing when the request holds none. It
// stays in code: the XML may sit in any XML part and the pictures' part
// names are read from the message, which a mapping file cannot say.
std::optional<PlateRecord> AnprAlarmPlate(const PlateRequest& request, QStringList& notices);

}  // namespace field
