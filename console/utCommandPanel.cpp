#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <array>
#include <stdexcept>

#include "../protocol/Controller.h"
#include "../protocol/Gbk.h"
#include "../protocol/HexDump.h"
#include "../protocol/Limits.h"
#include "../protocol/ScreenRecords.h"
#include "../protocol/VoiceBox.h"
#include "CommandTexts.h"
#include "RadioGroup.h"
#include "SelectorValue.h"
#include "utVideoStream.h"

namespace {

using namespace command_texts;

constexpr std::size_t kSendBufferBytes = 512;

constexpr int kSimpleLane = 0;
constexpr int kSpeechVoice = 0;
constexpr int kDefaultController = 1;
constexpr int kDefaultSimpleScreen = 254;
constexpr int kDefaultStandardScreen = 250;
constexpr int kDefaultSimpleVoice = 98;
constexpr int kDefaultStandardVoice = 1;
constexpr std::int32_t kGateOpenArgument = 5;
constexpr std::uint16_t kReadCardArgument = 100;
constexpr int kTestController = 1;
constexpr int kTestFirstPauseMs = 100;
constexpr int kTestSecondPauseMs = 300;

// Both lanes' voice devices take at most this much input.
static_assert(protocol::kMaxVoiceInputBytes == protocol::kMaxBoxVoiceInputBytes);
using VoiceWorkArea = std::array<std::uint8_t, protocol::kMaxVoiceInputBytes>;

// Voice input is staged in a zeroed work area and `count` bytes from its start
// are handed on, so a clip list shorter than nine codes reaches the device
// padded with zeros. Input that would not fit is refused, never cut.
protocol::Bytes StageVoiceInput(VoiceWorkArea& area, protocol::Bytes input, std::size_t count) {
  if (input.size() > area.size() || count > area.size()) {
    throw std::length_error("语音内容超出工作区");
  }
  std::ranges::copy(input, area.begin());
  return protocol::Bytes(area.data(), count);
}

std::vector<std::uint8_t> Gbk(const char* text) {
  return protocol::EncodeGbk(text);
}

QString DescribeReply(const protocol::ControllerReply& reply) {
  if (reply.Command == protocol::kCommandReadCard) {
    return QStringLiteral("读卡 控制器 %1: 卡号 %2").arg(reply.Address).arg(reply.CardNumber);
  }
  return QStringLiteral("控制器 %1: E3 数值 %2").arg(reply.Address).arg(reply.E3Value);
}

}  // namespace

bool TfmVideoStream::IsStandardLane() const {
  return rgpSystemType->ItemIndex() != kSimpleLane;
}

bool TfmVideoStream::IsSpeechVoice() const {
  return rgpVoiceType->ItemIndex() == kSpeechVoice;
}

int TfmVideoStream::ControllerAddress() const {
  return SelectorValue(cmbxControl->currentText(), kDefaultController);
}

int TfmVideoStream::ScreenNumber() const {
  return SelectorValue(cmbxScreen->currentText(),
                       IsStandardLane() ? kDefaultStandardScreen : kDefaultSimpleScreen);
}

int TfmVideoStream::VoiceNumber() const {
  return SelectorValue(cmbxVoice->currentText(),
                       IsStandardLane() ? kDefaultStandardVoice : kDefaultSimpleVoice);
}

void TfmVideoStream::SendFrame(const protocol::ByteFrame& frame, const QString& logPrefix,
                               const QString& sourceField) {
  if (frame.size() > kSendBufferBytes) {
    AppendMessage(QStringLiteral("未发送: 帧长 %1 字节, 超出 %2 字节的发送缓冲区%3")
                      .arg(frame.size())
                      .arg(kSendBufferBytes)
                      .arg(sourceField.isEmpty() ? QString() : ", 请缩短 " + sourceField));
    return;
  }
  std::array<std::uint8_t, kSendBufferBytes> buffer{};
  std::ranges::copy(frame.bytes, buffer.begin());
  sdk1->TransSerialPort(connectionHandle_, buffer.data(), static_cast<std::int32_t>(frame.size()));
  AppendMessage(logPrefix + QString::fromStdString(protocol::HexDumpLine(frame.view())));
}

std::optional<std::vector<std::uint8_t>> TfmVideoStream::FieldInGbk(const QLineEdit& field,
                                                                    const QString& name) {
  try {
    return protocol::EncodeGbk(field.text().toStdString());
  } catch (const protocol::TextEncodingError& error) {
    AppendMessage(QStringLiteral("未发送: %1 的内容无法用 GBK 编码 (%2)")
                      .arg(name, QString::fromStdString(error.what())));
    return std::nullopt;
  }
}

void TfmVideoStream::SendVoice(const char* simpleText, const char* standardText) {
  VoiceWorkArea area{};
  if (IsSpeechVoice()) {
    const auto text = Gbk(IsStandardLane() ? standardText : simpleText);
    const auto input = StageVoiceInput(area, text, text.size());
    SendFrame(IsStandardLane()
                  ? protocol::BuildVoiceTextFrame(ControllerAddress(), VoiceNumber(), input)
                  : protocol::BuildBoxVoiceTextFrame(VoiceNumber(), input));
    return;
  }
  const auto codes = IsStandardLane() ? kStandardClipCodes : kSimpleClipCodes;
  const auto input = StageVoiceInput(area, codes, protocol::kVoiceCodeCount);
  SendFrame(IsStandardLane() ? protocol::BuildVoiceCodesFrame(ControllerAddress(), input)
                             : protocol::BuildBoxVoiceCodesFrame(VoiceNumber(), input));
}

void TfmVideoStream::Button1Click() {
  if (IsStandardLane()) {
    SendFrame(protocol::BuildThreeLineDisplayFrame(ControllerAddress(), Gbk(kStandardTwoLine1),
                                                   Gbk(kStandardTwoLine2), Gbk(kStandardTwoLine3)));
  } else {
    SendFrame(protocol::BuildTwoLineRecords(1, Gbk(kSimpleTwoLine1), 2, Gbk(kSimpleTwoLine2)));
  }
}

void TfmVideoStream::Button4Click() {
  if (IsStandardLane()) {
    SendFrame(protocol::BuildThreeLineDisplayFrame(ControllerAddress(), Gbk(kStandardFourLine1),
                                                   Gbk(kStandardFourLine2),
                                                   Gbk(kStandardFourLine3)));
  } else {
    SendFrame(protocol::BuildFourLineRecords(1, Gbk(kSimpleFourLine[0]), 2, Gbk(kSimpleFourLine[1]),
                                             3, Gbk(kSimpleFourLine[2]), 4,
                                             Gbk(kSimpleFourLine[3])));
  }
}

void TfmVideoStream::Button5Click() {
  const QString field = QStringLiteral("edtSpaceCount");
  const auto spaceCount = FieldInGbk(*edtSpaceCount, field);
  if (!spaceCount) return;
  SendFrame(IsStandardLane()
                ? protocol::BuildCountDisplayFrame(ControllerAddress(), ScreenNumber(), *spaceCount)
                : protocol::BuildOneLineRecord(ScreenNumber(), *spaceCount),
            {}, field);
}

void TfmVideoStream::Button2Click() {
  SendVoice(kSimpleSpeech1, kStandardSpeech1);
}

void TfmVideoStream::BitBtn5Click() {
  SendVoice(kSimpleSpeech2, kStandardSpeech2);
}

void TfmVideoStream::BitBtn3Click() {
  if (IsStandardLane()) {
    SendFrame(protocol::BuildGateOpenFrame(ControllerAddress(), kGateOpenArgument));
  } else {
    sdk1->OpenGate(connectionHandle_);
  }
}

void TfmVideoStream::Button3Click() {
  if (IsStandardLane()) {
    SendFrame(protocol::BuildGateCloseFrame(ControllerAddress()));
  } else {
    AppendMessage(QString::fromUtf8(kNotInSimpleLane));
  }
}

void TfmVideoStream::BitBtn8Click() {
  if (IsStandardLane()) {
    SendFrame(protocol::BuildReadCardFrame(ControllerAddress(), kReadCardArgument),
              "发送 " + edtCameraIP->text() + ":");
  } else {
    AppendMessage(QString::fromUtf8(kNotInSimpleLane));
  }
}

void TfmVideoStream::chkReadCardClick() {
  if (chkReadCard->isChecked()) {
    tmReadCard->start();
  } else {
    tmReadCard->stop();
  }
}

void TfmVideoStream::tmReadCardTimer() {
  tmReadCard->stop();
  try {
    BitBtn8Click();
  } catch (...) {
    tmReadCard->start();
    throw;
  }
  tmReadCard->start();
}

void TfmVideoStream::BitBtn6Click() {
  SendFrame(protocol::BuildVoiceCodesFrame(kTestController, kTestGreetingCodes));
  seams_.pause(kTestFirstPauseMs);
  SendFrame(protocol::BuildThreeLineDisplayFrame(kTestController, Gbk(kTestPlate),
                                                 Gbk(kTestDuration), Gbk(kTestFee)));
  seams_.pause(kTestSecondPauseMs);
  SendFrame(protocol::BuildVoiceCodesFrame(kTestController, kTestClosingCodes));
}

void TfmVideoStream::sdk1ZELIPCSDKTransSerialPort(const QString& bstrIP, const std::uint8_t* nData,
                                                  std::int32_t nLen) {
  const std::size_t length = nData != nullptr && nLen > 0 ? static_cast<std::size_t>(nLen) : 0;
  const protocol::Bytes chunk(nData, length);
  AppendMessage("接收 " + bstrIP + ": " + QString::fromStdString(protocol::ReceivedDump(chunk)));
  protocol::ControllerReply reply;
  if (protocol::ParseControllerReply(chunk, reply) == protocol::kReplyDecoded) {
    AppendMessage(DescribeReply(reply));
  }
}
