#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

#include "PlateRequest.h"

namespace field {

struct FetchedPicture {
  QByteArray bytes;
  QString error;  // empty when fetched
};

// Fetches one picture; the mapping only ever hands it a URL on the sender.
using PictureFetcher = std::function<FetchedPicture(const QUrl&)>;

// A picture part's bytes; none when the part is missing; an empty part costs
// only the picture, with a notice.
QByteArray PartPicture(const PlateRequest& request, const QString& part, QStringList& notices);

// `given` resolved against the sender (a relative URL is on it), or nothing
// with `why` when it points at another host: a plate message must never make
// the console fetch from elsewhere.
std::optional<QUrl> UrlOnSender(const QString& given, const QString& sender, QString& why);

// The picture at the URL in `value`; any failure costs only the picture, with a notice.
QByteArray UrlPicture(const QJsonValue& value, const QString& name, const PlateRequest& request,
                      const PictureFetcher& fetch, QStringList& notices);

}  // namespace field
