#include "VoiceBox.h"

#include <algorithm>

#include "Limits.h"

namespace protocol {

ByteFrame SpeechBlock(Bytes text) {
  const std::size_t length = text.size() + 3;
  ByteFrame block;
  block.bytes.reserve(text.size() + 6);
  block.bytes.push_back(0xFD);
  block.bytes.push_back(static_cast<std::uint8_t>((length >> 8) & 0xFF));
  block.bytes.push_back(static_cast<std::uint8_t>(length & 0xFF));
  block.bytes.push_back(0x01);
  block.bytes.push_back(0x01);
  block.bytes.insert(block.bytes.end(), text.begin(), text.end());

  std::uint8_t check = 0;
  for (const std::uint8_t byte : block.bytes) check ^= byte;
  block.bytes.push_back(check);
  return block;
}

void AppendVoiceCodes(std::vector<std::uint8_t>& out, Bytes codes) {
  const Bytes sent = codes.first(std::min(codes.size(), kVoiceCodeCount));
  out.insert(out.end(), sent.begin(), sent.end());
  out.insert(out.end(), kVoiceCodeCount - sent.size(), 0x00);
}

ByteFrame BuildBoxVoiceCodesFrame(int box, Bytes codes) {
  ByteFrame frame;
  frame.bytes = {0x05, 0x12, static_cast<std::uint8_t>(box)};
  AppendVoiceCodes(frame.bytes, codes);
  frame.bytes.push_back(0x0D);
  return frame;
}

ByteFrame BuildBoxVoiceTextFrame(int box, Bytes text) {
  const ByteFrame speech = SpeechBlock(text);
  ByteFrame frame;
  frame.bytes.reserve(speech.size() + 4);
  frame.bytes.push_back(0x05);
  frame.bytes.push_back(0x12);
  frame.bytes.push_back(static_cast<std::uint8_t>(box));
  frame.bytes.insert(frame.bytes.end(), speech.bytes.begin(), speech.bytes.end());
  frame.bytes.push_back(0x0D);
  return frame;
}

}  // namespace protocol
