#include "FrameCommands.h"

#include "Controller.h"
#include "InputValues.h"
#include "ScreenRecords.h"
#include "VoiceBox.h"

namespace lanectl {

namespace {

using protocol::ByteFrame;

constexpr const char* kNumberOptions[] = {"--number1", "--number2", "--number3", "--number4"};
constexpr const char* kTextOptions[] = {"--text1", "--text2", "--text3", "--text4"};

struct Record {
  std::int32_t number;
  std::vector<std::uint8_t> text;
};

CLI::App* AddFrame(CLI::App& build, const std::string& name, const std::string& description,
                   bool& raw) {
  CLI::App* frame = build.add_subcommand(name, description);
  frame->add_flag("--raw", raw, "write the frame's bytes instead of its hex dump line");
  return frame;
}

void AddRequired(CLI::App* frame, const std::string& name, std::string& value, const char* type,
                 const std::string& description) {
  frame->add_option(name, value, description)->required()->type_name(type);
}

// A text of `kind`, refused when it alone is more than the frame can carry.
std::vector<std::uint8_t> Text(protocol::FrameKind kind, const char* option,
                               const std::string& value) {
  std::vector<std::uint8_t> bytes = ParseText(option, value);
  RequireFits(kind, {{option, bytes.size()}});
  return bytes;
}

std::vector<std::uint8_t> Codes(protocol::FrameKind kind, const std::string& value) {
  std::vector<std::uint8_t> bytes = ParseHex("--codes", value);
  RequireFits(kind, {{"--codes", bytes.size()}});
  return bytes;
}

}  // namespace

FrameCommands::FrameCommands(CLI::App& build) {
  AddControllerFrames(build);
  AddSimpleLaneFrames(build);
}

ByteFrame FrameCommands::BuildParsedFrame() const {
  for (const Frame& frame : frames_) {
    if (frame.command->parsed()) return frame.build();
  }
  throw UsageError("no frame given");
}

std::string FrameCommands::Synopsis() const {
  std::string synopsis =
      "Frames (lanectl build FRAME OPTIONS; add --raw for the bytes themselves):\n";
  for (const Frame& frame : frames_) {
    std::string options;
    for (const CLI::Option* option : frame.command->get_options()) {
      if (option == frame.command->get_help_ptr() || option->get_type_name().empty()) continue;
      const std::string usage = option->get_name() + " " + option->get_type_name();
      options += option->get_required() ? " " + usage
                                        : " [" + usage + "=" + option->get_default_str() + "]";
    }
    const std::string& name = frame.command->get_name();
    synopsis += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') +
                frame.command->get_description() + "\n" + std::string(17, ' ') + options + "\n";
  }
  return synopsis;
}

void FrameCommands::AddControllerFrames(CLI::App& build) {
  Values& v = values_;
  const auto addAddress = [&v](CLI::App* frame) {
    AddRequired(frame, "--address", v.address, "N", "controller address");
  };

  CLI::App* gateOpen = AddFrame(build, "gate-open", "controller D0: open the barrier", raw_);
  addAddress(gateOpen);
  gateOpen->add_option("--arg", v.openArgument, "open argument; outside 1..255 sends 3")
      ->type_name("N")
      ->capture_default_str();
  frames_.push_back({gateOpen, [&v] {
                       const std::int32_t address = ParseNumber("--address", v.address);
                       return protocol::BuildGateOpenFrame(address,
                                                           ParseNumber("--arg", v.openArgument));
                     }});

  CLI::App* gateClose = AddFrame(build, "gate-close", "controller D1: close the barrier", raw_);
  addAddress(gateClose);
  frames_.push_back({gateClose, [&v] {
                       return protocol::BuildGateCloseFrame(ParseNumber("--address", v.address));
                     }});

  CLI::App* readCard = AddFrame(build, "read-card", "controller A2: read the smart card", raw_);
  addAddress(readCard);
  readCard->add_option("--arg", v.readArgument, "read argument (low 16 bits sent)")
      ->type_name("N")
      ->capture_default_str();
  frames_.push_back({readCard, [&v] {
                       const std::int32_t address = ParseNumber("--address", v.address);
                       const std::int32_t argument = ParseNumber("--arg", v.readArgument);
                       return protocol::BuildReadCardFrame(address,
                                                           static_cast<std::uint16_t>(argument));
                     }});

  CLI::App* count = AddFrame(build, "count-display", "controller A6: digit screen", raw_);
  addAddress(count);
  AddRequired(count, "--screen", v.screen, "N", "screen number");
  AddRequired(count, "--text", v.texts[0], "TEXT", "digits to show");
  frames_.push_back({count, [&v] {
                       const std::int32_t address = ParseNumber("--address", v.address);
                       const std::int32_t screen = ParseNumber("--screen", v.screen);
                       const auto text =
                           Text(protocol::FrameKind::CountDisplay, "--text", v.texts[0]);
                       return protocol::BuildCountDisplayFrame(address, screen, text);
                     }});

  CLI::App* threeLine = AddFrame(build, "three-line", "controller A6: three-line screen", raw_);
  addAddress(threeLine);
  AddRequired(threeLine, "--line1", v.texts[0], "TEXT", "line 1");
  AddRequired(threeLine, "--line2", v.texts[1], "TEXT", "line 2");
  AddRequired(threeLine, "--line3", v.texts[2], "TEXT", "line 3");
  frames_.push_back(
      {threeLine, [&v] {
         const std::int32_t address = ParseNumber("--address", v.address);
         const auto kind = protocol::FrameKind::ThreeLineDisplay;
         const auto line1 = Text(kind, "--line1", v.texts[0]);
         const auto line2 = Text(kind, "--line2", v.texts[1]);
         const auto line3 = Text(kind, "--line3", v.texts[2]);
         RequireFits(
             kind,
             {{"--line1", line1.size()}, {"--line2", line2.size()}, {"--line3", line3.size()}},
             "--line1 to --line3 together");
         return protocol::BuildThreeLineDisplayFrame(address, line1, line2, line3);
       }});

  CLI::App* voiceCodes = AddFrame(build, "voice-codes", "controller A7: voice clips by code", raw_);
  addAddress(voiceCodes);
  AddRequired(voiceCodes, "--codes", v.codes, "HEX", "clip codes (the first nine are sent)");
  frames_.push_back({voiceCodes, [&v] {
                       const std::int32_t address = ParseNumber("--address", v.address);
                       const auto codes = Codes(protocol::FrameKind::VoiceCodes, v.codes);
                       return protocol::BuildVoiceCodesFrame(address, codes);
                     }});

  CLI::App* voiceText = AddFrame(build, "voice-text", "controller A7: synthesised speech", raw_);
  addAddress(voiceText);
  AddRequired(voiceText, "--voice", v.voice, "N", "voice byte");
  AddRequired(voiceText, "--text", v.texts[0], "TEXT", "speech");
  frames_.push_back({voiceText, [&v] {
                       const std::int32_t address = ParseNumber("--address", v.address);
                       const std::int32_t voice = ParseNumber("--voice", v.voice);
                       const auto text = Text(protocol::FrameKind::VoiceText, "--text", v.texts[0]);
                       return protocol::BuildVoiceTextFrame(address, voice, text);
                     }});
}

void FrameCommands::AddSimpleLaneFrames(CLI::App& build) {
  Values& v = values_;

  CLI::App* oneLine = AddFrame(build, "one-line", "simple lane: one screen record", raw_);
  AddRequired(oneLine, "--number", v.numbers[0], "N", "line or screen number");
  AddRequired(oneLine, "--text", v.texts[0], "TEXT", "record text");
  frames_.push_back({oneLine, [&v] {
                       const std::int32_t number = ParseNumber("--number", v.numbers[0]);
                       const auto text =
                           Text(protocol::FrameKind::OneLineRecord, "--text", v.texts[0]);
                       return protocol::BuildOneLineRecord(number, text);
                     }});

  CLI::App* twoLine = AddFrame(build, "two-line", "simple lane: two screen records", raw_);
  CLI::App* fourLine = AddFrame(build, "four-line", "simple lane: four screen records", raw_);
  const auto addRecordOptions = [&v](CLI::App* frame, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::string record = "record " + std::to_string(i + 1);
      AddRequired(frame, kNumberOptions[i], v.numbers[i], "N", record + " line number");
      AddRequired(frame, kTextOptions[i], v.texts[i], "TEXT", record + " text");
    }
  };
  addRecordOptions(twoLine, 2);
  addRecordOptions(fourLine, 4);
  // Reads the first `count` records, refused when `kind` cannot carry their texts.
  const auto readRecords = [&v](protocol::FrameKind kind, std::size_t count, const char* together) {
    std::vector<Record> records;
    std::vector<SizedInput> sizes;
    for (std::size_t i = 0; i < count; ++i) {
      const std::int32_t number = ParseNumber(kNumberOptions[i], v.numbers[i]);
      records.push_back({number, Text(kind, kTextOptions[i], v.texts[i])});
      sizes.push_back({kTextOptions[i], records.back().text.size()});
    }
    RequireFits(kind, sizes, together);
    return records;
  };
  frames_.push_back(
      {twoLine, [readRecords] {
         const auto r =
             readRecords(protocol::FrameKind::TwoLineRecords, 2, "--text1 to --text2 together");
         return protocol::BuildTwoLineRecords(r[0].number, r[0].text, r[1].number, r[1].text);
       }});
  frames_.push_back({fourLine, [readRecords] {
                       const auto r = readRecords(protocol::FrameKind::FourLineRecords, 4,
                                                  "--text1 to --text4 together");
                       return protocol::BuildFourLineRecords(r[0].number, r[0].text, r[1].number,
                                                             r[1].text, r[2].number, r[2].text,
                                                             r[3].number, r[3].text);
                     }});

  CLI::App* boxCodes = AddFrame(build, "box-codes", "simple lane: voice box clips by code", raw_);
  AddRequired(boxCodes, "--box", v.box, "N", "voice box number");
  AddRequired(boxCodes, "--codes", v.codes, "HEX", "clip codes (the first nine are sent)");
  frames_.push_back({boxCodes, [&v] {
                       const std::int32_t box = ParseNumber("--box", v.box);
                       const auto codes = Codes(protocol::FrameKind::BoxVoiceCodes, v.codes);
                       return protocol::BuildBoxVoiceCodesFrame(box, codes);
                     }});

  CLI::App* boxText = AddFrame(build, "box-text", "simple lane: voice box speech", raw_);
  AddRequired(boxText, "--box", v.box, "N", "voice box number");
  AddRequired(boxText, "--text", v.texts[0], "TEXT", "speech");
  frames_.push_back({boxText, [&v] {
                       const std::int32_t box = ParseNumber("--box", v.box);
                       const auto text =
                           Text(protocol::FrameKind::BoxVoiceText, "--text", v.texts[0]);
                       return protocol::BuildBoxVoiceTextFrame(box, text);
                     }});

  CLI::App* speech = AddFrame(build, "speech", "the bare speech block", raw_);
  AddRequired(speech, "--text", v.texts[0], "TEXT", "speech");
  frames_.push_back({speech, [&v] {
                       return protocol::SpeechBlock(
                           Text(protocol::FrameKind::SpeechBlock, "--text", v.texts[0]));
                     }});
}

}  // namespace lanectl
