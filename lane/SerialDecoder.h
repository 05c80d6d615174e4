#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <variant>
#include <vector>

namespace virtual_lane {

using ByteView = std::span<const std::uint8_t>;

// 55 D5 44 00 00 00 addr L L hcrc hcrc | command payload | bcrc bcrc
struct ControllerFrame {
  int address = 0;
  std::uint8_t command = 0;
  ByteView payload;
};

// number, flag (00 or 20), text, 0D
struct ScreenRecord {
  std::uint8_t number = 0;
  std::uint8_t flag = 0;
  ByteView text;
};

// 05 12 box, nine codes, 0D
struct VoiceClips {
  std::uint8_t box = 0;
  ByteView codes;
};

// 05 12 box, FD LL LL 01 01 text xor, 0D
struct VoiceSpeech {
  std::uint8_t box = 0;
  ByteView text;
};

enum class FaultKind { HeaderChecksum, BodyChecksum, Length, SpeechCheck, Truncated };

struct DecodeFault {
  FaultKind kind;
};

// Spans point into the decoder's buffer: valid only while the sink runs, and
// the sink must not feed the decoder.
using SerialMessage =
    std::variant<ControllerFrame, ScreenRecord, VoiceClips, VoiceSpeech, DecodeFault>;

// The lane's receiver for everything on its serial line: controller frames,
// bare screen records and voice-box frames, in any mix, split over any number
// of chunks or several in one.
//
// The head of the pending bytes tells the kind (55 D5 44 00 00 00 controller,
// 05 12 voice box, any byte then 00/20 a screen record); everything else is
// garbage and skipped byte by byte. A controller frame is read as header,
// then the length the header announced; a voice speech block likewise.
//
// Bare records have no length: a record ends at its first 0D, and a text byte
// below 20 (a control character, which no GBK text holds) means the bytes
// were no record after all. So a text that carries 0D is cut there, as a
// screen on the line would cut it.
//
// A frame that fails a check (header or body CRC, impossible length, speech
// XOR, a missing end byte) is dropped and counted. The length of a failed
// frame cannot be trusted, so until the line goes quiet (EndOfBurst) or a
// controller sync appears, nothing else is believed: this keeps the body of
// a broken frame from being read as screen records.
//
// Pending bytes never exceed kCapacity, the largest frame of any kind.
class SerialDecoder {
 public:
  static constexpr std::size_t kCapacity = 1024;
  static constexpr std::size_t kMaxControllerLength = kCapacity - 11;  // L field
  static constexpr std::size_t kMaxRecordText = kCapacity - 3;
  static constexpr std::size_t kMaxSpeechLength = 505;  // LL field: 502 text bytes

  using Sink = std::function<void(const SerialMessage&)>;

  explicit SerialDecoder(Sink sink);

  void Feed(ByteView chunk);
  // The line went quiet: a half-received frame is dropped (a controller
  // frame whose header had checked out counts as truncated) and hunting ends.
  void EndOfBurst();

  int Faults() const { return faults_; }
  std::size_t Pending() const { return pending_.size(); }
  bool Hunting() const { return hunting_; }

 private:
  void Drain();
  void Drop(std::size_t count);

  Sink sink_;
  std::vector<std::uint8_t> pending_;
  bool hunting_ = false;
  int faults_ = 0;
};

}  // namespace virtual_lane
