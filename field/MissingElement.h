#pragma once

#include <QString>

namespace field {

// What the video area and the pane say when a GStreamer element the console
// builds with is not installed: the element and the Debian package that has it.
QString MissingElementNotice(const QString& element);

}  // namespace field
