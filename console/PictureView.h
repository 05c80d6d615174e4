#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// Shows a JPEG stretched to the view's full size, aspect ratio not kept.
// Until a picture is loaded the view paints nothing, so whatever lies behind
// it (the panel's caption) stays visible.
class PictureView : public QWidget {
  Q_OBJECT

 public:
  explicit PictureView(QWidget* parent = nullptr);

  // Throws PictureError and keeps showing the previous picture on failure.
  void LoadFromFile(const QString& path);
  bool HasPicture() const { return !decoded_.isNull(); }
  QImage Picture() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Decoded only as large as the view was at load time; resizing
  // re-stretches this rather than reading the file again.
  QImage decoded_;
  QImage shown_;
};
