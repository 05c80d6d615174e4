#include "PlateCheck.h"

#include <QFile>
#include <QFileInfo>
#include <sstream>

#include "JpegSize.h"
#include "PlateMapping.h"
#include "plates/MultipartBody.h"
#include "plates/PlateFormatFiles.h"

namespace lanectl {
namespace {

// As the receiver sees a sender on the same machine; pictures by URL are named, not fetched.
const QString kSender = QStringLiteral("127.0.0.1");

PlateCheckOutcome Bad(const QString& why) {
  return {PlateCheckOutcome::Kind::BadInput, why.toStdString()};
}

QString ContentTypeOf(const QString& given, const QString& file) {
  if (!given.isEmpty()) return given;
  const QString suffix = QFileInfo(file).suffix().toLower();
  if (suffix == QLatin1String("json")) return QStringLiteral("application/json");
  if (suffix == QLatin1String("xml")) return QStringLiteral("application/xml");
  return {};
}

std::string Picture(const QByteArray& bytes) {
  if (bytes.isEmpty()) return "none";
  const std::optional<QSize> size = JpegSize(bytes);
  std::ostringstream text;
  text << bytes.size() << " bytes, ";
  if (size) {
    text << size->width() << 'x' << size->height() << " JPEG";
  } else {
    text << "not a JPEG picture (shown as a damaged one)";
  }
  return text.str();
}

std::string Described(const field::MappedPlate& mapped) {
  std::ostringstream text;
  text << "format      " << mapped.format.toStdString() << '\n';
  if (!mapped.heartbeatFrom.isEmpty()) {
    text << "answer      200, no plate: a heartbeat from " << mapped.heartbeatFrom.toStdString()
         << '\n';
    return text.str();
  }
  const field::PlateRecord& plate = *mapped.plate;
  text << "plate       " << plate.plate.toStdString() << '\n'
       << "color       " << (plate.color.isEmpty() ? "-" : plate.color.toStdString()) << '\n'
       << "confidence  " << plate.confidence << '\n'
       << "camera      "
       << (plate.camera.isEmpty() ? std::string("the sender's address")
                                  : plate.camera.toStdString())
       << '\n'
       << "time        "
       << (plate.time.isValid() ? plate.time.toString(Qt::ISODateWithMs).toStdString() : "-")
       << '\n'
       << "scene       " << Picture(plate.sceneJpeg) << '\n'
       << "closeup     " << Picture(plate.closeupJpeg) << '\n';
  for (const QString& notice : mapped.notices)
    text << "notice      " << notice.toStdString() << '\n';
  return text.str();
}

}  // namespace

PlateCheckOutcome CheckPlate(const PlateCheckRequest& request) {
  QStringList files;
  for (const std::string& map : request.maps) files << QString::fromStdString(map);
  files << field::ShippedPlateFormatFiles();
  QString error;
  std::optional<std::vector<field::PlateFormatMapping>> mappings =
      field::LoadPlateFormatFiles(files, error);
  if (!mappings) return Bad(QStringLiteral("--map: ") + error);

  const QString bodyFile = QString::fromStdString(request.bodyFile);
  QFile in(bodyFile);
  if (!in.open(QIODevice::ReadOnly)) {
    return Bad(QStringLiteral("%1: cannot be read: %2").arg(bodyFile, in.errorString()));
  }
  field::PlateRequest plateRequest;
  plateRequest.sender = kSender;
  plateRequest.contentType = ContentTypeOf(QString::fromStdString(request.contentType), bodyFile);
  if (plateRequest.contentType.isEmpty()) {
    return Bad(QStringLiteral("%1: say its --content-type (application/json, application/xml or "
                              "multipart/form-data; boundary=...)")
                   .arg(bodyFile));
  }
  plateRequest.multipart = plateRequest.contentType.startsWith(QLatin1String("multipart/form-data"),
                                                               Qt::CaseInsensitive);
  if (plateRequest.multipart) {
    auto parts = field::SplitMultipartBody(plateRequest.contentType, in.readAll(), error);
    if (!parts) return {PlateCheckOutcome::Kind::Refused, "400 " + error.toStdString() + '\n'};
    plateRequest.parts = std::move(*parts);
  } else {
    plateRequest.body = in.readAll();
  }
  const field::MappedPlate mapped =
      field::PlateMapper(std::move(*mappings)).Map(plateRequest, [](const QUrl&) {
        return field::FetchedPicture{{}, QStringLiteral("not fetched by lanectl")};
      });
  if (!mapped.plate && mapped.heartbeatFrom.isEmpty()) {
    return {PlateCheckOutcome::Kind::Refused, "400 " + mapped.error.toStdString() + '\n'};
  }
  return {PlateCheckOutcome::Kind::Raised, Described(mapped)};
}

}  // namespace lanectl
