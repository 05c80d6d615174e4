#include "SerialLine.h"

#include "ByteTransport.h"
#include "TcpTransport.h"
#include "TtyTransport.h"

namespace field {
namespace {

// Owned by the thread once moved there: it is deleted when the thread finishes.
ByteTransport* MakeTransport(const LineSettings& settings) {
  if (settings.IsDeviceServer()) return new TcpTransport(settings);
  return new TtyTransport(settings);
}

}  // namespace

SerialLine::SerialLine(LineSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), problem_(QStringLiteral("not opened yet")) {
  thread_.setObjectName(QStringLiteral("serial line"));
  transport_ = MakeTransport(settings_);
  transport_->SetReceiveGap(settings_.RxGapMs());
  transport_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, transport_, &QObject::deleteLater);
  connect(transport_, &ByteTransport::Readable, this, [this] {
    for (const QByteArray& chunk : transport_->TakeReceived()) {
      if (!running_) continue;
      const QByteArray answer = settings_.discardEcho ? echo_.Filter(chunk) : chunk;
      if (!answer.isEmpty()) emit Received(answer);
    }
  });
  connect(transport_, &ByteTransport::Up, this, [this] { OnUp(); });
  connect(transport_, &ByteTransport::Down, this,
          [this](const QString& reason) { OnDown(reason); });
  thread_.start();
}

SerialLine::~SerialLine() {
  Close();
  thread_.quit();
  thread_.wait();
}

void SerialLine::Open() {
  if (running_) return;
  running_ = true;
  QMetaObject::invokeMethod(transport_, &ByteTransport::Start, Qt::QueuedConnection);
}

void SerialLine::Close() {
  if (!running_) return;
  running_ = false;
  up_ = false;
  everUp_ = false;
  problem_ = QStringLiteral("not opened");
  echo_ = {};
  QMetaObject::invokeMethod(transport_, &ByteTransport::Stop, Qt::BlockingQueuedConnection);
}

bool SerialLine::Send(const QByteArray& bytes, QString& error) {
  if (!up_) {
    error = QStringLiteral("serial line %1: %2").arg(settings_.port, problem_);
    return false;
  }
  // Nothing to put on the line; an empty write would fail its flush and drop the line.
  if (bytes.isEmpty()) return true;
  if (settings_.discardEcho) echo_.Sent(bytes);
  QMetaObject::invokeMethod(
      transport_, [transport = transport_, bytes] { transport->Write(bytes); },
      Qt::QueuedConnection);
  return true;
}

void SerialLine::OnUp() {
  if (!running_) return;
  up_ = true;
  emit Notice(everUp_ ? QStringLiteral("串口 %1 已恢复").arg(settings_.Describe())
                      : QStringLiteral("串口 %1 已打开").arg(settings_.Describe()));
  everUp_ = true;
}

void SerialLine::OnDown(const QString& reason) {
  if (!running_) return;
  up_ = false;
  problem_ = reason;
  emit Notice(QStringLiteral("串口 %1 不可用: %2 (自动重试中)").arg(settings_.Describe(), reason));
}

}  // namespace field
