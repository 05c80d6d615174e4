#include "HexDump.h"

namespace protocol {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& text, std::uint8_t byte) {
  text += kHexDigits[byte >> 4];
  text += kHexDigits[byte & 0x0F];
}

}  // namespace

std::string HexDumpLine(Bytes bytes) {
  std::string line;
  line.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    line += ' ';
    AppendHexByte(line, byte);
  }
  return line;
}

std::string ReceivedDump(Bytes bytes) {
  std::string dump;
  dump.reserve(bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    AppendHexByte(dump, byte);
    dump += ' ';
  }
  return dump;
}

}  // namespace protocol
