#include "CameraSearch.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString RowText(const camera::FoundCamera& camera) {
  QStringList parts{camera.address};
  for (const QString& part : {camera.name, camera.hardware}) {
    if (!part.isEmpty()) parts << part;
  }
  return parts.join(QStringLiteral("   "));
}

}  // namespace

CameraSearch::CameraSearch(QLineEdit& field, camera::CameraFinder& finder, QWidget* parent)
    : QDialog(parent),
      field_(field),
      finder_(finder),
      action_(new QAction(
          QIcon::fromTheme(QStringLiteral("edit-find"),
                           field.style()->standardIcon(QStyle::SP_FileDialogContentsView)),
          QStringLiteral("搜索摄像机"), &field)),
      list_(new QListView(this)),
      state_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      searchAgain_(buttons_->addButton(QStringLiteral("重新搜索"), QDialogButtonBox::ActionRole)) {
  setObjectName(QStringLiteral("dlgCameraSearch"));
  setWindowTitle(QStringLiteral("搜索摄像机"));
  resize(420, 260);

  // At the field's right end, inside it: the window's layout stays as it is.
  action_->setObjectName(QStringLiteral("actCameraSearch"));
  action_->setToolTip(QStringLiteral("搜索网络上的摄像机 (F3)"));
  action_->setShortcut(Qt::Key_F3);
  action_->setShortcutContext(Qt::WidgetShortcut);
  field.addAction(action_, QLineEdit::TrailingPosition);
  connect(action_, &QAction::triggered, this, &CameraSearch::Open);

  list_->setObjectName(QStringLiteral("lstCameras"));
  list_->setModel(&cameras_);
  list_->setUniformItemSizes(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("选择"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(state_);
  layout->addWidget(buttons_);

  connect(list_, &QListView::activated, this, &CameraSearch::Choose);
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ChooseButton()->setEnabled(current.isValid()); });
  connect(buttons_, &QDialogButtonBox::accepted, this, [this] { Choose(list_->currentIndex()); });
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(searchAgain_, &QPushButton::clicked, this, &CameraSearch::Search);
  connect(&finder_, &camera::CameraFinder::Found, this, &CameraSearch::Add);
  connect(&finder_, &camera::CameraFinder::Notice, this,
          [this](const QString& notice) { notices_ << notice; });
  connect(&finder_, &camera::CameraFinder::Finished, this, &CameraSearch::Finish);
}

QPushButton* CameraSearch::ChooseButton() const {
  return buttons_->button(QDialogButtonBox::Ok);
}

void CameraSearch::Open() {
  Search();
  show();
  raise();
  activateWindow();
}

void CameraSearch::Search() {
  cameras_.clear();
  notices_.clear();
  ChooseButton()->setEnabled(false);
  searchAgain_->setEnabled(false);
  state_->setText(QStringLiteral("正在搜索摄像机…"));
  finder_.Search(field_.text());
}

void CameraSearch::Add(const camera::FoundCamera& camera) {
  auto* row = new QStandardItem(RowText(camera));
  row->setData(camera.address, kAddressRole);
  if (!camera.serviceAddress.isEmpty()) row->setToolTip(camera.serviceAddress);
  cameras_.appendRow(row);
  if (!list_->currentIndex().isValid()) list_->setCurrentIndex(cameras_.index(0, 0));
  state_->setText(QStringLiteral("已找到 %1 台摄像机, 搜索中…").arg(cameras_.rowCount()));
}

void CameraSearch::Finish() {
  searchAgain_->setEnabled(true);
  QString state = cameras_.rowCount() == 0
                      ? QStringLiteral("没有摄像机应答")
                      : QStringLiteral("找到 %1 台摄像机").arg(cameras_.rowCount());
  if (!notices_.isEmpty())
    state += QStringLiteral(" (%1)").arg(notices_.join(QStringLiteral("; ")));
  state_->setText(state);
}

void CameraSearch::Choose(const QModelIndex& index) {
  if (!index.isValid()) return;
  field_.setText(index.data(kAddressRole).toString());
  accept();
}
