#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "PlateRequest.h"

namespace field {

// The parts of a multipart/form-data body as captured from the wire, for
// checking a message away from the receiver; nothing with `error` when the
// content type has no boundary or the body does not follow it.
std::optional<QList<PlatePart>> SplitMultipartBody(const QString& contentType,
                                                   const QByteArray& body, QString& error);

}  // namespace field
