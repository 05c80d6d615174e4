#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace field {

struct PlatePart {
  QString name;
  QString contentType;
  QByteArray bytes;
};

// A plate request as the receiver took it in, before any format is chosen.
struct PlateRequest {
  QString contentType;
  QByteArray body;         // the whole body when not multipart
  QList<PlatePart> parts;  // a multipart body's parts, in the order given
  bool multipart = false;
  QString sender;  // the address the request came from

  const PlatePart* Part(const QString& name) const {
    for (const PlatePart& part : parts) {
      if (part.name == name) return &part;
    }
    return nullptr;
  }
};

}  // namespace field
