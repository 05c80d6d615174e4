#include <QByteArray>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "PlateMapping.h"

namespace {

const QString kSender = QStringLiteral("127.0.0.1");

// Reads an input front to back; what is asked past its end comes back short.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool AtEnd() const { return at_ == size_; }
  std::uint8_t Byte() { return AtEnd() ? 0 : data_[at_++]; }
  std::size_t Length2() { return (static_cast<std::size_t>(Byte()) << 8) | Byte(); }
  QByteArray Take(std::size_t count) {
    const std::size_t length = std::min(count, size_ - at_);
    const QByteArray bytes(reinterpret_cast<const char*>(data_ + at_),
                           static_cast<qsizetype>(length));
    at_ += length;
    return bytes;
  }
  QByteArray Rest() { return Take(size_ - at_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// [name length: 1 byte][name][type length: 1 byte][type][value length: 2 bytes, high byte
// first][value], repeated; the last part is cut short where the input ends. Lengths rather than
// separators, because pictures hold every byte value.
QList<field::PlatePart> Parts(Input& input) {
  QList<field::PlatePart> parts;
  while (!input.AtEnd()) {
    field::PlatePart part;
    part.name = QString::fromUtf8(input.Take(input.Byte()));
    part.contentType = QString::fromUtf8(input.Take(input.Byte()));
    part.bytes = input.Take(input.Length2());
    parts.append(part);
  }
  return parts;
}

field::PlateRequest Request(const char* type, QByteArray body) {
  return {QString::fromLatin1(type), std::move(body), {}, false, kSender};
}

field::PlateRequest MultipartRequest(Input& input) {
  return {QStringLiteral("multipart/form-data; boundary=b"), {}, Parts(input), true, kSender};
}

bool OneLine(const QString& text) {
  return !text.contains(u'\n') && !text.contains(u'\r');
}

void CheckPromises(const field::MappedPlate& mapped) {
  const int outcomes = int(mapped.plate.has_value()) + int(!mapped.error.isEmpty()) +
                       int(!mapped.heartbeatFrom.isEmpty());
  FuzzCheck(outcomes == 1, "exactly one of plate, error and heartbeat");
  if (mapped.plate) {
    FuzzCheck(!mapped.plate->plate.isEmpty(), "an accepted plate has a text");
    FuzzCheck(mapped.plate->confidence >= 0 && mapped.plate->confidence <= 1,
              "confidence within 0..1");
    FuzzCheck(!mapped.format.isEmpty(), "an accepted plate names its format");
  }
  FuzzCheck(OneLine(mapped.error), "an error is one line");
  FuzzCheck(mapped.plate || mapped.notices.isEmpty(), "no picture notices without a plate");
  for (const QString& notice : mapped.notices) FuzzCheck(OneLine(notice), "a notice is one line");
}

// A picture given by URL is asked for on the sender only.
field::FetchedPicture FetchFromSender(const QUrl& url) {
  FuzzCheck(url.host() == kSender && url.scheme() == QLatin1String("http"),
            "a URL is fetched only from the sender");
  return {QByteArray("\xFF\xD8\xFF\xD9"), {}};
}

bool FromParts(const QByteArray& picture, const QList<field::PlatePart>& parts,
               const QByteArray& fromJson) {
  return picture.isEmpty() || picture == fromJson ||
         std::any_of(parts.cbegin(), parts.cend(),
                     [&](const auto& part) { return part.bytes == picture; });
}

// What the multipart body says beside its "json" part changes only the pictures; without one,
// only the ANPR alarm gives a plate.
void CheckAgainstJsonPart(const field::MappedPlate& multipart, const field::PlateRequest& request) {
  const field::PlatePart* json = request.Part(QStringLiteral("json"));
  if (!json) {
    FuzzCheck(!multipart.plate || multipart.format == QLatin1String("camera ANPR alarm"),
              "no plate without a \"json\" part but an alarm's");
    return;
  }
  const field::MappedPlate alone =
      field::PlateMapper().Map(Request("application/json", json->bytes));
  FuzzCheck(alone.plate || !multipart.plate, "a \"json\" part refused alone is refused in parts");
  if (!multipart.plate) return;
  const field::PlateRecord& got = *multipart.plate;
  const field::PlateRecord& want = *alone.plate;
  FuzzCheck(got.camera == want.camera && got.plate == want.plate && got.color == want.color &&
                got.time == want.time && got.confidence == want.confidence,
            "the \"json\" part alone gives the same plate");
  FuzzCheck(FromParts(got.sceneJpeg, request.parts, want.sceneJpeg) &&
                FromParts(got.closeupJpeg, request.parts, want.closeupJpeg),
            "a picture is a part's bytes or the \"json\" part's, unchanged");
}

// [mapping file length: 2 bytes][mapping file][body kind: 1 byte, % 3 json, xml, multipart][body]
void CheckMappingFile(Input& input) {
  QString error;
  const auto mapping =
      field::ParsePlateFormatMapping(input.Take(input.Length2()), QStringLiteral("m.json"), error);
  if (!mapping) {
    FuzzCheck(error.startsWith(QStringLiteral("m.json: ")) && OneLine(error),
              "an invalid mapping file is one line naming the file");
    return;
  }
  const std::uint8_t kind = input.Byte() % 3;
  const field::PlateRequest request = kind == 0   ? Request("application/json", input.Rest())
                                      : kind == 1 ? Request("application/xml", input.Rest())
                                                  : MultipartRequest(input);
  CheckPromises(field::PlateMapper({*mapping}).Map(request, FetchFromSender));
}

}  // namespace

// Byte 0 % 4: 0 an XML body, 1 a multipart body's parts, 2 a JSON body, 3 a mapping file and a
// body for it. The seeds start with 'X', 'M', 'J' and 'C', so that they read as what they are.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Input input(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      CheckPromises(field::PlateMapper().Map(Request("text/xml", input.Rest())));
      break;
    case 1: {
      const field::PlateRequest request = MultipartRequest(input);
      const field::MappedPlate mapped = field::PlateMapper().Map(request);
      CheckPromises(mapped);
      CheckAgainstJsonPart(mapped, request);
      break;
    }
    case 2:
      CheckPromises(field::PlateMapper().Map(Request("application/json", input.Rest())));
      break;
    default:
      CheckMappingFile(input);
  }
  return 0;
}
