#pragma once

#include <QString>
#include <optional>

class QWidget;

// Asks for the password of `user` on the camera that refused it; nothing when
// the engineer cancels. The password is kept in memory only.
std::optional<QString> AskCameraPassword(QWidget* parent, const QString& camera,
                                         const QString& user);
