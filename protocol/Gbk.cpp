#include "Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>

namespace protocol {

namespace {

// glibc knows code page 936 under this name; "GBK" is its alias there.
constexpr const char* kGbkCharset = "CP936";

struct IconvCloser {
  void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from) {
  const iconv_t handle = iconv_open(to, from);
  if (handle == reinterpret_cast<iconv_t>(-1)) {
    throw TextEncodingError(std::string("the C library cannot convert ") + from + " to " + to);
  }
  return IconvHandle(handle);
}

struct CodePoint {
  char32_t value;
  std::size_t length;
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<CodePoint> DecodeUtf8At(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return CodePoint{lead, 1};

  std::size_t length = 0;
  char32_t value = 0;
  char32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return std::nullopt;
  }
  return CodePoint{value, length};
}

[[noreturn]] void ThrowUnencodable(std::string_view text, std::size_t at) {
  const CodePoint point = DecodeUtf8At(text, at).value();
  char codeName[16];
  std::snprintf(codeName, sizeof codeName, "U+%04X", static_cast<unsigned>(point.value));
  throw TextEncodingError("text contains \"" + std::string(text.substr(at, point.length)) + "\" (" +
                          codeName + "), which GBK cannot encode");
}

// GBK holds nothing beyond the Basic Multilingual Plane, and glibc's iconv
// silently drops some such characters (the tags U+E0000..U+E007F) instead of
// refusing them, so they are refused here before conversion.
void RequireBmpUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::optional<CodePoint> point = DecodeUtf8At(text, at);
    if (!point) {
      char detail[64];
      std::snprintf(detail, sizeof detail, " (byte 0x%02X at offset %zu)",
                    static_cast<unsigned char>(text[at]), at);
      throw TextEncodingError(std::string("text is not valid UTF-8") + detail);
    }
    if (point->value > 0xFFFF) ThrowUnencodable(text, at);
    at += point->length;
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeGbk(std::string_view utf8) {
  RequireBmpUtf8(utf8);
  // iconv refuses a null output buffer, which is what an empty vector has.
  if (utf8.empty()) return {};
  const IconvHandle converter = OpenIconv(kGbkCharset, "UTF-8");

  // GBK never needs more bytes than UTF-8 for the same text.
  std::vector<std::uint8_t> gbk(utf8.size());
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* out = reinterpret_cast<char*>(gbk.data());
  std::size_t outLeft = gbk.size();
  if (iconv(static_cast<iconv_t>(converter.get()), &in, &inLeft, &out, &outLeft) ==
      static_cast<std::size_t>(-1)) {
    const std::size_t at = utf8.size() - inLeft;
    if (errno == EILSEQ) ThrowUnencodable(utf8, at);
    throw TextEncodingError("GBK conversion stopped at offset " + std::to_string(at));
  }
  gbk.resize(gbk.size() - outLeft);
  return gbk;
}

std::string DecodeGbk(Bytes gbk) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  if (gbk.empty()) return {};
  const IconvHandle converter = OpenIconv("UTF-8", kGbkCharset);

  // One GBK byte never needs more than three UTF-8 bytes, U+FFFD included.
  std::string utf8(gbk.size() * 3, '\0');
  char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(gbk.data()));
  std::size_t inLeft = gbk.size();
  char* out = utf8.data();
  std::size_t outLeft = utf8.size();
  while (inLeft > 0) {
    if (iconv(static_cast<iconv_t>(converter.get()), &in, &inLeft, &out, &outLeft) !=
        static_cast<std::size_t>(-1)) {
      break;
    }
    // Not GBK here (or cut short at the end): show one U+FFFD and go on with the next byte.
    for (const char c : std::string_view(kReplacement)) *out++ = c;
    outLeft -= 3;
    ++in;
    --inLeft;
  }
  utf8.resize(utf8.size() - outLeft);
  return utf8;
}

}  // namespace protocol
