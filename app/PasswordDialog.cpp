#include "PasswordDialog.h"

#include <QInputDialog>
#include <QLineEdit>

std::optional<QString> AskCameraPassword(QWidget* parent, const QString& camera,
                                         const QString& user) {
  bool accepted = false;
  const QString password = QInputDialog::getText(
      parent, QStringLiteral("摄像机密码"),
      QStringLiteral("摄像机 %1 拒绝了用户名或密码。\n用户 %2 的密码:").arg(camera, user),
      QLineEdit::Password, QString(), &accepted);
  if (!accepted) return std::nullopt;
  return password;
}
