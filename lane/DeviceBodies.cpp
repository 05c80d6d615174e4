#include "DeviceBodies.h"

namespace virtual_lane {
namespace {

constexpr std::uint8_t kRecordEnd = 0x0D;

// Records laid end to end, each ending at its first 0D.
std::optional<std::vector<ScreenRecord>> SplitRecords(ByteView body) {
  std::vector<ScreenRecord> records;
  while (!body.empty()) {
    if (body.size() < 3) return std::nullopt;
    std::size_t end = 2;
    while (end < body.size() && body[end] != kRecordEnd) ++end;
    if (end == body.size()) return std::nullopt;
    records.push_back({body[0], body[1], body.subspan(2, end - 2)});
    body = body.subspan(end + 1);
  }
  return records;
}

bool AllLines(const std::vector<ScreenRecord>& records) {
  for (const auto& record : records) {
    if (record.number < 1 || record.number > 4) return false;
  }
  return true;
}

}  // namespace

SpeechText ReadSpeechBlock(ByteView block) {
  if (block.size() < 6 || block[0] != 0xFD) return {SpeechVerdict::BadMarker, {}};
  const std::size_t length = (std::size_t{block[1]} << 8) | block[2];
  if (length != block.size() - 3) return {SpeechVerdict::BadLength, {}};
  if (block[3] != 0x01 || block[4] != 0x01) return {SpeechVerdict::BadMarker, {}};
  std::uint8_t check = 0;
  for (std::size_t i = 0; i + 1 < block.size(); ++i) check ^= block[i];
  if (check != block.back()) return {SpeechVerdict::BadCheck, {}};
  return {SpeechVerdict::Ok, block.subspan(5, block.size() - 6)};
}

std::optional<DisplayBody> ReadDisplayBody(ByteView body) {
  if (auto records = SplitRecords(body); records && records->size() > 1 && AllLines(*records)) {
    return DisplayBody{true, std::move(*records)};
  }
  if (body.size() < 3 || body.back() != kRecordEnd) return std::nullopt;
  return DisplayBody{false, {ScreenRecord{body[0], body[1], body.subspan(2, body.size() - 3)}}};
}

}  // namespace virtual_lane
