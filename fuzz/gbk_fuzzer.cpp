#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "Gbk.h"
#include "Utf8.h"

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// iconv is not instrumented, so coverage cannot lead the fuzzer through
// Unicode; valid texts are also made directly, three input bytes per
// character: the low two give a BMP character, or with the top bit of the
// first set, all three choose from every plane.
std::string ValidText(const std::uint8_t* data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i + 3 <= size; i += 3) {
    char32_t code = (char32_t{data[i + 1]} << 8) | data[i + 2];
    if (data[i] & 0x80) code = ((char32_t{data[i]} & 0x1F) << 16 | code) % 0x110000;
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    AppendUtf8(text, code);
  }
  return text;
}

void CheckEncoding(std::string_view text) {
  try {
    const std::vector<std::uint8_t> gbk = protocol::EncodeGbk(text);
    FuzzCheck(IsValidUtf8(text), "text that is not UTF-8 is refused");
    if (IsAscii(text)) {
      FuzzCheck(std::equal(gbk.begin(), gbk.end(), text.begin(), text.end()),
                "ASCII is sent unchanged");
    }
    FuzzCheck(protocol::DecodeGbk(gbk) == text, "a text GBK holds comes back unchanged");
  } catch (const protocol::TextEncodingError& error) {
    FuzzCheck(*error.what() != '\0', "refusal says why");
  }
}

}  // namespace

// Every text typed into a field goes through EncodeGbk before a frame is
// built, and device texts come back through DecodeGbk.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckEncoding(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckEncoding(ValidText(data, size));

  const std::string decoded = protocol::DecodeGbk(protocol::Bytes(data, size));
  FuzzCheck(IsValidUtf8(decoded), "decoded device text is UTF-8");
  return 0;
}
