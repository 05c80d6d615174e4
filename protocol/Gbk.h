#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ByteFrame.h"

namespace protocol {

class TextEncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// UTF-8 to GBK (code page 936). Throws TextEncodingError naming the first
// character GBK cannot hold, or saying the input is not valid UTF-8.
std::vector<std::uint8_t> EncodeGbk(std::string_view utf8);

// GBK to UTF-8 for showing device texts; bytes that are not GBK become U+FFFD.
std::string DecodeGbk(Bytes gbk);

}  // namespace protocol
