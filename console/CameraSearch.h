#pragma once

#include <QDialog>
#include <QStandardItemModel>
#include <QStringList>

#include "CameraFinder.h"

class QAction;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

// The camera-address field's search: an action at the field's right end, and
// F3 while it has focus, list the cameras that answer as they answer;
// choosing one fills the field. It searches only when asked.
class CameraSearch : public QDialog {
  Q_OBJECT

 public:
  // The role holding a listed camera's address.
  static constexpr int kAddressRole = Qt::UserRole;

  CameraSearch(QLineEdit& field, camera::CameraFinder& finder, QWidget* parent);

  QAction* Action() const { return action_; }
  QListView* List() const { return list_; }
  QLabel* State() const { return state_; }
  QPushButton* ChooseButton() const;
  QPushButton* SearchAgainButton() const { return searchAgain_; }

  // Shows the list and starts a search that also asks the typed address.
  void Open();

 private:
  void Search();
  void Add(const camera::FoundCamera& camera);
  void Finish();
  void Choose(const QModelIndex& index);

  QLineEdit& field_;
  camera::CameraFinder& finder_;
  QAction* action_;
  QStandardItemModel cameras_;
  QListView* list_;
  QLabel* state_;
  QDialogButtonBox* buttons_;
  QPushButton* searchAgain_;
  QStringList notices_;
};
