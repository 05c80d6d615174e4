#include <QByteArray>
#include <QMap>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "PlateMapping.h"

namespace {

// [name length: 1 byte][name][value length: 2 bytes, high byte first][value], repeated; the
// last part is cut short where the input ends. Lengths rather than separators, because
// pictures hold every byte value.
QMap<QString, QByteArray> Parts(const std::uint8_t* data, std::size_t size) {
  QMap<QString, QByteArray> parts;
  std::size_t at = 0;
  const auto take = [&](std::size_t count) {
    const std::size_t length = std::min(count, size - at);
    const QByteArray bytes(reinterpret_cast<const char*>(data + at),
                           static_cast<qsizetype>(length));
    at += length;
    return bytes;
  };
  while (at < size) {
    const std::size_t nameLength = data[at++];
    const QString name = QString::fromUtf8(take(nameLength));
    const QByteArray length = take(2);
    const std::size_t valueLength =
        length.size() == 2
            ? (static_cast<std::uint8_t>(length[0]) << 8) | static_cast<std::uint8_t>(length[1])
            : 0;
    parts.insert(name, take(valueLength));
  }
  return parts;
}

void CheckPromises(const field::MappedPlate& mapped) {
  FuzzCheck(mapped.plate.has_value() == mapped.error.isEmpty(), "exactly one of plate and error");
  if (mapped.plate) {
    FuzzCheck(!mapped.plate->plate.isEmpty(), "an accepted plate has a text");
    FuzzCheck(mapped.plate->confidence >= 0 && mapped.plate->confidence <= 1,
              "confidence within 0..1");
  } else {
    FuzzCheck(!mapped.error.contains(u'\n') && !mapped.error.contains(u'\r'),
              "an error is one line");
  }
}

bool FromParts(const QByteArray& picture, const QMap<QString, QByteArray>& parts,
               const QByteArray& fromJson) {
  return picture.isEmpty() || picture == fromJson ||
         std::any_of(parts.cbegin(), parts.cend(),
                     [&](const auto& part) { return part == picture; });
}

// What the multipart body says beside its "json" part changes only the pictures.
void CheckAgainstJsonPart(const field::MappedPlate& multipart,
                          const QMap<QString, QByteArray>& parts) {
  const auto json = parts.constFind(QStringLiteral("json"));
  if (json == parts.cend()) {
    FuzzCheck(!multipart.plate, "no plate without a \"json\" part");
    return;
  }
  const field::MappedPlate alone = field::MapJsonPlate(*json);
  FuzzCheck(alone.plate || !multipart.plate, "a \"json\" part refused alone is refused in parts");
  if (!multipart.plate) return;
  const field::PlateRecord& got = *multipart.plate;
  const field::PlateRecord& want = *alone.plate;
  FuzzCheck(got.camera == want.camera && got.plate == want.plate && got.color == want.color &&
                got.time == want.time && got.confidence == want.confidence,
            "the \"json\" part alone gives the same plate");
  FuzzCheck(FromParts(got.sceneJpeg, parts, want.sceneJpeg) &&
                FromParts(got.closeupJpeg, parts, want.closeupJpeg),
            "a picture is a part's bytes or the \"json\" part's, unchanged");
}

}  // namespace

// Input: byte 0 even: the rest is a JSON body; odd: the rest is a multipart body's parts.
// The seeds start with 'J' and 'M', so that they read as what they are.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if (data[0] % 2 == 0) {
    CheckPromises(field::MapJsonPlate(
        QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1))));
    return 0;
  }
  const QMap<QString, QByteArray> parts = Parts(data + 1, size - 1);
  const field::MappedPlate mapped = field::MapMultipartPlate(parts);
  CheckPromises(mapped);
  CheckAgainstJsonPart(mapped, parts);
  return 0;
}
