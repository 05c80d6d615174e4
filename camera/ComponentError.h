#pragma once

#include <stdexcept>

namespace camera {

// A failed call of the camera SDK control or the video control. The message
// names the operation, the handle and the reason.
class ComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace camera
