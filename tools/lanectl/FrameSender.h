#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lanectl {

// `lanectl send`: a frame for a real line, with the line as typed.
struct SendRequest {
  std::string port;
  std::string baud = "9600";
  std::string dataBits = "8";
  std::string parity = "none";
  std::string stopBits = "1";
  std::string rxGap;  // empty: from the rate
  bool discardEcho = false;
  int waitMs = 500;
  std::vector<std::uint8_t> frame;
};

struct SendOutcome {
  enum class Kind {
    Answered,    // `received` holds the answer
    Sent,        // no answer was awaited
    NoAnswer,    // nothing in time, or the line failed: `problem` says which
    BadRequest,  // a line setting that is no setting: `problem` says why
  };
  Kind kind = Kind::NoAnswer;
  std::vector<std::uint8_t> received;
  std::string problem;
};

// Puts the frame on the line and waits for the answer. Real lines live
// outside lanectl's parsing, so that it stays free of I/O.
using FrameSender = std::function<SendOutcome(const SendRequest&)>;

}  // namespace lanectl
