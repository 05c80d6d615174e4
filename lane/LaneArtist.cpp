#include "LaneArtist.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

namespace virtual_lane {
namespace {

constexpr double kHorizonY = 430;
constexpr double kLaneCenterX = 650;
constexpr double kStopLineY = 900;  // bottom of a waiting car's wheels
constexpr QPointF kBarrierPivot{1200, 880};
constexpr double kArmLength = 1060;
constexpr double kArmThickness = 28;
constexpr double kArmLiftDegrees = 86;
constexpr double kPanelLeft = 1320;
constexpr double kBoxLeft = 1350;
constexpr double kBoxWidth = 540;
constexpr QRectF kTwoLineBox{kBoxLeft, 110, kBoxWidth, 170};
constexpr QRectF kFourLineBox{kBoxLeft, 340, kBoxWidth, 290};
constexpr QRectF kDigitBox{kBoxLeft, 690, kBoxWidth, 120};
constexpr QRectF kVoiceBox{kBoxLeft, 860, kBoxWidth, 80};
constexpr QRectF kCardBox{kBoxLeft, 985, kBoxWidth, 70};
// The plate of a car at the stop line, and the frame a close-up cuts around it.
constexpr QRectF kStoppedPlate{kLaneCenterX - 110, kStopLineY - 115, 220, 70};
constexpr QRectF kCloseUpFrame{kLaneCenterX - 121, kStopLineY - 118.5, 242, 77};

const QColor kLedGreen{80, 255, 120};
const QColor kLedRed{255, 70, 50};
const QColor kLedAmber{255, 190, 40};
const QColor kPlateBlue{22, 72, 190};

const std::array<QColor, 6> kCarColours = {QColor(235, 235, 238), QColor(40, 42, 48),
                                           QColor(170, 174, 180), QColor(170, 30, 35),
                                           QColor(35, 70, 140),   QColor(200, 160, 60)};

QFont PixelFont(int pixels, bool bold = false) {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

void ScaleToCanvas(QPainter& painter, QSizeF size) {
  painter.scale(size.width() / LaneArtist::kCanvasWidth, size.height() / LaneArtist::kCanvasHeight);
}

double Ease(double t) {
  return t * t * (3 - 2 * t);
}

// Left and right edge of the road at a height, in perspective.
std::pair<double, double> RoadEdges(double y) {
  const double t = (y - kHorizonY) / (LaneArtist::kCanvasHeight - kHorizonY);
  return {kLaneCenterX - 110 - t * 760, kLaneCenterX + 110 + t * 700};
}

void DrawBackground(QPainter& painter) {
  QLinearGradient sky(0, 0, 0, kHorizonY);
  sky.setColorAt(0, QColor(120, 170, 220));
  sky.setColorAt(1, QColor(215, 232, 245));
  painter.fillRect(QRectF(0, 0, kPanelLeft, kHorizonY), sky);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(150, 156, 165));
  painter.drawRect(QRectF(120, 250, 420, kHorizonY - 250));
  painter.drawRect(QRectF(760, 290, 380, kHorizonY - 290));
  painter.setBrush(QColor(190, 205, 220));
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 7; ++column) {
      painter.drawRect(QRectF(145 + column * 56, 268 + row * 40, 34, 22));
    }
  }

  painter.fillRect(QRectF(0, kHorizonY, kPanelLeft, LaneArtist::kCanvasHeight - kHorizonY),
                   QColor(104, 140, 84));
  const auto [farLeft, farRight] = RoadEdges(kHorizonY);
  const auto [nearLeft, nearRight] = RoadEdges(LaneArtist::kCanvasHeight);
  painter.setBrush(QColor(88, 90, 94));
  painter.drawPolygon(QPolygonF({QPointF(farLeft, kHorizonY), QPointF(farRight, kHorizonY),
                                 QPointF(nearRight, LaneArtist::kCanvasHeight),
                                 QPointF(nearLeft, LaneArtist::kCanvasHeight)}));

  painter.setBrush(QColor(235, 235, 225));
  for (double y = kHorizonY + 10; y < LaneArtist::kCanvasHeight; y *= 1.12) {
    const double t = (y - kHorizonY) / (LaneArtist::kCanvasHeight - kHorizonY);
    const double width = 4 + 14 * t;
    painter.drawRect(QRectF(kLaneCenterX - 300 * t - width / 2, y, width, 8 + 40 * t));
  }
  const auto [stopLeft, stopRight] = RoadEdges(kStopLineY + 20);
  painter.drawRect(QRectF(stopLeft, kStopLineY + 12, stopRight - stopLeft, 16));

  // Booth and the barrier's cabinet.
  painter.setBrush(QColor(225, 228, 232));
  painter.drawRect(QRectF(1110, 520, 190, 300));
  painter.setBrush(QColor(120, 160, 200));
  painter.drawRect(QRectF(1130, 560, 150, 110));
  painter.setBrush(QColor(60, 64, 70));
  painter.drawRect(QRectF(1100, 500, 210, 24));
  painter.setBrush(QColor(240, 190, 30));
  painter.drawRect(QRectF(kBarrierPivot.x() - 40, kBarrierPivot.y() - 40, 80, 200));
  painter.setBrush(QColor(30, 30, 30));
  for (int stripe = 0; stripe < 4; ++stripe) {
    painter.drawRect(QRectF(kBarrierPivot.x() - 40, kBarrierPivot.y() + 20 + stripe * 36, 80, 14));
  }

  // Entrance sign over the road.
  painter.setBrush(QColor(30, 90, 60));
  painter.drawRect(QRectF(360, 120, 580, 90));
  painter.setPen(Qt::white);
  painter.setFont(PixelFont(58, true));
  painter.drawText(QRectF(360, 120, 580, 90), Qt::AlignCenter, QStringLiteral("停车场入口"));
  painter.setPen(Qt::NoPen);

  painter.fillRect(
      QRectF(kPanelLeft, 0, LaneArtist::kCanvasWidth - kPanelLeft, LaneArtist::kCanvasHeight),
      QColor(36, 40, 46));
  painter.fillRect(QRectF(0, 0, LaneArtist::kCanvasWidth, 64), QColor(0, 0, 0, 150));

  painter.setPen(QColor(170, 178, 190));
  painter.setFont(PixelFont(30));
  const auto label = [&](const QRectF& box, const QString& text) {
    painter.drawText(QRectF(box.left(), box.top() - 42, box.width(), 40),
                     Qt::AlignLeft | Qt::AlignBottom, text);
  };
  label(kTwoLineBox, QStringLiteral("两行屏"));
  label(kFourLineBox, QStringLiteral("四行屏"));
  label(kVoiceBox, QStringLiteral("语音"));
  label(kCardBox, QStringLiteral("读卡器"));
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  for (const QRectF& box : {kTwoLineBox, kFourLineBox, kDigitBox}) {
    painter.drawRoundedRect(box.adjusted(-8, -8, 8, 8), 10, 10);
  }
}

// LED text shrinks to fit its line rather than being cut.
void DrawLedLine(QPainter& painter, const QRectF& line, const QString& text, QFont font,
                 const QColor& colour) {
  const double width = QFontMetricsF(font).horizontalAdvance(text);
  if (width > line.width()) {
    font.setPixelSize(std::max(8, static_cast<int>(font.pixelSize() * line.width() / width)));
  }
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(line, Qt::AlignCenter, text);
}

void DrawLedLines(QPainter& painter, const QRectF& box, const QString* lines, int count,
                  const QFont& font, const QColor& colour) {
  const double height = box.height() / count;
  for (int i = 0; i < count; ++i) {
    DrawLedLine(painter, QRectF(box.left() + 10, box.top() + i * height, box.width() - 20, height),
                lines[i], font, colour);
  }
}

// A speaker: the voice box.
void DrawSpeaker(QPainter& painter, QPointF at) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 205, 215));
  painter.drawRect(QRectF(at.x(), at.y() - 12, 18, 24));
  painter.drawPolygon(
      QPolygonF({QPointF(at.x() + 18, at.y() - 12), QPointF(at.x() + 40, at.y() - 30),
                 QPointF(at.x() + 40, at.y() + 30), QPointF(at.x() + 18, at.y() + 12)}));
}

QColor CarColour(const QString& plate) {
  return kCarColours[qHash(plate) % kCarColours.size()];
}

// A car seen from the front. `bottom` is where its wheels meet the road;
// `scale` 1 is its size at the stop line.
void DrawCar(QPainter& painter, QPointF bottom, double scale, const QString& plate,
             const LaneArtist::PlateLabel& label, const QFont& plateFont) {
  painter.save();
  painter.translate(bottom);
  painter.scale(scale, scale);
  const QColor body = CarColour(plate);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 90));
  painter.drawEllipse(QRectF(-310, -30, 620, 56));
  painter.setBrush(QColor(25, 25, 28));
  painter.drawRoundedRect(QRectF(-275, -80, 80, 80), 12, 12);
  painter.drawRoundedRect(QRectF(195, -80, 80, 80), 12, 12);
  painter.setBrush(body.darker(115));
  painter.drawPolygon(QPolygonF(
      {QPointF(-200, -345), QPointF(200, -345), QPointF(255, -185), QPointF(-255, -185)}));
  QLinearGradient glass(0, -335, 0, -200);
  glass.setColorAt(0, QColor(60, 80, 105));
  glass.setColorAt(1, QColor(20, 28, 40));
  painter.setBrush(glass);
  painter.drawPolygon(QPolygonF(
      {QPointF(-182, -330), QPointF(182, -330), QPointF(228, -200), QPointF(-228, -200)}));
  painter.setBrush(body);
  painter.drawRoundedRect(QRectF(-285, -200, 570, 150), 30, 30);
  painter.setBrush(QColor(255, 248, 215));
  painter.drawEllipse(QRectF(-262, -178, 92, 40));
  painter.drawEllipse(QRectF(170, -178, 92, 40));
  painter.setBrush(QColor(30, 32, 36));
  painter.drawRoundedRect(QRectF(-125, -178, 250, 42), 8, 8);

  const QRectF plateRect = kStoppedPlate.translated(-kLaneCenterX, -kStopLineY);
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(plateRect, 6, 6);
  painter.setBrush(kPlateBlue);
  painter.drawRoundedRect(plateRect.adjusted(4, 4, -4, -4), 4, 4);
  painter.setPen(Qt::white);
  painter.setFont(plateFont);
  painter.translate(plateRect.center());
  painter.scale(label.squeeze, 1);
  const QRectF textRect(-plateRect.width() / label.squeeze / 2, -plateRect.height() / 2,
                        plateRect.width() / label.squeeze, plateRect.height());
  painter.drawText(textRect, Qt::AlignCenter, label.shown);
  painter.restore();
}

void DrawBarrierArm(QPainter& painter, double opening) {
  painter.save();
  painter.translate(kBarrierPivot);
  painter.rotate(opening * kArmLiftDegrees);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  const QRectF arm(-kArmLength, -kArmThickness / 2, kArmLength, kArmThickness);
  painter.drawRect(arm);
  painter.setBrush(QColor(215, 30, 30));
  for (double x = -kArmLength; x < -60; x += 160) {
    painter.drawRect(QRectF(x, -kArmThickness / 2, 80, kArmThickness));
  }
  painter.setBrush(QColor(60, 60, 60));
  painter.drawEllipse(QPointF(0, 0), 26, 26);
  painter.restore();
}

}  // namespace

LaneArtist::LaneArtist()
    : ledFont_(PixelFont(56, true)),
      labelFont_(PixelFont(34)),
      plateFont_(PixelFont(44, true)),
      faultNotice_(QStringLiteral("校验错误")) {}

void LaneArtist::Paint(QPainter& painter, const QRect& area, const LaneLook& look) {
  if (area.isEmpty()) return;
  painter.save();
  painter.translate(area.topLeft());
  painter.drawImage(0, 0, Still(area.size(), painter.device()->devicePixelRatio(), look));
  painter.setRenderHint(QPainter::Antialiasing);
  ScaleToCanvas(painter, area.size());
  DrawMovingParts(painter, look);
  painter.restore();
}

void LaneArtist::PaintPlateCloseUp(QPainter& painter, const QRect& area, const LaneLook& look) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, CarColour(look.plateNumber));
  painter.translate(area.topLeft());
  painter.scale(area.width() / kCloseUpFrame.width(), area.height() / kCloseUpFrame.height());
  painter.translate(-kCloseUpFrame.topLeft());
  DrawCar(painter, QPointF(kLaneCenterX, kStopLineY), 1, look.plateNumber, Label(look.plateNumber),
          plateFont_);
  painter.restore();
}

void LaneArtist::PaintNoSignal(QPainter& painter, const QRect& area) {
  painter.save();
  painter.fillRect(area, QColor(24, 26, 30));
  painter.setPen(QColor(150, 155, 165));
  painter.setFont(PixelFont(std::max(10, area.height() / 10)));
  painter.drawText(area, Qt::AlignCenter, QStringLiteral("无信号\nNO SIGNAL"));
  painter.restore();
}

// Drawn in the target's logical size: the image's pixel ratio scales the
// painter to its device pixels.
const QImage& LaneArtist::Still(QSize size, qreal pixelRatio, const LaneLook& look) {
  const QSize pixels = (QSizeF(size) * pixelRatio).toSize();
  if (background_.size() != pixels || background_.devicePixelRatio() != pixelRatio) {
    background_ = QImage(pixels, QImage::Format_RGB32);
    background_.setDevicePixelRatio(pixelRatio);
    QPainter painter(&background_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    ScaleToCanvas(painter, size);
    DrawBackground(painter);
    stillRevision_ = -1;
  }
  if (stillRevision_ != look.revision || stillAddress_ != look.address) {
    still_ = background_.copy();
    QPainter painter(&still_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    ScaleToCanvas(painter, size);
    DrawDevices(painter, look);
    stillRevision_ = look.revision;
    stillAddress_ = look.address;
  }
  return still_;
}

void LaneArtist::DrawDevices(QPainter& painter, const LaneLook& look) const {
  painter.setPen(Qt::white);
  painter.setFont(labelFont_);
  painter.drawText(QRectF(24, 0, 900, 64), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("车道 %1").arg(look.address));

  DrawLedLines(painter, kTwoLineBox, look.twoLine.data(), 2, ledFont_, kLedGreen);
  QFont fourLineFont = ledFont_;
  fourLineFont.setPixelSize(50);
  DrawLedLines(painter, kFourLineBox, look.fourLine.data(), 4, fourLineFont, kLedRed);

  painter.setPen(QColor(170, 178, 190));
  painter.setFont(PixelFont(30));
  painter.drawText(QRectF(kDigitBox.left(), kDigitBox.top() - 50, kDigitBox.width(), 40),
                   Qt::AlignLeft | Qt::AlignBottom,
                   look.digitNumber ? QStringLiteral("数字屏 %1号").arg(look.digitNumber)
                                    : QStringLiteral("数字屏"));
  QFont digitFont = ledFont_;
  digitFont.setPixelSize(92);
  DrawLedLine(painter, kDigitBox.adjusted(10, 0, -10, 0), look.digitText, digitFont, kLedAmber);

  DrawSpeaker(painter, QPointF(kVoiceBox.left(), kVoiceBox.center().y()));
  DrawLedLine(painter, kVoiceBox.adjusted(60, 0, 0, 0), look.voiceSays, labelFont_, Qt::white);
  const QString card = look.cardRead ? QStringLiteral("卡号 %1 (%2)")
                                           .arg(look.lastCard)
                                           .arg(look.lastCard, 10, 16, QLatin1Char('0'))
                                           .toUpper()
                                     : QStringLiteral("未读卡");
  DrawLedLine(painter, kCardBox, card, labelFont_, Qt::white);
}

void LaneArtist::DrawMovingParts(QPainter& painter, const LaneLook& look) {
  if (look.carProgress >= 0) {
    double scale;
    double y;
    if (look.carProgress <= 1) {
      const double t = Ease(look.carProgress);
      scale = 0.22 + 0.78 * t;
      y = kHorizonY + 40 + (kStopLineY - kHorizonY - 40) * t;
    } else {
      const double t = look.carProgress - 1;
      scale = 1 + 0.8 * t;
      y = kStopLineY + 900 * t;
    }
    DrawCar(painter, QPointF(kLaneCenterX, y), scale, look.plateNumber, Label(look.plateNumber),
            plateFont_);
  }
  DrawBarrierArm(painter, look.barrierOpening);
  DrawClock(painter);
  if (look.faultFlash > 0) {
    const int alpha = static_cast<int>(255 * look.faultFlash);
    painter.setPen(QPen(QColor(255, 30, 30, alpha), 24));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(12, 12, kCanvasWidth - 24, kCanvasHeight - 24));
    painter.fillRect(QRectF(40, 90, 300, 80), QColor(200, 0, 0, alpha));
    painter.setPen(QColor(255, 255, 255, alpha));
    painter.setFont(ledFont_);
    painter.drawStaticText(QPointF(78, 96), faultNotice_);
  }
}

// Plate characters are narrow: the text is squeezed to fit, never cut.
const LaneArtist::PlateLabel& LaneArtist::Label(const QString& plate) {
  if (plate != plateLabel_.plate) {
    plateLabel_.plate = plate;
    // Plates show a dot between the issuing office and the serial.
    plateLabel_.shown = plate.size() > 2 ? plate.left(2) + u'·' + plate.mid(2) : plate;
    const double room = kStoppedPlate.width() - 24;
    const double width = QFontMetricsF(plateFont_).horizontalAdvance(plateLabel_.shown);
    plateLabel_.squeeze = width > room ? room / width : 1;
  }
  return plateLabel_;
}

void LaneArtist::DrawClock(QPainter& painter) {
  const QDateTime now = QDateTime::currentDateTime();
  const qint64 second = now.toSecsSinceEpoch();
  if (second != clockSecond_) {
    clockSecond_ = second;
    clock_.setText(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
  }
  painter.setPen(Qt::white);
  painter.setFont(labelFont_);
  painter.drawStaticText(QPointF(kBoxLeft + 90, 10), clock_);
}

}  // namespace virtual_lane
