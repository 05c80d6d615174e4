#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "CardReader.h"
#include "LaneFaults.h"
#include "LaneLook.h"
#include "LaneTimings.h"
#include "PlateEvent.h"
#include "PlateGenerator.h"
#include "ScreenRouter.h"
#include "SerialDecoder.h"

namespace virtual_lane {

class SceneCamera;

// One emulated lane: controller (addresses 1–16), two-line, four-line and
// digit screens, voice box, barrier and card reader, fed through the camera's
// serial line. Lives on the GUI thread and drives itself with QTimers.
class Lane : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFirstControllerAddress = 1;
  static constexpr int kLastControllerAddress = 16;

  Lane(QString address, const LaneTimings& timings, QObject* parent = nullptr);
  ~Lane() override;

  const QString& Address() const { return address_; }

  // What the camera does to its lane.
  void ReceiveSerial(std::span<const std::uint8_t> bytes);
  void OpenGate();
  void CloseGate();
  // A car stands at the barrier now and is recognised; PlateRecognised
  // follows after plateDelayMs with the same event.
  std::shared_ptr<const PlateEvent> Recognise();
  // The current video frame, 1280×720, as JPEG; valid until the next call.
  const std::vector<std::uint8_t>& CaptureJpeg();

  bool GateOpen() const { return gateOpen_; }
  const std::array<QString, 2>& TwoLineScreen() const { return screens_.TwoLine(); }
  const std::array<QString, 4>& FourLineScreen() const { return screens_.FourLine(); }
  int DigitScreenNumber() const { return screens_.DigitNumber(); }
  const QString& DigitScreenText() const { return screens_.DigitText(); }
  VoiceKind LastVoice() const { return voice_.kind; }
  int VoiceBoxNumber() const { return voice_.box; }
  const QString& VoiceText() const { return voice_.text; }
  const std::vector<std::uint8_t>& VoiceCodes() const { return voice_.codes; }
  std::uint64_t LastCardRead() const { return lastCardRead_; }
  std::uint64_t CardOnReader() const { return cards_.OnReader(); }
  int ChecksumFaults() const { return checksumFaults_; }
  int CommandsAccepted() const { return commandsAccepted_; }
  const QString& PlateNumber() const { return plateNumber_; }
  const QString& PlateColor() const { return plateColor_; }

  // Everything the picture shows, as of now.
  LaneLook Look() const;

  // Takes effect at once; an unreachable spell starts now.
  void SetFaults(const LaneFaults& faults);
  const LaneFaults& Faults() const { return faults_; }
  bool Reachable() const { return Now() >= backOnlineAt_; }

 signals:
  // Bytes the lane's devices send back up the serial line.
  void SerialOut(const QByteArray& bytes);
  void PlateRecognised(const PlateEvent& event);
  // One line for every frame the lane understood and every fault it counted,
  // for a bus monitor.
  void Activity(const QString& line);

 protected:
  void connectNotify(const QMetaMethod& signal) override;
  void disconnectNotify(const QMetaMethod& signal) override;

 private:
  void Handle(const SerialMessage& message);
  void HandleController(const ControllerFrame& frame);
  // What the device did, or nothing when the body made no sense.
  std::optional<QString> HandleDisplay(ByteView body);
  std::optional<QString> HandleVoice(ByteView body);
  void SetGate(bool open);
  void AnswerReadCard(int address, std::uint16_t readArgument);
  void SendSerial(ByteView bytes);
  void Accepted();
  void CountFault(FaultKind kind);
  void SetVoice(VoiceState voice);
  double BarrierOpening() const;
  double CarProgress() const;
  void UpdateCarTimer();
  void CarArrives();
  qint64 Now() const { return clock_.elapsed(); }

  QString address_;
  LaneTimings timings_;
  QElapsedTimer clock_;
  SerialDecoder decoder_;
  ScreenRouter screens_;
  CardReader cards_;
  PlateGenerator plates_;
  VoiceState voice_;
  QString voiceSays_;
  bool gateOpen_ = false;
  double barrierFrom_ = 0;
  qint64 gateMovedAt_;
  std::uint64_t lastCardRead_ = 0;
  bool cardRead_ = false;
  int checksumFaults_ = 0;
  qint64 lastFaultAt_;
  int commandsAccepted_ = 0;
  int revision_ = 0;
  QString plateNumber_;
  QString plateColor_;
  qint64 carArrivedAt_;
  qint64 carPassesAt_;
  QTimer gateCloseTimer_;
  QTimer serialIdleTimer_;
  QTimer carTimer_;
  std::unique_ptr<SceneCamera> sceneCamera_;
  LaneFaults faults_;
  FaultInjector faultInjector_;
  qint64 backOnlineAt_;
};

}  // namespace virtual_lane
