#include "LaneFaults.h"

namespace virtual_lane {
namespace {

constexpr int kOneByteInFour = 4;
constexpr int kMaxNotJpegBytes = 4096;
constexpr std::uint8_t kJpegMarker = 0xFF;

QByteArray Chunk(std::span<const std::uint8_t> bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

}  // namespace

std::vector<QByteArray> FaultInjector::SerialChunks(SerialFault fault,
                                                    std::span<const std::uint8_t> reply) {
  const int size = static_cast<int>(reply.size());
  switch (fault) {
    case SerialFault::None:
      break;
    case SerialFault::Garbled: {
      if (size == 0) break;
      QByteArray garbled = Chunk(reply);
      // At least one byte, then about one in four.
      const int sure = Between(0, size - 1);
      for (int at = 0; at < size; ++at) {
        if (at == sure || Between(1, kOneByteInFour) == 1)
          garbled[at] = static_cast<char>(garbled[at] ^ Between(1, 255));
      }
      return {garbled};
    }
    case SerialFault::Truncated:
      if (size < 2) return {QByteArray()};
      return {Chunk(reply.first(static_cast<std::size_t>(Between(1, size - 1))))};
    case SerialFault::Duplicated:
      return {Chunk(reply), Chunk(reply)};
    case SerialFault::ByteByByte: {
      std::vector<QByteArray> bytes;
      bytes.reserve(reply.size());
      for (std::size_t at = 0; at < reply.size(); ++at)
        bytes.push_back(Chunk(reply.subspan(at, 1)));
      return bytes;
    }
  }
  return {Chunk(reply)};
}

void FaultInjector::SpoilPictures(PictureFault fault, PlateEvent& event) {
  if (fault == PictureFault::None) return;
  Spoil(fault, event.sceneJpeg);
  Spoil(fault, event.closeUpJpeg);
}

void FaultInjector::Spoil(PictureFault fault, std::vector<std::uint8_t>& jpeg) {
  switch (fault) {
    case PictureFault::None:
      break;
    case PictureFault::Missing:
      jpeg.clear();
      break;
    case PictureFault::Empty:
      jpeg = {0xFF, 0xD8, 0xFF, 0xD9};
      break;
    case PictureFault::NotJpeg:
      jpeg.resize(static_cast<std::size_t>(Between(1, kMaxNotJpegBytes)));
      for (auto& byte : jpeg) byte = static_cast<std::uint8_t>(Between(0, 255));
      // A JPEG starts with a marker; without one no decoder takes it for a picture.
      if (jpeg.front() == kJpegMarker) jpeg.front() = 0;
      break;
    case PictureFault::CutShort:
      // Half the picture at most: whole rows of it are gone, not just the end marker.
      if (jpeg.size() > 4)
        jpeg.resize(static_cast<std::size_t>(Between(2, static_cast<int>(jpeg.size() / 2))));
      break;
  }
}

int FaultInjector::Between(int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random_);
}

}  // namespace virtual_lane
