#include "ConsoleFace.h"

#include <QApplication>
#include <QStringList>

namespace {

// Debian's CJK faces, the one the project installs first; whichever is
// present takes the place of the Windows faces.
const QStringList kCjkFaces = {
    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
    QStringLiteral("WenQuanYi Zen Hei"),   QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("AR PL UMing CN"),      QStringLiteral("Droid Sans Fallback"),
};

}  // namespace

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
  QFont::insertSubstitutions(QStringLiteral("宋体"), kCjkFaces);
  QFont::insertSubstitutions(QStringLiteral("黑体"), kCjkFaces);
  // As the default, a line edit's first layout, made with the application
  // font before its own is applied, loads no other face, and message boxes
  // match the window.
  QApplication::setFont(ConsoleFace());
}
