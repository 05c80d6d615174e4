#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <array>
#include <stdexcept>

#include "../protocol/HexDump.h"
#include "../protocol/ReplyDescription.h"
#include "RadioGroup.h"
#include "utVideoStream.h"

namespace {

constexpr int kSimpleLane = 0;
constexpr int kSpeechVoice = 0;
constexpr int kTestFirstPauseMs = 100;
constexpr int kTestSecondPauseMs = 300;

}  // namespace

protocol::PanelSelections TfmVideoStream::Selections() const {
  return {
      .lane = rgpSystemType->ItemIndex() == kSimpleLane ? protocol::LaneType::Simple
                                                        : protocol::LaneType::Standard,
      .voice = rgpVoiceType->ItemIndex() == kSpeechVoice ? protocol::VoiceType::Speech
                                                         : protocol::VoiceType::Clips,
      .controller = cmbxControl->currentText().toStdString(),
      .screen = cmbxScreen->currentText().toStdString(),
      .voiceNumber = cmbxVoice->currentText().toStdString(),
      .spaceCount = edtSpaceCount->text().toStdString(),
  };
}

void TfmVideoStream::RunPanelCommand(protocol::PanelCommand command, const QString& logPrefix) {
  const protocol::PanelAction action = protocol::PlanPanelCommand(command, Selections());
  switch (action.kind) {
    case protocol::PanelAction::Kind::SendFrame:
      SendFrame(action.frame, logPrefix);
      break;
    case protocol::PanelAction::Kind::CameraOpensGate:
      sdk1->OpenGate(connectionHandle_);
      break;
    case protocol::PanelAction::Kind::Refuse:
      AppendMessage(QString::fromStdString(action.notice));
      break;
  }
}

void TfmVideoStream::SendFrame(const protocol::ByteFrame& frame, const QString& logPrefix) {
  std::array<std::uint8_t, protocol::kSendBufferBytes> buffer{};
  if (frame.size() > buffer.size()) throw std::length_error("frame larger than the send buffer");
  std::ranges::copy(frame.bytes, buffer.begin());
  sdk1->TransSerialPort(connectionHandle_, buffer.data(), static_cast<std::int32_t>(frame.size()));
  AppendMessage(logPrefix + QString::fromStdString(protocol::HexDumpLine(frame.view())));
}

void TfmVideoStream::Button1Click() {
  RunPanelCommand(protocol::PanelCommand::TwoLineScreen);
}

void TfmVideoStream::Button4Click() {
  RunPanelCommand(protocol::PanelCommand::FourLineScreen);
}

void TfmVideoStream::Button5Click() {
  RunPanelCommand(protocol::PanelCommand::DigitScreen);
}

void TfmVideoStream::Button2Click() {
  RunPanelCommand(protocol::PanelCommand::Voice1);
}

void TfmVideoStream::BitBtn5Click() {
  RunPanelCommand(protocol::PanelCommand::Voice2);
}

void TfmVideoStream::BitBtn3Click() {
  RunPanelCommand(protocol::PanelCommand::OpenGate);
}

void TfmVideoStream::Button3Click() {
  RunPanelCommand(protocol::PanelCommand::CloseGate);
}

void TfmVideoStream::BitBtn8Click() {
  RunPanelCommand(protocol::PanelCommand::ReadCard, "发送 " + edtCameraIP->text() + ":");
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
  const auto frames = protocol::TestSequenceFrames();
  SendFrame(frames[0]);
  seams_.pause(kTestFirstPauseMs);
  SendFrame(frames[1]);
  seams_.pause(kTestSecondPauseMs);
  SendFrame(frames[2]);
}

void TfmVideoStream::sdk1ZELIPCSDKTransSerialPort(const QString& bstrIP, const std::uint8_t* nData,
                                                  std::int32_t nLen) {
  const std::size_t length = nData != nullptr && nLen > 0 ? static_cast<std::size_t>(nLen) : 0;
  const protocol::Bytes chunk(nData, length);
  AppendMessage("接收 " + bstrIP + ": " + QString::fromStdString(protocol::ReceivedDump(chunk)));
  for (const protocol::ReceivedFrame& frame : replies_.Feed(chunk)) {
    if (const auto line = protocol::DescribeReceivedFrame(frame)) {
      AppendMessage(QString::fromStdString(*line));
    }
  }
}
