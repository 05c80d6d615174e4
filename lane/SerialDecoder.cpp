#include "SerialDecoder.h"

#include <algorithm>
#include <array>

#include "Crc16.h"
#include "DeviceBodies.h"

namespace virtual_lane {
namespace {

constexpr std::array<std::uint8_t, 6> kControllerSync = {0x55, 0xD5, 0x44, 0x00, 0x00, 0x00};
constexpr std::size_t kControllerHeader = 11;
constexpr std::size_t kMinControllerLength = 3;  // command byte and body CRC
constexpr std::uint8_t kRecordEnd = 0x0D;
constexpr std::uint8_t kVoiceLead = 0x05;
constexpr std::uint8_t kVoiceSecond = 0x12;
constexpr std::uint8_t kSpeechMarker = 0xFD;
constexpr std::size_t kVoiceClipsFrame = 13;

enum class Verdict { NeedMore, NotThis, Fault, Done };

struct Step {
  Verdict verdict = Verdict::NotThis;
  std::size_t length = 0;  // Done: bytes the frame took
  SerialMessage message = DecodeFault{FaultKind::Length};
};

Step NeedMore() {
  return {Verdict::NeedMore};
}
Step NotThis() {
  return {Verdict::NotThis};
}
Step Fault(FaultKind kind) {
  return {Verdict::Fault, 0, DecodeFault{kind}};
}
Step Done(std::size_t length, SerialMessage message) {
  return {Verdict::Done, length, std::move(message)};
}

bool CrcMatches(ByteView bytes, std::size_t start, std::size_t count, std::size_t at) {
  const std::uint16_t crc =
      protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, bytes,
                          static_cast<std::int32_t>(count), static_cast<std::int32_t>(start));
  return bytes[at] == (crc & 0xFF) && bytes[at + 1] == ((crc >> 8) & 0xFF);
}

Step TryController(ByteView head) {
  const std::size_t known = std::min(head.size(), kControllerSync.size());
  if (!std::equal(head.begin(), head.begin() + known, kControllerSync.begin())) return NotThis();
  if (head.size() < kControllerHeader) return NeedMore();
  if (!CrcMatches(head, 1, 8, 9)) return Fault(FaultKind::HeaderChecksum);
  const std::size_t length = (std::size_t{head[7]} << 8) | head[8];
  if (length < kMinControllerLength || length > SerialDecoder::kMaxControllerLength) {
    return Fault(FaultKind::Length);
  }
  const std::size_t total = kControllerHeader + length;
  if (head.size() < total) return NeedMore();
  const std::size_t body = length - 2;
  if (!CrcMatches(head, kControllerHeader, body, kControllerHeader + body)) {
    return Fault(FaultKind::BodyChecksum);
  }
  ControllerFrame frame;
  frame.address = (head[5] << 8) | head[6];
  frame.command = head[kControllerHeader];
  frame.payload = head.subspan(kControllerHeader + 1, body - 1);
  return Done(total, frame);
}

Step TryVoice(ByteView head) {
  if (head[0] != kVoiceLead) return NotThis();
  if (head.size() < 2) return NeedMore();
  if (head[1] != kVoiceSecond) return NotThis();
  if (head.size() < 4) return NeedMore();
  const std::uint8_t box = head[2];
  if (head[3] != kSpeechMarker) {
    if (head.size() < kVoiceClipsFrame) return NeedMore();
    if (head[kVoiceClipsFrame - 1] != kRecordEnd) return NotThis();
    return Done(kVoiceClipsFrame, VoiceClips{box, head.subspan(3, 9)});
  }
  if (head.size() < 6) return NeedMore();
  const std::size_t length = (std::size_t{head[4]} << 8) | head[5];
  if (length < 3 || length > SerialDecoder::kMaxSpeechLength) return Fault(FaultKind::Length);
  const std::size_t block = 3 + length;  // FD and the two length bytes, then what they count
  const std::size_t total = 3 + block + 1;
  if (head.size() < total) return NeedMore();
  const SpeechText speech = ReadSpeechBlock(head.subspan(3, block));
  if (speech.verdict != SpeechVerdict::Ok || head[total - 1] != kRecordEnd) {
    return Fault(FaultKind::SpeechCheck);
  }
  return Done(total, VoiceSpeech{box, speech.text});
}

Step TryRecord(ByteView head) {
  if (head.size() < 2) return NeedMore();
  const std::uint8_t flag = head[1];
  if (flag != 0x00 && flag != 0x20) return NotThis();
  constexpr std::size_t kLongest = 2 + SerialDecoder::kMaxRecordText + 1;
  for (std::size_t i = 2; i < std::min(head.size(), kLongest); ++i) {
    if (head[i] == kRecordEnd) {
      return Done(i + 1, ScreenRecord{head[0], flag, head.subspan(2, i - 2)});
    }
    if (head[i] < 0x20) return NotThis();
  }
  return head.size() < kLongest ? NeedMore() : NotThis();
}

Step TryAny(ByteView head) {
  for (auto attempt : {TryController, TryVoice, TryRecord}) {
    Step step = attempt(head);
    if (step.verdict != Verdict::NotThis) return step;
  }
  return NotThis();
}

}  // namespace

SerialDecoder::SerialDecoder(Sink sink) : sink_(std::move(sink)) {
  pending_.reserve(kCapacity);
}

void SerialDecoder::Feed(ByteView chunk) {
  while (!chunk.empty()) {
    const std::size_t room = kCapacity - pending_.size();
    const std::size_t take = std::min(room, chunk.size());
    pending_.insert(pending_.end(), chunk.begin(), chunk.begin() + take);
    chunk = chunk.subspan(take);
    Drain();
  }
}

void SerialDecoder::EndOfBurst() {
  if (!pending_.empty() && TryController(pending_).verdict == Verdict::NeedMore &&
      pending_.size() >= kControllerHeader) {
    ++faults_;
    sink_(DecodeFault{FaultKind::Truncated});
  }
  pending_.clear();
  hunting_ = false;
}

void SerialDecoder::Drain() {
  while (!pending_.empty()) {
    const Step step = hunting_ ? TryController(pending_) : TryAny(pending_);
    switch (step.verdict) {
      case Verdict::NeedMore:
        if (pending_.size() < kCapacity) return;
        Drop(1);  // no frame is longer than the buffer, so this is none
        break;
      case Verdict::NotThis:
        Drop(1);
        break;
      case Verdict::Fault:
        ++faults_;
        hunting_ = true;
        sink_(step.message);
        Drop(1);
        break;
      case Verdict::Done:
        hunting_ = false;
        sink_(step.message);
        Drop(step.length);
        break;
    }
  }
}

void SerialDecoder::Drop(std::size_t count) {
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace virtual_lane
