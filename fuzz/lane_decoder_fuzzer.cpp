#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "Crc16.h"
#include "FuzzCheck.h"
#include "SerialDecoder.h"
#include "VoiceBox.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using virtual_lane::SerialDecoder;

// One Feed of stream bytes [begin, end), or the line going quiet.
struct Event {
  bool quiet = false;
  std::size_t begin = 0;
  std::size_t end = 0;
};

std::vector<Event> Schedule(std::span<const std::uint8_t> lengths, std::size_t streamSize) {
  std::vector<Event> events;
  const bool anyChunk = std::any_of(lengths.begin(), lengths.end(), [](auto l) { return l > 0; });
  if (!anyChunk) {
    events.push_back({false, 0, streamSize});
  } else {
    for (std::size_t at = 0, i = 0; at < streamSize; ++i) {
      const std::size_t length = lengths[i % lengths.size()];
      if (length == 0) {
        events.push_back({true});
      } else {
        const std::size_t end = std::min(at + length, streamSize);
        events.push_back({false, at, end});
        at = end;
      }
    }
  }
  events.push_back({true});
  return events;
}

void Append(Bytes& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// The bytes a decoded message must have come from, written from the frame
// layouts (checksums included), so a frame accepted with a wrong checksum,
// length or end byte cannot be found in the stream.
Bytes WireBytes(const virtual_lane::SerialMessage& message) {
  Bytes wire;
  if (const auto* frame = std::get_if<virtual_lane::ControllerFrame>(&message)) {
    const std::size_t length = frame->payload.size() + 3;
    wire = {0x55,
            0xD5,
            0x44,
            0x00,
            0x00,
            static_cast<std::uint8_t>(frame->address >> 8),
            static_cast<std::uint8_t>(frame->address & 0xFF),
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length & 0xFF)};
    const std::uint16_t headerCrc =
        protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, wire, 8, 1);
    wire.push_back(headerCrc & 0xFF);
    wire.push_back(headerCrc >> 8);
    wire.push_back(frame->command);
    Append(wire, frame->payload);
    const auto bodyLength = static_cast<std::int32_t>(frame->payload.size() + 1);
    const std::uint16_t bodyCrc =
        protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, wire, bodyLength, 11);
    wire.push_back(bodyCrc & 0xFF);
    wire.push_back(bodyCrc >> 8);
  } else if (const auto* record = std::get_if<virtual_lane::ScreenRecord>(&message)) {
    wire = {record->number, record->flag};
    Append(wire, record->text);
    wire.push_back(0x0D);
  } else if (const auto* clips = std::get_if<virtual_lane::VoiceClips>(&message)) {
    wire = {0x05, 0x12, clips->box};
    Append(wire, clips->codes);
    wire.push_back(0x0D);
  } else if (const auto* speech = std::get_if<virtual_lane::VoiceSpeech>(&message)) {
    wire = {0x05, 0x12, speech->box};
    Append(wire, protocol::SpeechBlock(speech->text).bytes);
    wire.push_back(0x0D);
  }
  return wire;
}

void CheckShape(const virtual_lane::SerialMessage& message) {
  if (const auto* frame = std::get_if<virtual_lane::ControllerFrame>(&message)) {
    FuzzCheck(frame->payload.size() + 3 <= SerialDecoder::kMaxControllerLength,
              "controller frame within the length limit");
  } else if (const auto* record = std::get_if<virtual_lane::ScreenRecord>(&message)) {
    FuzzCheck(record->flag == 0x00 || record->flag == 0x20, "record flag is 00 or 20");
    FuzzCheck(record->text.size() <= SerialDecoder::kMaxRecordText, "record within the limit");
    FuzzCheck(std::none_of(record->text.begin(), record->text.end(),
                           [](std::uint8_t b) { return b < 0x20; }),
              "record text holds no control byte");
  } else if (const auto* clips = std::get_if<virtual_lane::VoiceClips>(&message)) {
    FuzzCheck(clips->codes.size() == 9, "voice clips carry nine codes");
  }
}

struct Decoded {
  bool fault = false;
  Bytes wire;
  bool operator==(const Decoded&) const = default;
};

// Drives one decoder and checks it after every call.
class CheckedDecoder {
 public:
  explicit CheckedDecoder(std::span<const std::uint8_t> stream)
      : stream_(stream), decoder_([this](const virtual_lane::SerialMessage& m) { OnMessage(m); }) {}

  void Feed(std::size_t begin, std::size_t end) {
    fedEnd_ = end;
    decoder_.Feed(stream_.subspan(begin, end - begin));
    CheckState();
  }

  void Quiet(std::size_t position) {
    decoder_.EndOfBurst();
    CheckState();
    FuzzCheck(decoder_.Pending() == 0, "nothing pending once the line went quiet");
    FuzzCheck(!decoder_.Hunting(), "hunting ends when the line goes quiet");
    searchFrom_ = std::max(searchFrom_, position);
  }

  const std::vector<Decoded>& log() const { return log_; }

 private:
  void OnMessage(const virtual_lane::SerialMessage& message) {
    if (std::holds_alternative<virtual_lane::DecodeFault>(message)) {
      ++faultMessages_;
      log_.push_back({true, {}});
      return;
    }
    CheckShape(message);
    Bytes wire = WireBytes(message);
    // Messages come in stream order, each from bytes of the current burst
    // that have arrived already.
    const auto sent = stream_.begin() + static_cast<std::ptrdiff_t>(fedEnd_);
    const auto found = std::search(stream_.begin() + static_cast<std::ptrdiff_t>(searchFrom_), sent,
                                   wire.begin(), wire.end());
    FuzzCheck(found != sent, "a decoded frame was really sent, checksums and all");
    searchFrom_ = static_cast<std::size_t>(found - stream_.begin()) + wire.size();
    log_.push_back({false, std::move(wire)});
  }

  void CheckState() {
    FuzzCheck(decoder_.Pending() <= SerialDecoder::kCapacity, "pending bytes stay bounded");
    FuzzCheck(decoder_.Faults() >= lastFaults_, "the fault counter never goes down");
    FuzzCheck(decoder_.Faults() == faultMessages_, "every counted fault is a reported reject");
    lastFaults_ = decoder_.Faults();
  }

  std::span<const std::uint8_t> stream_;
  SerialDecoder decoder_;
  std::vector<Decoded> log_;
  std::size_t searchFrom_ = 0;
  std::size_t fedEnd_ = 0;
  int faultMessages_ = 0;
  int lastFaults_ = 0;
};

// Frames of each kind sent after the line went quiet: the decoder must take
// them cleanly, whatever came before.
const std::vector<Bytes> kCleanFrames = {
    {0x55, 0xD5, 0x44, 0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x0E, 0xAA, 0xD0, 0x05, 0x2E, 0xF8},
    {0xFE, 0x00, 0x31, 0x35, 0x38, 0x0D},
    {0x05, 0x12, 0x62, 0x02, 0x14, 0x03, 0x13, 0x04, 0x12, 0x05, 0x11, 0x00, 0x0D},
    {0x05, 0x12, 0x62, 0xFD, 0x00, 0x06, 0x01, 0x01, 0x61, 0x62, 0x63, 0x9B, 0x0D},
};

struct RunLog {
  std::vector<Decoded> decoded;
  std::vector<std::size_t> atQuiet;  // decoded.size() at each quiet line
  bool operator==(const RunLog&) const = default;
};

// Feeds the events' chunks one by one, or each burst between two quiet
// points in one call.
RunLog Run(std::span<const std::uint8_t> stream, const std::vector<Event>& events,
           bool wholeBursts) {
  CheckedDecoder decoder(stream);
  RunLog run;
  std::size_t burstBegin = 0;
  std::size_t burstEnd = 0;
  for (const Event& event : events) {
    if (!event.quiet) {
      if (!wholeBursts) decoder.Feed(event.begin, event.end);
      burstEnd = event.end;
      continue;
    }
    if (wholeBursts && burstEnd > burstBegin) decoder.Feed(burstBegin, burstEnd);
    decoder.Quiet(burstEnd);
    burstBegin = burstEnd;
    run.atQuiet.push_back(decoder.log().size());
  }
  run.decoded = decoder.log();
  return run;
}

}  // namespace

// Input: n = first byte % 8, then n chunk lengths (0 = the line goes quiet),
// then the byte stream, cut into chunks of those lengths in turn.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t lengthCount = std::min<std::size_t>(data[0] % 8, size - 1);
  const std::span<const std::uint8_t> lengths(data + 1, lengthCount);

  Bytes stream(data + 1 + lengthCount, data + size);
  std::vector<Event> events = Schedule(lengths, stream.size());
  for (const Bytes& frame : kCleanFrames) {
    events.push_back({false, stream.size(), stream.size() + frame.size()});
    Append(stream, frame);
  }
  events.push_back({true});

  const RunLog split = Run(stream, events, false);
  const std::size_t cleanFrom = split.atQuiet[split.atQuiet.size() - 2];
  std::vector<Decoded> expected;
  for (const Bytes& frame : kCleanFrames) expected.push_back({false, frame});
  FuzzCheck(std::equal(split.decoded.begin() + static_cast<std::ptrdiff_t>(cleanFrom),
                       split.decoded.end(), expected.begin(), expected.end()),
            "after a quiet line clean frames are decoded, each once, without fault");
  FuzzCheck(split == Run(stream, events, true), "how the bytes were split changes nothing");
  return 0;
}
