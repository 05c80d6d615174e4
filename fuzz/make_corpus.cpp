// Writes the generated seed inputs of the fuzz targets under the directory
// given (normally fuzz/corpus). Inputs kept by hand, such as regression
// inputs, live beside them and are left alone.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Controller.h"
#include "Gbk.h"
#include "Limits.h"
#include "ScreenRecords.h"
#include "VoiceBox.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using NamedInput = std::pair<std::string, Bytes>;

Bytes Ascii(std::string_view text) {
  return Bytes(text.begin(), text.end());
}
Bytes Gbk(std::string_view utf8) {
  return protocol::EncodeGbk(utf8);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Truncated(Bytes bytes, std::size_t keep) {
  bytes.resize(std::min(keep, bytes.size()));
  return bytes;
}

Bytes BitFlipped(Bytes bytes, std::size_t offset, int bit) {
  bytes.at(offset) ^= static_cast<std::uint8_t>(1u << bit);
  return bytes;
}

void WriteAll(const fs::path& directory, const std::vector<NamedInput>& inputs) {
  fs::create_directories(directory);
  for (const auto& [name, bytes] : inputs) {
    std::ofstream file(directory / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + (directory / name).string());
  }
}

// The console's fixed texts, plus the texts of the hidden test command.
const std::vector<std::string> kConsoleTexts = {
    "第一行 两行屏",
    "第二行 两行屏",
    "第一行 四行屏",
    "第二行 四行屏",
    "第三行 四行屏",
    "第四行 四行屏",
    "粤B12345",
    "无需取卡 车牌自动识别",
    "一车一杆 冲杆后果自负",
    "欢迎光临",
    "[n1]粤B98X58 欢迎光临",
    "粤B8A888 请交费168元",
    "[n2]请交费18.88元",
    "简易系统不支持该功能",
    "粤K12345",
    "10元",
    "8时45分",
    "粤B8C312",
    "0时0分",
    "0.00",
};

const Bytes kStandardCodes = {0x28, 0x02, 0x14, 0x03, 0x13, 0x04, 0x12, 0x05, 0x11};
const Bytes kSimpleCodes = {0x02, 0x14, 0x03, 0x13, 0x04, 0x12, 0x05, 0x11, 0x00};

// Every kind of frame the builders make, with the console's own inputs.
std::vector<NamedInput> BuilderFrames() {
  return {
      {"gate-open", protocol::BuildGateOpenFrame(1, 5).bytes},
      {"gate-open-arg-0", protocol::BuildGateOpenFrame(16, 0).bytes},
      {"gate-close", protocol::BuildGateCloseFrame(1).bytes},
      {"read-card", protocol::BuildReadCardFrame(1, 100).bytes},
      {"count-display", protocol::BuildCountDisplayFrame(1, 250, Ascii("158")).bytes},
      {"count-display-9-bytes", protocol::BuildCountDisplayFrame(1, 250, Ascii("123456789")).bytes},
      {"count-display-0d-55",
       protocol::BuildCountDisplayFrame(1, 250, Bytes{0x31, 0x0D, 0x55}).bytes},
      {"three-line",
       protocol::BuildThreeLineDisplayFrame(1, Gbk("粤B12345"), Gbk("无需取卡 车牌自动识别"),
                                            Gbk("一车一杆 冲杆后果自负"))
           .bytes},
      {"voice-codes", protocol::BuildVoiceCodesFrame(1, kStandardCodes).bytes},
      {"voice-text", protocol::BuildVoiceTextFrame(1, 1, Gbk("[n1]粤B98X58 欢迎光临")).bytes},
      {"test-frame-1", protocol::BuildVoiceCodesFrame(1, Bytes{0x28, 0x01, 0x15}).bytes},
      {"test-frame-2",
       protocol::BuildThreeLineDisplayFrame(1, Gbk("粤B8C312"), Gbk("0时0分"), Gbk("0.00")).bytes},
      {"test-frame-3", protocol::BuildVoiceCodesFrame(1, Bytes{0x30}).bytes},
      {"one-line", protocol::BuildOneLineRecord(254, Ascii("158")).bytes},
      {"two-line",
       protocol::BuildTwoLineRecords(1, Gbk("第一行 两行屏"), 2, Gbk("第二行 两行屏")).bytes},
      {"four-line", protocol::BuildFourLineRecords(1, Gbk("第一行 四行屏"), 2, Gbk("第二行 四行屏"),
                                                   3, Gbk("第三行 四行屏"), 4, Gbk("第四行 四行屏"))
                        .bytes},
      {"box-codes", protocol::BuildBoxVoiceCodesFrame(98, kSimpleCodes).bytes},
      {"box-text", protocol::BuildBoxVoiceTextFrame(98, Gbk("欢迎光临")).bytes},
      {"speech", protocol::SpeechBlock(Ascii("abc")).bytes},
  };
}

Bytes CardReply(std::uint8_t address, Bytes card) {
  Bytes payload = std::move(card);
  payload.insert(payload.end(), {0x12, 0x34, 0x07, 0xAA, 0xBB, 0xCC, 0x00, 0x00, 0x00});
  return protocol::BuildControllerFrame(address, protocol::kCommandReadCard, payload).bytes;
}

Bytes ValueReply(std::uint8_t address, Bytes value) {
  return protocol::BuildControllerFrame(address, protocol::kReplyValue, value).bytes;
}

// What the controller answers, whole, cut, preceded by noise and bit-flipped.
std::vector<NamedInput> ControllerReplies() {
  const Bytes card = CardReply(1, {0x01, 0x02, 0x03, 0x04, 0x05});
  const Bytes value = ValueReply(1, {0x12, 0x34});
  const Bytes gateOpen = protocol::BuildGateOpenFrame(1, 5).bytes;
  return {
      {"reply-a2", card},
      {"reply-a2-largest-card", CardReply(16, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
      {"reply-a2-after-noise", Concat({{0x00, 0x11}, card})},
      {"reply-a2-last-byte-cut", Truncated(card, card.size() - 1)},
      {"reply-a2-after-noise-cut", Truncated(Concat({{0x00, 0x11}, card}), card.size() + 1)},
      {"reply-a2-byte1-flipped", BitFlipped(card, 1, 0)},
      {"reply-a2-command-flipped", BitFlipped(card, 11, 3)},
      {"reply-a2-crc-flipped", BitFlipped(card, 27, 7)},
      {"reply-a2-after-512", Concat({Bytes(520, 0x00), card})},
      {"reply-e3", value},
      {"reply-e3-value-cut", Truncated(value, 13)},
      {"reply-e3-after-noise", Concat({{0x55, 0x00, 0xD5}, value})},
      {"reply-e3-at-leading-55-without-d5", BitFlipped(value, 1, 4)},
      {"reply-d0-then-a2", Concat({gateOpen, card})},
      {"reply-a2-then-e3", Concat({card, value})},
      {"reply-leading-55-short", {0x55, 0xD5, 0x44}},
      {"reply-empty", {}},
  };
}

std::vector<NamedInput> ParseReplySeeds() {
  std::vector<NamedInput> seeds = ControllerReplies();
  for (auto& [name, bytes] : BuilderFrames()) seeds.emplace_back("frame-" + name, bytes);
  return seeds;
}

// A decoder input: chunk lengths (0 = the line goes quiet), then the stream.
Bytes Split(std::initializer_list<std::uint8_t> lengths, const Bytes& stream) {
  Bytes input{static_cast<std::uint8_t>(lengths.size())};
  input.insert(input.end(), lengths);
  input.insert(input.end(), stream.begin(), stream.end());
  return input;
}

std::vector<NamedInput> LaneDecoderSeeds() {
  const std::vector<NamedInput> frames = BuilderFrames();
  std::vector<NamedInput> seeds;
  Bytes everything;
  for (const auto& [name, bytes] : frames) {
    seeds.emplace_back("frame-" + name, Split({}, bytes));
    everything.insert(everything.end(), bytes.begin(), bytes.end());
  }
  const Bytes gateOpen = protocol::BuildGateOpenFrame(1, 5).bytes;
  const Bytes readCard = protocol::BuildReadCardFrame(1, 100).bytes;
  const Bytes record = protocol::BuildOneLineRecord(254, Ascii("158")).bytes;
  const Bytes speech = protocol::BuildBoxVoiceTextFrame(98, Gbk("欢迎光临")).bytes;
  const Bytes largest =
      protocol::BuildCountDisplayFrame(1, 250, Bytes(protocol::kMaxCountDisplayTextBytes, 0x38))
          .bytes;
  const Bytes tooLong =
      protocol::BuildCountDisplayFrame(1, 250, Bytes(protocol::kMaxCountDisplayTextBytes + 1, 0x38))
          .bytes;
  const std::vector<NamedInput> streams = {
      {"all-frames-in-one-chunk", Split({}, everything)},
      {"all-frames-byte-by-byte", Split({1}, everything)},
      {"all-frames-in-odd-chunks", Split({7, 3, 250, 1, 64}, everything)},
      {"quiet-inside-a-frame", Split({9, 0, 255}, Concat({gateOpen, readCard}))},
      {"garbage-then-frame", Split({}, Concat({{0x55, 0xD5, 0x00, 0x13, 0x05, 0x12}, gateOpen}))},
      {"header-crc-flipped-then-frame", Split({}, Concat({BitFlipped(gateOpen, 9, 0), readCard}))},
      {"body-crc-flipped-then-record", Split({}, Concat({BitFlipped(readCard, 15, 5), record}))},
      {"body-crc-flipped-quiet-record",
       Split({16, 0, 255}, Concat({BitFlipped(readCard, 15, 5), record}))},
      {"length-flipped", Split({}, Concat({BitFlipped(gateOpen, 8, 4), gateOpen}))},
      {"speech-check-flipped",
       Split({}, Concat({BitFlipped(speech, speech.size() - 2, 0), record}))},
      {"speech-end-missing", Split({}, Truncated(speech, speech.size() - 1))},
      {"record-cut-at-0d",
       Split({}, protocol::BuildOneLineRecord(1, Bytes{0x31, 0x0D, 0x32}).bytes)},
      {"clips-starting-fd",
       Split({}, protocol::BuildBoxVoiceCodesFrame(98, Bytes{0xFD, 0x00, 0x06}).bytes)},
      {"largest-controller-frame", Split({200}, largest)},
      {"controller-frame-too-long", Split({}, Concat({tooLong, gateOpen}))},
      {"truncated-then-quiet", Split({20, 0}, Concat({readCard, Truncated(gateOpen, 12)}))},
  };
  seeds.insert(seeds.end(), streams.begin(), streams.end());
  return seeds;
}

std::vector<NamedInput> GbkSeeds() {
  std::vector<NamedInput> seeds;
  for (std::size_t i = 0; i < kConsoleTexts.size(); ++i) {
    seeds.emplace_back("console-text-" + std::to_string(i + 1), Ascii(kConsoleTexts[i]));
  }
  const std::vector<NamedInput> others = {
      {"ascii", Ascii("158 [n1] abc")},    {"euro-and-middle-dot", Ascii("€·é")},
      {"kana-and-greek", Ascii("カナαβ")}, {"emoji", Ascii("粤B🚗")},
      {"hangul", Ascii("한글")},           {"nul-inside", {0x31, 0x00, 0x32}},
      {"overlong-slash", {0xC0, 0xAF}},    {"surrogate", {0xED, 0xA0, 0x80}},
      {"cut-character", {0xE7, 0xB2}},     {"gbk-not-utf8", Gbk("粤B12345")},
  };
  seeds.insert(seeds.end(), others.begin(), others.end());
  return seeds;
}

std::string Hex(const Bytes& bytes, std::string_view separator) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t byte : bytes) {
    if (!out.empty()) out += separator;
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

Bytes Arguments(std::initializer_list<std::string_view> args) {
  Bytes out;
  for (std::string_view arg : args) {
    if (!out.empty()) out.push_back(0);
    out.insert(out.end(), arg.begin(), arg.end());
  }
  return out;
}

std::vector<NamedInput> LaneCtlSeeds() {
  return {
      {"help", Arguments({"--help"})},
      {"gate-open", Arguments({"build", "gate-open", "--address", "1"})},
      {"gate-open-raw",
       Arguments({"build", "gate-open", "--address", "-1", "--arg", "0", "--raw"})},
      {"gate-close", Arguments({"build", "gate-close", "--address", "16"})},
      {"read-card", Arguments({"build", "read-card", "--address", "1", "--arg", "70000"})},
      {"count-display",
       Arguments({"build", "count-display", "--address", "1", "--screen", "250", "--text", "158"})},
      {"three-line", Arguments({"build", "three-line", "--address", "1", "--line1", "粤B12345",
                                "--line2", "无需取卡 车牌自动识别", "--line3", "hex:0D55"})},
      {"voice-codes", Arguments({"build", "voice-codes", "--address", "1", "--codes",
                                 "28 02 14 03 13 04 12 05 11"})},
      {"voice-text", Arguments({"build", "voice-text", "--address", "1", "--voice", "98", "--text",
                                "[n1]粤B98X58 欢迎光临"})},
      {"one-line", Arguments({"build", "one-line", "--number", "254", "--text", "hex:310D"})},
      {"two-line", Arguments({"build", "two-line", "--number1", "1", "--text1", "第一行 两行屏",
                              "--number2", "2", "--text2", "第二行 两行屏"})},
      {"four-line", Arguments({"build", "four-line", "--number1", "1", "--text1", "a", "--number2",
                               "2", "--text2", "b", "--number3", "3", "--text3", "c", "--number4",
                               "4", "--text4", "d"})},
      {"box-codes",
       Arguments({"build", "box-codes", "--box", "98", "--codes", "0214031304120511"})},
      {"box-text", Arguments({"build", "box-text", "--box", "98", "--text", "欢迎光临"})},
      {"speech", Arguments({"build", "speech", "--text", "abc"})},
      {"parse-a2", Arguments({"parse", Hex(CardReply(1, {0x01, 0x02, 0x03, 0x04, 0x05}), " ")})},
      {"parse-e3", Arguments({"parse", Hex(Concat({{0x00}, ValueReply(2, {0x12, 0x34})}), "")})},
      {"crc", Arguments({"crc", "31 32 33 34 35 36 37 38 39"})},
      {"bad-number-too-big", Arguments({"build", "gate-open", "--address", "2147483648"})},
      {"bad-number-text", Arguments({"build", "gate-close", "--address", "一"})},
      {"bad-hex-odd", Arguments({"build", "voice-codes", "--address", "1", "--codes", "ABC"})},
      {"bad-text-emoji", Arguments({"build", "speech", "--text", "🚗"})},
      {"bad-frame", Arguments({"build", "gate-opn", "--address", "1"})},
      {"bad-missing-option", Arguments({"build", "count-display", "--address", "1"})},
      {"bad-nothing", {}},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_corpus CORPUS_DIRECTORY\n";
    return 2;
  }
  const fs::path root = argv[1];
  WriteAll(root / "parse_reply", ParseReplySeeds());
  WriteAll(root / "lane_decoder", LaneDecoderSeeds());
  WriteAll(root / "gbk", GbkSeeds());
  WriteAll(root / "lanectl", LaneCtlSeeds());
  return 0;
}
