#include "ConsoleFace.h"

#include <QApplication>

QFont ConsoleFace() {
  // The CJK face's fontconfig rule turns hinting off but Qt reads only the
  // hint style, and its autohinter would scan the face's whole character map
  // before laying out the first line.
  QFont face(QStringLiteral("宋体"));
  face.setPixelSize(14);
  face.setHintingPreference(QFont::PreferNoHinting);
  return face;
}

void UseConsoleFace() {
  // As the default, a line edit's first layout, made with the application
  // font before its own is applied, loads no other face, and message boxes
  // match the window.
  QApplication::setFont(ConsoleFace());
}
