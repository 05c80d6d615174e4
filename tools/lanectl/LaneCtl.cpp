#include "LaneCtl.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "Controller.h"
#include "Crc16.h"
#include "FrameCommands.h"
#include "HexDump.h"
#include "InputValues.h"
#include "LaneVersion.h"

namespace {

constexpr int kNoAnswer = 1;
constexpr int kNoCamera = 1;
constexpr int kPlateRefused = 1;
constexpr int kBadInput = 2;

constexpr const char* kValueRules = R"(
Values:
  N     decimal integer that fits 32 bits signed, a leading minus allowed;
        one-byte fields take its low 8 bits, the read argument its low 16 bits
  HEX   pairs of hex digits, blanks allowed between pairs ("55 D5 44" or "55D544")
  TEXT  UTF-8, sent in GBK; "hex:0D 55" gives raw bytes instead
)";

constexpr const char* kOutputAndExamples = R"(
Output:
  build  the frame's hex dump line (a blank before each byte)
  parse  one line of JSON: {"result":1} when no reply is usable, else "result":0,
         "command", "address", and for an A2 reply "card_number", "value17",
         "low2_of_19", "bit2_of_19", "byte20", "byte21", "byte22", for an E3
         reply "e3_value" (all decimal)
  crc    the CRC-16 (initial FFFF, polynomial 8408) as four hex digits
  discover  each ONVIF camera as its answer arrives, one a line: address, name,
         hardware and service address separated by tabs, or with --json one
         object with "address", "name", "hardware", "service_address" and
         "endpoint"; status 1 when none answered
  plate  what the console raises from a plate message: the format that took it,
         plate, colour, confidence, camera, time, each picture's size and
         dimensions, and a notice for each picture it goes without; or "400"
         and the reason the console would answer, with status 1. The formats
         are the --map files in order, the shipped ones, then the built-in ones;
         the content type comes from a .json or .xml name unless given
Bad input prints one line starting "lanectl: " on stderr, nothing on stdout,
and exits with status 2.

Examples:
  lanectl build gate-open --address 1
  lanectl build three-line --address 1 --line1 粤B8C312 --line2 0时0分 --line3 0.00
  lanectl build box-text --box 98 --text 欢迎光临 --raw > /dev/ttyUSB0
  lanectl parse "55 D5 44 00 00 00 01 00 04 00 00 E3 12 34"
  lanectl crc 313233343536373839
  lanectl send --serial /dev/ttyUSB0 read-card --address 1
  lanectl send --serial tcp:192.168.1.200:4001 --wait 0 gate-open --address 1
  lanectl discover
  lanectl discover --to 192.168.1.64 --json
  lanectl plate --map east-gate.json captured.json
  lanectl plate --content-type 'multipart/form-data; boundary=xYz' alarm.bin)";

std::string JoinHexWords(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += word + ' ';
  return joined;
}

std::string ReplyJson(protocol::Bytes chunk) {
  protocol::ControllerReply reply;
  if (protocol::ParseControllerReply(chunk, reply) != protocol::kReplyDecoded) {
    return "{\"result\":1}";
  }
  std::string json = "{\"result\":0,\"command\":" + std::to_string(reply.Command) +
                     ",\"address\":" + std::to_string(reply.Address);
  if (reply.Command == protocol::kCommandReadCard) {
    json += ",\"card_number\":" + std::to_string(reply.CardNumber) +
            ",\"value17\":" + std::to_string(reply.Value17) +
            ",\"low2_of_19\":" + std::to_string(reply.Low2Of19) +
            ",\"bit2_of_19\":" + std::to_string(reply.Bit2Of19) +
            ",\"byte20\":" + std::to_string(reply.Byte20) +
            ",\"byte21\":" + std::to_string(reply.Byte21) +
            ",\"byte22\":" + std::to_string(reply.Byte22);
  } else {
    json += ",\"e3_value\":" + std::to_string(reply.E3Value);
  }
  return json + "}";
}

std::string CrcText(protocol::Bytes bytes) {
  const auto count = static_cast<std::int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
  char text[8];
  std::snprintf(
      text, sizeof text, "%04X",
      protocol::CalcCrc16(protocol::kCrcInitial, protocol::kCrcPolynomial, bytes, count, 0));
  return text;
}

// CLI11 reports an unknown or absent command word only as a missing subcommand.
std::string Explain(const CLI::ParseError& error, const CLI::App& app, const CLI::App& build) {
  const bool atTop = app.get_subcommands().empty();
  const bool atBuild = build.parsed() && build.get_subcommands().empty();
  if (error.get_name() != "RequiredError" || !(atTop || atBuild)) return error.what();

  const std::vector<std::string> left = atTop ? app.remaining() : build.remaining();
  const std::string what = atTop ? "command (build, parse, crc, send, plate, discover or camera)"
                                 : "frame (see lanectl --help)";
  if (left.empty()) return "missing " + what;
  return "\"" + left.front() + "\" is not a " + what;
}

// A message may quote the user's input; keep it on one line.
int Refuse(std::ostream& err, std::string message) {
  std::replace_if(
      message.begin(), message.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  err << "lanectl: " << message << '\n';
  return kBadInput;
}

}  // namespace

int RunLaneCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const lanectl::FrameSender& sender, const lanectl::PlateChecker& checkPlate,
               const lanectl::CameraSearcher& searchCameras,
               const lanectl::CameraRunner& askCamera) {
  CLI::App app("Builds lane frames, decodes controller replies and computes checksums.", "lanectl");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("lanectl ") + kLaneVersion, "print the version");

  CLI::App* build = app.add_subcommand("build", "print a frame: lanectl build FRAME OPTIONS");
  build->require_subcommand(1);
  const lanectl::FrameCommands frames(*build);
  app.footer("\n" + frames.Synopsis() + kValueRules + kOutputAndExamples);
  build->footer("\n" + frames.Synopsis() + kValueRules);
  for (CLI::App* frame : build->get_subcommands({})) frame->footer(kValueRules);

  std::vector<std::string> parseWords;
  CLI::App* parse = app.add_subcommand("parse", "decode a controller reply: lanectl parse HEX");
  parse->add_option("HEX", parseWords, "the received chunk")->required()->type_name("HEX");

  lanectl::SendRequest request;
  CLI::App* send = app.add_subcommand(
      "send",
      "put a frame on a real line and wait for the answer: lanectl send LINE FRAME OPTIONS");
  send->require_subcommand(1);
  send->fallthrough();
  send->add_option("--serial", request.port, "a tty or tcp:HOST:PORT (a serial device server)")
      ->required()
      ->type_name("PORT");
  send->add_option("--baud", request.baud, "bits per second")
      ->type_name("N")
      ->capture_default_str();
  send->add_option("--data-bits", request.dataBits, "5 to 8")
      ->type_name("N")
      ->capture_default_str();
  send->add_option("--parity", request.parity, "none, even or odd")
      ->type_name("P")
      ->capture_default_str();
  send->add_option("--stop-bits", request.stopBits, "1 or 2")
      ->type_name("N")
      ->capture_default_str();
  send->add_option("--rx-gap", request.rxGap,
                   "bytes less than MS apart are one chunk (default: from the rate)")
      ->type_name("MS");
  send->add_flag("--discard-echo", request.discardEcho,
                 "drop what a half-duplex adapter hands back of the frame");
  std::string wait = std::to_string(request.waitMs);
  send->add_option("--wait", wait, "milliseconds to wait for the answer, 0: none")
      ->type_name("MS")
      ->capture_default_str();
  const lanectl::FrameCommands sendFrames(*send);

  std::vector<std::string> crcWords;
  CLI::App* crc = app.add_subcommand("crc", "CRC-16 of some bytes: lanectl crc HEX");
  crc->add_option("HEX", crcWords, "the bytes")->required()->type_name("HEX");

  lanectl::PlateCheckRequest plateCheck;
  CLI::App* plate = app.add_subcommand(
      "plate",
      "what the console raises from a captured plate message: lanectl plate [--map FILE]... "
      "[--content-type TYPE] BODY_FILE");
  plate->add_option("--map", plateCheck.maps, "a mapping file, tried before the others; repeatable")
      ->type_name("FILE");
  plate
      ->add_option("--content-type", plateCheck.contentType,
                   "the body's Content-Type as posted, multipart with its boundary")
      ->type_name("TYPE");
  plate->add_option("BODY_FILE", plateCheck.bodyFile, "the message's body, byte for byte")
      ->required()
      ->type_name("BODY_FILE");

  lanectl::DiscoverRequest discoverRequest;
  std::string discoverTimeout = std::to_string(discoverRequest.timeoutMs);
  CLI::App* discover = app.add_subcommand(
      "discover",
      "find ONVIF cameras by WS-Discovery: lanectl discover [--timeout MS] [--to ADDRESS]... "
      "[--json]");
  discover->add_option("--timeout", discoverTimeout, "milliseconds to listen for answers")
      ->type_name("MS")
      ->capture_default_str();
  discover
      ->add_option("--to", discoverRequest.to,
                   "ask only this IPv4 address, at port 3702 or ADDRESS:PORT; repeatable. "
                   "Without it, the multicast group 239.255.255.250 on every IPv4 interface "
                   "that is up")
      ->type_name("ADDRESS");
  discover->add_flag("--json", discoverRequest.json, "one JSON object a line");

  lanectl::CameraRequest cameraRequest;
  std::string gatePulse = std::to_string(cameraRequest.gatePulseMs);
  CLI::App* camera = app.add_subcommand(
      "camera",
      "ask an ONVIF camera: lanectl camera URL info|snapshot FILE|gate|time-sync; the password "
      "from LANECONSOLE_CAMERA_PASSWORD");
  camera->add_option("URL", cameraRequest.url, "onvif://[USER@]ADDRESS[:PORT][/PATH]")
      ->required()
      ->type_name("URL");
  camera->add_option("ACTION", cameraRequest.action, "info, snapshot, gate or time-sync")
      ->required()
      ->check(CLI::IsMember({"info", "snapshot", "gate", "time-sync"}))
      ->type_name("ACTION");
  camera->add_option("FILE", cameraRequest.file, "snapshot: where the picture goes")
      ->type_name("FILE");
  camera->add_option("--profile", cameraRequest.profile, "the media profile (default: the first)")
      ->type_name("NAME_OR_TOKEN");
  camera->add_option("--relay", cameraRequest.relay, "gate: the relay output (default: the first)")
      ->type_name("TOKEN");
  camera->add_option("--gate-pulse", gatePulse, "gate: how long the relay stays active")
      ->type_name("MS")
      ->capture_default_str();

  try {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);

    std::string output;
    if (build->parsed()) {
      const protocol::ByteFrame frame = frames.BuildParsedFrame();
      output = frames.Raw() ? std::string(frame.bytes.begin(), frame.bytes.end())
                            : protocol::HexDumpLine(frame.view()) + '\n';
    } else if (parse->parsed()) {
      output = ReplyJson(lanectl::ParseHex("HEX", JoinHexWords(parseWords))) + '\n';
    } else if (crc->parsed()) {
      output = CrcText(lanectl::ParseHex("HEX", JoinHexWords(crcWords))) + '\n';
    } else if (send->parsed()) {
      request.frame = sendFrames.BuildParsedFrame().bytes;
      request.waitMs = lanectl::ParseNumber("--wait", wait);
      if (request.waitMs < 0) throw lanectl::UsageError("--wait: a time cannot be negative");
      if (!sender) throw lanectl::UsageError("send: no serial line support in this build");
      const lanectl::SendOutcome outcome = sender(request);
      switch (outcome.kind) {
        case lanectl::SendOutcome::Kind::BadRequest:
          return Refuse(err, outcome.problem);
        case lanectl::SendOutcome::Kind::NoAnswer:
          err << "lanectl: " << outcome.problem << '\n';
          return kNoAnswer;
        case lanectl::SendOutcome::Kind::Sent:
          break;
        case lanectl::SendOutcome::Kind::Answered:
          output = protocol::HexDumpLine(outcome.received) + '\n';
          if (protocol::ControllerReply reply;
              protocol::ParseControllerReply(outcome.received, reply) == protocol::kReplyDecoded) {
            output += ReplyJson(outcome.received) + '\n';
          }
          break;
      }
    } else if (plate->parsed()) {
      if (!checkPlate) throw lanectl::UsageError("plate: no plate formats in this build");
      const lanectl::PlateCheckOutcome outcome = checkPlate(plateCheck);
      if (outcome.kind == lanectl::PlateCheckOutcome::Kind::BadInput) {
        return Refuse(err, outcome.text);
      }
      out << outcome.text;
      return outcome.kind == lanectl::PlateCheckOutcome::Kind::Refused ? kPlateRefused : 0;
    } else if (camera->parsed()) {
      cameraRequest.gatePulseMs = lanectl::ParseNumber("--gate-pulse", gatePulse);
      if (cameraRequest.gatePulseMs <= 0) {
        throw lanectl::UsageError("--gate-pulse: a time must be positive");
      }
      if ((cameraRequest.action == "snapshot") == cameraRequest.file.empty()) {
        throw lanectl::UsageError(cameraRequest.file.empty() ? "camera snapshot needs a FILE"
                                                             : "only camera snapshot takes a FILE");
      }
      if (!askCamera) throw lanectl::UsageError("camera: no network support in this build");
      const int status = askCamera(cameraRequest, out, err);
      if (status != 0) return status;
    } else if (discover->parsed()) {
      discoverRequest.timeoutMs = lanectl::ParseNumber("--timeout", discoverTimeout);
      if (discoverRequest.timeoutMs <= 0) {
        throw lanectl::UsageError("--timeout: a time must be positive");
      }
      if (!searchCameras) throw lanectl::UsageError("discover: no network support in this build");
      const lanectl::DiscoverOutcome outcome = searchCameras(discoverRequest, out, err);
      switch (outcome.kind) {
        case lanectl::DiscoverOutcome::Kind::BadRequest:
          return Refuse(err, outcome.problem);
        case lanectl::DiscoverOutcome::Kind::NoneFound:
          err << "lanectl: " << outcome.problem << '\n';
          return kNoCamera;
        case lanectl::DiscoverOutcome::Kind::Found:
          break;
      }
    }
    out.write(output.data(), static_cast<std::streamsize>(output.size()));
    return 0;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << '\n';
    return 0;
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    return Refuse(err, Explain(error, app, *build));
  } catch (const std::exception& error) {
    return Refuse(err, error.what());
  }
}
