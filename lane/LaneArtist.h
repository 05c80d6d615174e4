#pragma once

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QStaticText>
#include <QString>

#include "LaneLook.h"

class QPainter;

namespace virtual_lane {

// Draws a lane: the road with its car and barrier on the left, the lane's
// devices on the right. Everything is laid out on a 1920×1080 canvas and
// scaled to the target. What changes only when a device changes (screens,
// voice, card) is kept in an image of the target's size in device pixels
// with the static background under it, so a live frame is one blit plus the
// moving parts. Images, not pixmaps: the artist draws on the lane's drawing
// thread and in lanesim, where pixmaps are not safe on every platform.
class LaneArtist {
 public:
  static constexpr int kCanvasWidth = 1920;
  static constexpr int kCanvasHeight = 1080;

  LaneArtist();

  void Paint(QPainter& painter, const QRect& area, const LaneLook& look);
  // Only the car, framed so that the plate of a car waiting at the stop line
  // fills `area`: the close-up a plate camera cuts from its scene.
  void PaintPlateCloseUp(QPainter& painter, const QRect& area, const LaneLook& look);
  static void PaintNoSignal(QPainter& painter, const QRect& area);

  struct PlateLabel {
    QString plate;
    QString shown;
    double squeeze = 1;
  };

 private:
  const PlateLabel& Label(const QString& plate);
  const QImage& Still(QSize size, qreal pixelRatio, const LaneLook& look);
  void DrawDevices(QPainter& painter, const LaneLook& look) const;
  void DrawMovingParts(QPainter& painter, const LaneLook& look);
  void DrawClock(QPainter& painter);

  QFont ledFont_;
  QFont labelFont_;
  QFont plateFont_;
  QImage background_;
  QImage still_;
  int stillRevision_ = -1;
  QString stillAddress_;
  QStaticText clock_;
  qint64 clockSecond_ = -1;
  QStaticText faultNotice_;
  PlateLabel plateLabel_;
};

}  // namespace virtual_lane
