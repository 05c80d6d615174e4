#pragma once

#include <string>

#include "ByteFrame.h"

namespace protocol {

// Sent-frame log form: " 55 D5 44" (a blank before every byte).
std::string HexDumpLine(Bytes bytes);

// Received-chunk log form: "55 D5 44 " (a blank after every byte).
std::string ReceivedDump(Bytes bytes);

}  // namespace protocol
