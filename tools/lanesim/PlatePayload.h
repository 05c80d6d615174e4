#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <vector>

#include "PlateEvent.h"
#include "PushFormat.h"

namespace lanesim {

struct JpegPart {
  QByteArray name;
  QByteArray fileName;
  QByteArray bytes;
};

// One plate as a body to post: a JSON document alone, or, with pictures as
// file parts, a multipart form whose part named "json" holds the document.
struct PlatePayload {
  QByteArray json;
  std::vector<JpegPart> pictures;
};

// `camera` is the lane's address; `target` is where the payload goes, which a
// webhook names in its body.
PlatePayload MakePayload(const virtual_lane::PlateEvent& event, PushFormat format,
                         const QString& camera, const QUrl& target);

}  // namespace lanesim
