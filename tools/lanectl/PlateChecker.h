#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lanectl {

// `lanectl plate`: a captured plate message and the mapping files to try on it.
struct PlateCheckRequest {
  std::vector<std::string> maps;
  std::string contentType;  // empty: from the file's extension
  std::string bodyFile;
};

struct PlateCheckOutcome {
  enum class Kind {
    Raised,    // `text`: what the console would raise
    Refused,   // `text`: the console's 400 answer
    BadInput,  // `text`: one line, why the check could not be made
  };
  Kind kind = Kind::BadInput;
  std::string text;
};

// Reads the files and maps the body as the plate receiver would. Kept apart
// from lanectl's parsing, which stays free of I/O.
using PlateChecker = std::function<PlateCheckOutcome(const PlateCheckRequest&)>;

}  // namespace lanectl
