#include "InputValues.h"

#include <charconv>

#include "Gbk.h"

namespace lanectl {

namespace {

constexpr std::string_view kHexTextPrefix = "hex:";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void Refuse(std::string_view option, const std::string& problem) {
  throw UsageError(std::string(option) + ": " + problem);
}

// Positions in messages count from 1 at the start of the option's whole value.
std::vector<std::uint8_t> ParseHexAt(std::string_view option, std::string_view text,
                                     std::size_t first) {
  std::vector<std::uint8_t> bytes;
  std::size_t at = first;
  while (at < text.size()) {
    if (IsBlank(text[at])) {
      ++at;
      continue;
    }
    const int high = HexDigitValue(text[at]);
    if (high < 0) {
      Refuse(option, "'" + std::string(1, text[at]) + "' at position " + std::to_string(at + 1) +
                         " is not a hex digit");
    }
    if (at + 1 == text.size() || IsBlank(text[at + 1])) {
      Refuse(option, "hex digits must come in pairs, and position " + std::to_string(at + 1) +
                         " has a lone one");
    }
    const int low = HexDigitValue(text[at + 1]);
    if (low < 0) {
      Refuse(option, "'" + std::string(1, text[at + 1]) + "' at position " +
                         std::to_string(at + 2) + " is not a hex digit");
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    at += 2;
  }
  return bytes;
}

}  // namespace

std::int32_t ParseNumber(std::string_view option, std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error == std::errc::result_out_of_range) {
    Refuse(option, "\"" + std::string(text) + "\" does not fit a signed 32-bit integer");
  }
  if (error != std::errc{} || stop != end) {
    Refuse(option, "\"" + std::string(text) + "\" is not a decimal integer");
  }
  return value;
}

std::vector<std::uint8_t> ParseHex(std::string_view option, std::string_view text) {
  return ParseHexAt(option, text, 0);
}

std::vector<std::uint8_t> ParseText(std::string_view option, std::string_view text) {
  if (text.starts_with(kHexTextPrefix)) return ParseHexAt(option, text, kHexTextPrefix.size());
  try {
    return protocol::EncodeGbk(text);
  } catch (const protocol::TextEncodingError& error) {
    Refuse(option, error.what());
  }
}

void RequireFits(protocol::FrameKind kind, const std::vector<SizedInput>& inputs,
                 std::string_view together) {
  std::vector<std::size_t> sizes;
  for (const SizedInput& input : inputs) sizes.push_back(input.bytes);
  const auto tooLarge = protocol::CheckInputSizes(kind, sizes);
  if (!tooLarge) return;
  const std::string_view what =
      tooLarge->input == protocol::kAllInputs ? together : inputs[tooLarge->input].option;
  Refuse(what, std::to_string(tooLarge->bytes) + " bytes, more than the " +
                   std::to_string(tooLarge->limit) + " this frame can carry");
}

}  // namespace lanectl
