#pragma once

#include <CLI/CLI.hpp>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ByteFrame.h"

namespace lanectl {

// The frames of `lanectl build`, one CLI11 subcommand each. The option values
// are kept as text and checked when the frame is built, so that every bad
// value gets the same kind of message.
class FrameCommands {
 public:
  explicit FrameCommands(CLI::App& build);
  FrameCommands(const FrameCommands&) = delete;
  FrameCommands& operator=(const FrameCommands&) = delete;

  // The frame of the subcommand that was parsed; throws UsageError on bad values.
  protocol::ByteFrame BuildParsedFrame() const;
  bool Raw() const { return raw_; }

  // Every frame with its options, for the top-level help.
  std::string Synopsis() const;

 private:
  struct Values {
    std::string address;
    std::string openArgument = "5";
    std::string readArgument = "100";
    std::string screen;
    std::string voice;
    std::string box;
    std::string codes;
    std::array<std::string, 4> numbers;
    std::array<std::string, 4> texts;
  };
  struct Frame {
    CLI::App* command;
    std::function<protocol::ByteFrame()> build;
  };

  void AddControllerFrames(CLI::App& build);
  void AddSimpleLaneFrames(CLI::App& build);

  Values values_;
  bool raw_ = false;
  std::vector<Frame> frames_;
};

}  // namespace lanectl
