#include "ScreenRecords.h"

namespace protocol {

std::uint8_t LongTextFlag(std::size_t textBytes) {
  return textBytes > 8 ? 0x20 : 0x00;
}

void AppendLineRecord(std::vector<std::uint8_t>& out, int number, Bytes text) {
  out.push_back(static_cast<std::uint8_t>(number));
  out.push_back(LongTextFlag(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0x0D);
}

ByteFrame BuildOneLineRecord(int number, Bytes text) {
  ByteFrame frame;
  AppendLineRecord(frame.bytes, number, text);
  return frame;
}

ByteFrame BuildTwoLineRecords(int number1, Bytes text1, int number2, Bytes text2) {
  ByteFrame frame;
  frame.bytes.reserve(text1.size() + text2.size() + 6);
  AppendLineRecord(frame.bytes, number1, text1);
  AppendLineRecord(frame.bytes, number2, text2);
  return frame;
}

ByteFrame BuildFourLineRecords(int number1, Bytes text1, int number2, Bytes text2, int number3,
                               Bytes text3, int number4, Bytes text4) {
  ByteFrame frame;
  frame.bytes.reserve(text1.size() + text2.size() + text3.size() + text4.size() + 12);
  AppendLineRecord(frame.bytes, number1, text1);
  AppendLineRecord(frame.bytes, number2, text2);
  AppendLineRecord(frame.bytes, number3, text3);
  AppendLineRecord(frame.bytes, number4, text4);
  return frame;
}

}  // namespace protocol
