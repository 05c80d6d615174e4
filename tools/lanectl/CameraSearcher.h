#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lanectl {

// `lanectl discover`: how long to listen and whom to ask.
struct DiscoverRequest {
  int timeoutMs = 3000;
  // ADDRESS or ADDRESS:PORT, as typed; when any is given, only these are asked.
  std::vector<std::string> to;
  bool json = false;
};

struct DiscoverOutcome {
  enum class Kind {
    Found,       // at least one camera was printed
    NoneFound,   // nothing answered in time
    BadRequest,  // `problem` says why
  };
  Kind kind = Kind::NoneFound;
  std::string problem;
};

// Probes and prints each camera on `out` as its answer arrives; notices of
// probes that could not be sent go to `err`. Kept apart from lanectl's
// parsing, which stays free of I/O.
using CameraSearcher =
    std::function<DiscoverOutcome(const DiscoverRequest&, std::ostream& out, std::ostream& err)>;

}  // namespace lanectl
