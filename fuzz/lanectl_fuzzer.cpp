#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "LaneCtl.h"

namespace {

// The input is the argument vector, arguments separated by NUL bytes, exactly
// what a shell could hand to main.
std::vector<std::string> SplitArguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  if (size == 0) return args;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(current);
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunLaneCtl(SplitArguments(data, size), out, err);

  FuzzCheck(status == 0 || status == 2, "exit status is 0 or 2");
  if (status == 2) {
    const std::string message = err.str();
    FuzzCheck(out.str().empty(), "a refusal prints nothing on stdout");
    FuzzCheck(message.starts_with("lanectl: "), "a refusal starts with 'lanectl: '");
    FuzzCheck(std::count(message.begin(), message.end(), '\n') == 1 && message.ends_with('\n'),
              "a refusal is exactly one line");
  } else {
    FuzzCheck(err.str().empty(), "success prints nothing on stderr");
    FuzzCheck(!out.str().empty(), "success prints its result");
  }
  return 0;
}
