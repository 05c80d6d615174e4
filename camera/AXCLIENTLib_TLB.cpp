#include "AXCLIENTLib_TLB.h"

#include <QGuiApplication>
#include <QPainter>
#include <string>

#include "ComponentError.h"
#include "StatusMessage.h"

namespace camera {
namespace {

std::string PutFailure(const QString& address) {
  return "Setting StreamAddress to \"" + address.toStdString() + "\" failed";
}

void PaintNoSignal(QPainter& painter, const QRect& area) {
  painter.fillRect(area, QColor(24, 24, 24));
  painter.setPen(QColor(150, 150, 150));
  painter.drawText(area, Qt::AlignCenter, QStringLiteral("无信号"));
}

}  // namespace

Taxclient::Taxclient(VideoBackend* backend, QWidget* parent) : QWidget(parent), backend_(backend) {
  // Every frame covers the whole control, so Qt need not clear it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_NoSystemBackground);
  }
  if (backend) connect(backend, &VideoBackend::FrameChanged, this, qOverload<>(&QWidget::update));
}

// In device pixels: a frame of the widget's logical size fills a quarter of
// a native window at 200 % scaling.
void Taxclient::OfferSurface() {
  if (!backend_) return;
  backend_->SetSurface(testAttribute(Qt::WA_NativeWindow) ? winId() : 0,
                       (QSizeF(size()) * devicePixelRatio()).toSize());
}

void Taxclient::showEvent(QShowEvent*) {
  OfferSurface();
}

void Taxclient::resizeEvent(QResizeEvent*) {
  OfferSurface();
}

void Taxclient::SetStreamAddress(const QString& address) {
  if (!backend_) throw ComponentError(PutFailure(address) + ": no video component is installed");
  const Status status = backend_->PutStreamAddress(address);
  if (status.Failed()) throw ComponentError(PutFailure(address) + ": " + StatusMessage(status));
  streamAddress_ = address;
  update();
}

void Taxclient::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (backend_) {
    backend_->Paint(painter, rect());
  } else {
    PaintNoSignal(painter, rect());
  }
}

}  // namespace camera
