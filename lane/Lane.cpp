#include "Lane.h"

#include <QDateTime>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <limits>

#include "DeviceBodies.h"
#include "Gbk.h"
#include "SceneCamera.h"

namespace virtual_lane {
namespace {

constexpr std::uint8_t kGateOpen = 0xD0;
constexpr std::uint8_t kGateClose = 0xD1;
constexpr std::uint8_t kReadCard = 0xA2;
constexpr std::uint8_t kDisplay = 0xA6;
constexpr std::uint8_t kVoice = 0xA7;
constexpr std::uint8_t kSpeechMarker = 0xFD;
constexpr std::size_t kVoiceCodes = 9;

constexpr qint64 kLongAgo = -1'000'000;
constexpr qint64 kNever = std::numeric_limits<qint64>::max() / 2;
constexpr double kArmSwingMs = 1000;
constexpr qint64 kCarApproachMs = 1500;
constexpr qint64 kCarPassesAfterOpenMs = 1100;  // the arm is all the way up
constexpr double kCarLeavesMs = 1500;
constexpr double kFaultFlashMs = 800;
constexpr float kPlateConfidence = 0.97F;
constexpr std::uint32_t kFaultSeed = 0x5EEDFA17;

QString Text(ByteView gbk) {
  return QString::fromStdString(protocol::DecodeGbk(gbk));
}

// Speech texts carry synthesiser tags such as [n1]; they are not spoken.
QString Spoken(const VoiceState& voice) {
  if (voice.kind == VoiceKind::Clips) {
    QString codes;
    for (std::uint8_t code : voice.codes)
      codes += QStringLiteral(" %1").arg(int{code}, 2, 16, QLatin1Char('0'));
    return QStringLiteral("播放片段") + codes.toUpper();
  }
  static const QRegularExpression tag(QStringLiteral("\\[[a-z]\\d*\\]"));
  return QString(voice.text).remove(tag);
}

QString HexByte(std::uint8_t byte) {
  return QStringLiteral("%1").arg(int{byte}, 2, 16, QLatin1Char('0')).toUpper();
}

QString Quoted(const QString& text) {
  return QLatin1Char('"') + text + QLatin1Char('"');
}

template <std::size_t N>
QString ScreenShows(const char* screen, const std::array<QString, N>& lines) {
  QStringList quoted;
  for (const QString& line : lines) quoted << Quoted(line);
  return QLatin1String(screen) + QStringLiteral(": ") + quoted.join(QStringLiteral(" / "));
}

QString VoiceDid(const VoiceState& voice) {
  if (voice.kind == VoiceKind::Speech) return QStringLiteral("speech ") + Quoted(voice.text);
  QString codes = QStringLiteral("clips");
  for (std::uint8_t code : voice.codes) codes += QLatin1Char(' ') + HexByte(code);
  return codes;
}

QString FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::HeaderChecksum:
      return QStringLiteral("header checksum");
    case FaultKind::BodyChecksum:
      return QStringLiteral("body checksum");
    case FaultKind::Length:
      return QStringLiteral("impossible length");
    case FaultKind::SpeechCheck:
      return QStringLiteral("speech check");
    case FaultKind::Truncated:
      return QStringLiteral("truncated frame");
  }
  return QStringLiteral("unknown");
}

}  // namespace

Lane::Lane(QString address, const LaneTimings& timings, QObject* parent)
    : QObject(parent),
      address_(std::move(address)),
      timings_(timings),
      decoder_([this](const SerialMessage& message) { Handle(message); }),
      plates_(static_cast<std::uint32_t>(qHash(address_))),
      gateMovedAt_(kLongAgo),
      lastFaultAt_(kLongAgo),
      carArrivedAt_(kLongAgo),
      carPassesAt_(kLongAgo),
      sceneCamera_(std::make_unique<SceneCamera>()),
      faultInjector_(static_cast<std::uint32_t>(qHash(address_)) ^ kFaultSeed),
      backOnlineAt_(kLongAgo) {
  clock_.start();
  gateCloseTimer_.setSingleShot(true);
  gateCloseTimer_.setInterval(timings_.gateCloseDelayMs);
  connect(&gateCloseTimer_, &QTimer::timeout, this, [this] { SetGate(false); });
  serialIdleTimer_.setSingleShot(true);
  serialIdleTimer_.setInterval(timings_.serialIdleMs);
  connect(&serialIdleTimer_, &QTimer::timeout, this, [this] {
    decoder_.EndOfBurst();
    screens_.EndRun();
  });
  carTimer_.setInterval(timings_.carPeriodMs);
  connect(&carTimer_, &QTimer::timeout, this, &Lane::CarArrives);
}

Lane::~Lane() = default;

void Lane::ReceiveSerial(std::span<const std::uint8_t> bytes) {
  decoder_.Feed(bytes);
  serialIdleTimer_.start();
}

void Lane::OpenGate() {
  SetGate(true);
}

void Lane::CloseGate() {
  SetGate(false);
}

std::shared_ptr<const PlateEvent> Lane::Recognise() {
  plateNumber_ = plates_.Next();
  plateColor_ = QStringLiteral("蓝");
  carArrivedAt_ = Now();
  carPassesAt_ = gateOpen_ ? carArrivedAt_ + kCarApproachMs : kNever;

  auto event = std::make_shared<PlateEvent>();
  event->number = plateNumber_;
  event->color = plateColor_;
  event->confidence = kPlateConfidence;
  event->captureTime = static_cast<std::int32_t>(QDateTime::currentSecsSinceEpoch());
  LaneLook look = Look();
  look.carProgress = 1;
  look.faultFlash = 0;  // the flash is the lane's overlay, not in front of the camera
  sceneCamera_->Photograph(look, *event);
  faultInjector_.SpoilPictures(faults_.pictures, *event);
  QTimer::singleShot(timings_.plateDelayMs, this, [this, event] { emit PlateRecognised(*event); });
  return event;
}

const std::vector<std::uint8_t>& Lane::CaptureJpeg() {
  return sceneCamera_->Snapshot(Look());
}

LaneLook Lane::Look() const {
  LaneLook look;
  look.address = address_;
  look.barrierOpening = BarrierOpening();
  look.carProgress = CarProgress();
  look.plateNumber = plateNumber_;
  look.twoLine = screens_.TwoLine();
  look.fourLine = screens_.FourLine();
  look.digitNumber = screens_.DigitNumber();
  look.digitText = screens_.DigitText();
  look.voiceSays = voiceSays_;
  look.cardRead = cardRead_;
  look.lastCard = lastCardRead_;
  look.faultFlash = std::max(0.0, 1 - (Now() - lastFaultAt_) / kFaultFlashMs);
  look.revision = revision_;
  return look;
}

void Lane::Handle(const SerialMessage& message) {
  if (!std::holds_alternative<ScreenRecord>(message)) screens_.EndRun();
  if (const auto* frame = std::get_if<ControllerFrame>(&message)) {
    HandleController(*frame);
  } else if (const auto* record = std::get_if<ScreenRecord>(&message)) {
    screens_.Record(record->number, Text(record->text));
    Accepted();
    if (record->number >= 1 && record->number <= 2) {
      emit Activity(ScreenShows("two-line screen", screens_.TwoLine()));
    } else if (record->number >= 3 && record->number <= 4) {
      emit Activity(ScreenShows("four-line screen", screens_.FourLine()));
    } else {
      emit Activity(QStringLiteral("screen %1: ").arg(int{record->number}) +
                    Quoted(screens_.DigitText()));
    }
  } else if (const auto* clips = std::get_if<VoiceClips>(&message)) {
    SetVoice({VoiceKind::Clips, clips->box, {}, {clips->codes.begin(), clips->codes.end()}});
    Accepted();
    emit Activity(QStringLiteral("voice box %1: ").arg(int{clips->box}) + VoiceDid(voice_));
  } else if (const auto* speech = std::get_if<VoiceSpeech>(&message)) {
    SetVoice({VoiceKind::Speech, speech->box, Text(speech->text), {}});
    Accepted();
    emit Activity(QStringLiteral("voice box %1: ").arg(int{speech->box}) + VoiceDid(voice_));
  } else {
    CountFault(std::get<DecodeFault>(message).kind);
  }
}

// Frames for an address no controller has are not for this lane.
void Lane::HandleController(const ControllerFrame& frame) {
  const QString controller = QStringLiteral("controller %1: ").arg(frame.address);
  if (frame.address < kFirstControllerAddress || frame.address > kLastControllerAddress) {
    emit Activity(controller + QStringLiteral("not on this lane"));
    return;
  }
  std::optional<QString> did;
  switch (frame.command) {
    case kGateOpen:
      SetGate(true);
      did = QStringLiteral("gate open");
      break;
    case kGateClose:
      SetGate(false);
      did = QStringLiteral("gate close");
      break;
    case kReadCard:
      if (frame.payload.size() != 2) break;
      AnswerReadCard(frame.address, (frame.payload[0] << 8) | frame.payload[1]);
      Accepted();
      return;  // told when the answer goes out
    case kDisplay:
      did = HandleDisplay(frame.payload);
      break;
    case kVoice:
      did = HandleVoice(frame.payload);
      break;
    default:
      break;
  }
  if (!did) {
    emit Activity(controller + QStringLiteral("command %1 ignored").arg(HexByte(frame.command)));
    return;
  }
  Accepted();
  emit Activity(controller + *did);
}

std::optional<QString> Lane::HandleDisplay(ByteView body) {
  const auto display = ReadDisplayBody(body);
  if (!display) return std::nullopt;
  if (!display->lines) {
    const ScreenRecord& record = display->records.front();
    screens_.Digit(record.number, Text(record.text));
    return QStringLiteral("screen %1: ").arg(int{record.number}) + Quoted(screens_.DigitText());
  }
  std::vector<LineText> lines;
  bool fourLine = false;
  for (const auto& record : display->records) {
    lines.push_back({record.number, Text(record.text)});
    fourLine = fourLine || record.number > 2;
  }
  screens_.Lines(lines);
  return fourLine ? ScreenShows("four-line screen", screens_.FourLine())
                  : ScreenShows("two-line screen", screens_.TwoLine());
}

// Nine clip codes, or the voice byte and a speech block.
std::optional<QString> Lane::HandleVoice(ByteView body) {
  if (body.size() > 1 && body[1] == kSpeechMarker) {
    const SpeechText speech = ReadSpeechBlock(body.subspan(1));
    if (speech.verdict == SpeechVerdict::Ok) {
      SetVoice({VoiceKind::Speech, body[0], Text(speech.text), {}});
      return QStringLiteral("voice ") + VoiceDid(voice_);
    }
    if (body.size() != kVoiceCodes) {
      if (speech.verdict == SpeechVerdict::BadCheck) CountFault(FaultKind::SpeechCheck);
      return std::nullopt;
    }
  }
  if (body.size() != kVoiceCodes) return std::nullopt;
  SetVoice({VoiceKind::Clips, 0, {}, {body.begin(), body.end()}});
  return QStringLiteral("voice ") + VoiceDid(voice_);
}

void Lane::SetGate(bool open) {
  if (open) {
    gateCloseTimer_.start();  // a second open holds the arm up longer
  } else {
    gateCloseTimer_.stop();
  }
  if (open == gateOpen_) return;
  barrierFrom_ = BarrierOpening();
  gateMovedAt_ = Now();
  gateOpen_ = open;
  if (open && carPassesAt_ == kNever) {
    carPassesAt_ = std::max(gateMovedAt_ + kCarPassesAfterOpenMs, carArrivedAt_ + kCarApproachMs);
  }
}

void Lane::AnswerReadCard(int address, std::uint16_t readArgument) {
  QTimer::singleShot(timings_.cardReplyDelayMs, this, [this, address, readArgument] {
    lastCardRead_ = cards_.Take();
    cardRead_ = true;
    ++revision_;
    SendSerial(BuildCardReply(address, lastCardRead_, readArgument));
    emit Activity(QStringLiteral("controller %1: read card, answered card %2")
                      .arg(address)
                      .arg(lastCardRead_));
  });
}

void Lane::SendSerial(ByteView bytes) {
  for (const QByteArray& chunk : faultInjector_.SerialChunks(faults_.serial, bytes))
    emit SerialOut(chunk);
}

void Lane::SetFaults(const LaneFaults& faults) {
  faults_ = faults;
  backOnlineAt_ = faults.unreachableMs > 0 ? Now() + faults.unreachableMs : kLongAgo;
}

void Lane::Accepted() {
  ++commandsAccepted_;
  ++revision_;
}

void Lane::CountFault(FaultKind kind) {
  ++checksumFaults_;
  lastFaultAt_ = Now();
  emit Activity(QStringLiteral("fault: %1 (%2 so far)").arg(FaultName(kind)).arg(checksumFaults_));
}

void Lane::SetVoice(VoiceState voice) {
  voice_ = std::move(voice);
  voiceSays_ = Spoken(voice_);
}

double Lane::BarrierOpening() const {
  const double swing = std::min(1.0, (Now() - gateMovedAt_) / kArmSwingMs);
  const double target = gateOpen_ ? 1 : 0;
  return barrierFrom_ + (target - barrierFrom_) * swing;
}

double Lane::CarProgress() const {
  const qint64 now = Now();
  if (now < carPassesAt_) {
    return std::min(1.0, static_cast<double>(now - carArrivedAt_) / kCarApproachMs);
  }
  const double leaving = (now - carPassesAt_) / kCarLeavesMs;
  return leaving < 1 ? 1 + leaving : -1;
}

// Qt may call these with its connection lock held, which isSignalConnected
// takes again: a watcher's destruction deadlocked. The timer follows a moment later.
void Lane::connectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&Lane::PlateRecognised)) {
    QMetaObject::invokeMethod(this, &Lane::UpdateCarTimer, Qt::QueuedConnection);
  }
}

void Lane::disconnectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&Lane::PlateRecognised)) {
    QMetaObject::invokeMethod(this, &Lane::UpdateCarTimer, Qt::QueuedConnection);
  }
}

// Cars come only while someone watches for plates.
void Lane::UpdateCarTimer() {
  const bool watched = timings_.carPeriodMs > 0 &&
                       isSignalConnected(QMetaMethod::fromSignal(&Lane::PlateRecognised));
  if (!watched) {
    carTimer_.stop();
  } else if (!carTimer_.isActive()) {
    carTimer_.start();
  }
}

void Lane::CarArrives() {
  UpdateCarTimer();
  if (!carTimer_.isActive()) return;
  // Runs from a timer: an error escaping here would end the program. A car
  // whose pictures cannot be made simply goes unrecognised.
  try {
    Recognise();
  } catch (const std::exception&) {
  }
}

}  // namespace virtual_lane
