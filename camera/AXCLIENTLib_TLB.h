#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "VideoBackend.h"

namespace camera {

// The video control: shows the live video of the address in StreamAddress.
// On X11 it has a native window of its own, which a backend may draw into
// from another thread.
// Setting the property is an automation property-put; a failure throws
// ComponentError and leaves the property as it was.
class Taxclient : public QWidget {
  Q_OBJECT

 public:
  explicit Taxclient(VideoBackend* backend, QWidget* parent = nullptr);

  QString StreamAddress() const { return streamAddress_; }
  void SetStreamAddress(const QString& address);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OfferSurface();

  QPointer<VideoBackend> backend_;
  QString streamAddress_;
};

}  // namespace camera
