#include "utVideoStream.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "CameraSearch.h"
#include "ConsoleFace.h"
#include "MessagePane.h"
#include "PictureView.h"
#include "RadioGroup.h"

namespace {

constexpr std::int32_t kPictureBufferSize = 0x100000;
constexpr char kCloseUpFile[] = "ParkPlateIn.JPG";
constexpr char kSceneFile[] = "ParkAll.JPG";
constexpr char kSnapshotFile[] = "XJ.jpg";
constexpr int kCloseUpPauseMs = 250;
constexpr int kScenePauseMs = 500;

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(left, top, width, height);
  return control;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height) {
  return Place(new QPushButton(caption, parent), name, left, top, width, height);
}

QComboBox* MakeDropDown(QWidget* parent, const char* name, const QStringList& items, int selected,
                        int left, int top, int width, int height) {
  auto* box = Place(new QComboBox(parent), name, left, top, width, height);
  // A completer without a model keeps the box from building its inline one,
  // which would turn a typed "12" into "120" and costs time at start-up.
  auto* edit = new QLineEdit(box);
  edit->setCompleter(new QCompleter(edit));
  box->setLineEdit(edit);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(selected);
  return box;
}

QStringList NumberItems(int first, int last) {
  QStringList items;
  for (int value = first; value <= last; ++value) items << QString::number(value);
  return items;
}

QFrame* MakePanel(QWidget* parent, const char* name) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  return panel;
}

// Inside the panel's bevel, as a client-aligned child sits.
void Fill(QFrame* panel, QWidget* child) {
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(child);
}

QString ErrorText(const std::exception& error) {
  return QString::fromUtf8(error.what());
}

}  // namespace

TfmVideoStream::TfmVideoStream(ConsoleSeams seams, QWidget* parent)
    : QWidget(parent), seams_(std::move(seams)) {
  setObjectName(QStringLiteral("fmVideoStream"));
  setWindowTitle(seams_.attachedTo.isEmpty()
                     ? QStringLiteral("车牌识别停车场调试程序")
                     : QStringLiteral("车牌识别停车场调试程序 — ") + seams_.attachedTo);
  move(531, 89);
  resize(749, 659);
  setFont(ConsoleFace());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  BuildCommandStrip();
  BuildPicturePanel();
  memMessage = new MessagePane(kPaneLineLimit, this);
  memMessage->setObjectName(QStringLiteral("memMessage"));
  memMessage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* regions = new QVBoxLayout(this);
  regions->setContentsMargins(0, 0, 0, 0);
  regions->setSpacing(0);
  regions->addWidget(Panel4);
  regions->addWidget(Panel5);
  regions->addWidget(memMessage, 1);

  tmReadCard = new QTimer(this);
  tmReadCard->setObjectName(QStringLiteral("tmReadCard"));
  tmReadCard->setInterval(1000);

  BindHandlers();
  SetTabOrder();
  OpenSessionLog();
  FormCreate();
}

TfmVideoStream::~TfmVideoStream() = default;

void TfmVideoStream::BuildCommandStrip() {
  Panel4 = MakePanel(this, "Panel4");
  Panel4->setFixedHeight(127);

  Label2 = Place(new QLabel(QStringLiteral("摄像机IP"), Panel4), "Label2", 11, 19, 56, 14);
  edtCameraIP =
      Place(new QLineEdit(QStringLiteral("192.168.1.100"), Panel4), "edtCameraIP", 71, 16, 121, 22);
  if (seams_.cameraFinder != nullptr) new CameraSearch(*edtCameraIP, *seams_.cameraFinder, this);
  BitBtn1 = MakeButton(Panel4, "BitBtn1", QStringLiteral("连接"), 197, 14, 61, 25);
  BitBtn4 = MakeButton(Panel4, "BitBtn4", QStringLiteral("断开"), 261, 14, 60, 25);
  BitBtn2 = MakeButton(Panel4, "BitBtn2", QStringLiteral("手动补拍"), 410, 14, 72, 25);
  BitBtn7 = MakeButton(Panel4, "BitBtn7", QStringLiteral("手动抓图"), 489, 14, 70, 25);
  BitBtn6 = MakeButton(Panel4, "BitBtn6", QStringLiteral("测试"), 688, 8, 39, 25);
  BitBtn6->setVisible(false);

  rgpSystemType = Place(new RadioGroup(QStringLiteral("系统类型"),
                                       {QStringLiteral("简易停车场--显示屏         语音"),
                                        QStringLiteral("标准停车场--控制器")},
                                       Panel4),
                        "rgpSystemType", 8, 48, 305, 73);
  rgpSystemType->SetItemIndex(1);
  // Created after the radio group so they sit on top of its frame.
  cmbxScreen = MakeDropDown(Panel4, "cmbxScreen",
                            {"1", "120", "122", "255", "254", "253", "252", "251", "250", "249",
                             "248", "247", "246", "245", "244", "243", "242", "241", "240"},
                            -1, 161, 64, 56, 22);
  cmbxVoice = MakeDropDown(Panel4, "cmbxVoice", NumberItems(97, 110), 1, 255, 64, 52, 22);
  cmbxControl = MakeDropDown(Panel4, "cmbxControl", NumberItems(1, 16), 0, 162, 92, 55, 22);
  edtSpaceCount =
      Place(new QLineEdit(QStringLiteral("158"), Panel4), "edtSpaceCount", 255, 92, 49, 22);
  rgpVoiceType =
      Place(new RadioGroup(QStringLiteral("语音类型"),
                           {QStringLiteral("电子语音"), QStringLiteral("真人语音")}, Panel4),
            "rgpVoiceType", 318, 48, 88, 73);
  rgpVoiceType->SetItemIndex(0);

  Button2 = MakeButton(Panel4, "Button2", QStringLiteral("语音1"), 410, 54, 72, 25);
  BitBtn5 = MakeButton(Panel4, "BitBtn5", QStringLiteral("语音2"), 489, 52, 70, 25);
  BitBtn3 = MakeButton(Panel4, "BitBtn3", QStringLiteral("开闸"), 565, 52, 45, 25);
  Button3 = MakeButton(Panel4, "Button3", QStringLiteral("关闸"), 612, 52, 46, 25);
  BitBtn8 = MakeButton(Panel4, "BitBtn8", QStringLiteral("读智能卡"), 660, 52, 70, 25);
  Button1 = MakeButton(Panel4, "Button1", QStringLiteral("2行屏"), 409, 86, 70, 25);
  Button4 = MakeButton(Panel4, "Button4", QStringLiteral("4行屏"), 489, 86, 70, 25);
  Button5 = MakeButton(Panel4, "Button5", QStringLiteral("数字屏"), 564, 86, 70, 25);
  chkReadCard =
      Place(new QCheckBox(QStringLiteral("自动"), Panel4), "chkReadCard", 660, 91, 53, 17);
}

void TfmVideoStream::BuildPicturePanel() {
  Panel5 = MakePanel(this, "Panel5");
  Panel5->setFixedHeight(304);

  // Created first so that Panel1 covers it: the control has no picture of its own.
  sdk1 = Place(new camera::Tsdk(seams_.sdkBackend, Panel5), "sdk1", 192, 80, 105, 104);

  Panel1 = Place(MakePanel(Panel5, "Panel1"), "Panel1", 8, 8, 392, 229);
  axclient1 = new camera::Taxclient(seams_.videoBackend, Panel1);
  axclient1->setObjectName(QStringLiteral("axclient1"));
  Fill(Panel1, axclient1);

  Panel2 = Place(MakePanel(Panel5, "Panel2"), "Panel2", 406, 8, 313, 209);
  auto* sceneCaption = new QLabel(QStringLiteral("抓拍图片"), Panel2);
  sceneCaption->setAlignment(Qt::AlignCenter);
  sceneCaption->setGeometry(Panel2->contentsRect());
  // The view has no background of its own: the caption shows until a picture covers it.
  imgAll = new PictureView(Panel2);
  imgAll->setObjectName(QStringLiteral("imgAll"));
  Fill(Panel2, imgAll);

  Panel3 = Place(MakePanel(Panel5, "Panel3"), "Panel3", 406, 223, 313, 73);
  auto* plateCaption = new QLabel(QStringLiteral("车牌图片"), Panel3);
  plateCaption->setAlignment(Qt::AlignCenter);
  plateCaption->setGeometry(Panel3->contentsRect());
  imgPlate = new PictureView(Panel3);
  imgPlate->setObjectName(QStringLiteral("imgPlate"));
  Fill(Panel3, imgPlate);

  edtPlate = Place(new QLineEdit(Panel5), "edtPlate", 9, 241, 392, 56);
  edtPlate->setReadOnly(true);
  QFont plateFont(QStringLiteral("黑体"));
  plateFont.setPixelSize(48);
  plateFont.setBold(true);
  edtPlate->setFont(plateFont);
  QPalette platePalette = edtPlate->palette();
  platePalette.setColor(QPalette::Base, Qt::blue);
  platePalette.setColor(QPalette::Text, Qt::white);
  edtPlate->setPalette(platePalette);
}

void TfmVideoStream::BindHandlers() {
  const auto onClick = [this](QAbstractButton* button, void (TfmVideoStream::*handler)()) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  onClick(BitBtn1, &TfmVideoStream::BitBtn1Click);
  onClick(BitBtn4, &TfmVideoStream::BitBtn4Click);
  onClick(BitBtn2, &TfmVideoStream::BitBtn2Click);
  onClick(BitBtn7, &TfmVideoStream::BitBtn7Click);
  onClick(BitBtn6, &TfmVideoStream::BitBtn6Click);
  onClick(Button2, &TfmVideoStream::Button2Click);
  onClick(BitBtn5, &TfmVideoStream::BitBtn5Click);
  onClick(BitBtn3, &TfmVideoStream::BitBtn3Click);
  onClick(Button3, &TfmVideoStream::Button3Click);
  onClick(BitBtn8, &TfmVideoStream::BitBtn8Click);
  onClick(Button1, &TfmVideoStream::Button1Click);
  onClick(Button4, &TfmVideoStream::Button4Click);
  onClick(Button5, &TfmVideoStream::Button5Click);
  // Fires on every change of state, also when set from code.
  connect(chkReadCard, &QCheckBox::toggled, this,
          [this] { Guarded([this] { chkReadCardClick(); }); });
  connect(tmReadCard, &QTimer::timeout, this, [this] { Guarded([this] { tmReadCardTimer(); }); });

  // The event's byte pointers are valid only while the event is being raised.
  connect(
      sdk1, &camera::Tsdk::OnZELIPCSDKPlate, this,
      [this](const QString& bstrIP, const QString& bstrNumber, const QString& bstrColor,
             const std::uint8_t* nPicData, std::int32_t nPicLen,
             const std::uint8_t* nCloseUpPicData, std::int32_t nCloseUpPicLen, std::int32_t nSpeed,
             std::int32_t nCapTime, std::int32_t nReserved1, std::int32_t nReserved2,
             float fPlateConfidence, std::int32_t nVehicleColor, std::int32_t nPlateType,
             std::int32_t nVehicleDir, std::int32_t nAlarmType) {
        Guarded([&] {
          sdk1ZEL_IPCSDK_Plate(bstrIP, bstrNumber, bstrColor, nPicData, nPicLen, nCloseUpPicData,
                               nCloseUpPicLen, nSpeed, nCapTime, nReserved1, nReserved2,
                               fPlateConfidence, nVehicleColor, nPlateType, nVehicleDir,
                               nAlarmType);
        });
      },
      Qt::DirectConnection);
  connect(
      sdk1, &camera::Tsdk::OnZELIPCSDKTransSerialPort, this,
      [this](const QString& bstrIP, const std::uint8_t* nData, std::int32_t nLen) {
        Guarded([&] { sdk1ZELIPCSDKTransSerialPort(bstrIP, nData, nLen); });
      },
      Qt::DirectConnection);
  connect(sdk1, &camera::Tsdk::OnNotice, this, &TfmVideoStream::AppendMessage);
}

void TfmVideoStream::SetTabOrder() {
  const QList<QWidget*> order{
      BitBtn1, edtCameraIP, cmbxVoice, rgpSystemType, cmbxControl, cmbxScreen, BitBtn2,
      BitBtn7, BitBtn3,     Button1,   Button2,       Button3,     BitBtn4,    BitBtn5,
      BitBtn6, chkReadCard, BitBtn8,   rgpVoiceType,  Button4,     Button5,    edtSpaceCount};
  for (qsizetype index = 1; index < order.size(); ++index)
    QWidget::setTabOrder(order[index - 1], order[index]);
}

void TfmVideoStream::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowMessageBox(ErrorText(error));
  } catch (...) {
    ShowMessageBox(QStringLiteral("未知错误"));
  }
}

void TfmVideoStream::ShowMessageBox(const QString& text) {
  // A modal box runs a nested event loop, so timer ticks and camera events
  // keep arriving; their errors must not open box upon box.
  if (messageBoxOpen_) {
    AppendMessage(text);
    return;
  }
  messageBoxOpen_ = true;
  const auto closed = qScopeGuard([this] { messageBoxOpen_ = false; });
  seams_.messageBoxes->ShowModal(text);
}

void TfmVideoStream::AppendMessage(const QString& line) {
  memMessage->AppendLine(line);
  if (sessionLog_ && !sessionLog_->Append(line)) ReportSessionLogLost();
}

void TfmVideoStream::OpenSessionLog() {
  if (seams_.sessionLogPath.isEmpty()) return;
  sessionLog_ = std::make_unique<SessionLog>(seams_.sessionLogPath);
  if (!sessionLog_->IsOpen()) ReportSessionLogLost();
}

void TfmVideoStream::ReportSessionLogLost() {
  const QString notice = QStringLiteral("会话日志 %1 无法写入(%2),此后的消息不再记录到文件")
                             .arg(sessionLog_->Path(), sessionLog_->Error());
  sessionLog_.reset();
  memMessage->AppendLine(notice);
}

void TfmVideoStream::FormCreate() {
  connectionHandle_ = 0;
  pictureStream_ = std::make_unique<std::vector<std::uint8_t>>();
  snapshot_ = std::make_unique<camera::AutomationByteArray>(kPictureBufferSize);
}

void TfmVideoStream::FormShow() {}

void TfmVideoStream::FormClose() {
  BitBtn4Click();
  pictureStream_.reset();
}

void TfmVideoStream::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Guarded([this] { FormShow(); });
}

void TfmVideoStream::closeEvent(QCloseEvent* event) {
  // A close handler that fails keeps the window open, connection and all.
  bool closed = false;
  Guarded([&] {
    FormClose();
    closed = true;
  });
  event->setAccepted(closed);
}

void TfmVideoStream::BitBtn1Click() {
  // Half a reply from before must not swallow the first reply of this connection.
  replies_ = {};
  connectionHandle_ = sdk1->Connect(edtCameraIP->text(), 0);
  axclient1->SetStreamAddress(edtCameraIP->text());
  sdk1->ConfigureConnection(connectionHandle_, 1, 1);
}

void TfmVideoStream::BitBtn4Click() {
  if (connectionHandle_ == 0) return;
  sdk1->Disconnect(connectionHandle_);
  axclient1->SetStreamAddress(QStringLiteral("0"));
  connectionHandle_ = 0;
}

void TfmVideoStream::sdk1ZEL_IPCSDK_Plate(const QString&, const QString& bstrNumber, const QString&,
                                          const std::uint8_t* nPicData, std::int32_t nPicLen,
                                          const std::uint8_t* nCloseUpPicData,
                                          std::int32_t nCloseUpPicLen, std::int32_t, std::int32_t,
                                          std::int32_t, std::int32_t, float, std::int32_t,
                                          std::int32_t, std::int32_t, std::int32_t) {
  edtPlate->setText(bstrNumber);
  if (nCloseUpPicLen > 0) {
    const QString file = PicturePath(kCloseUpFile);
    try {
      WritePictureFile(file, nCloseUpPicData, nCloseUpPicLen);
    } catch (...) {
      ShowMessageBox(QStringLiteral("写入图片文件") + file + QStringLiteral("出错:"));
    }
    seams_.pause(kCloseUpPauseMs);
    ShowPictureFile(*imgPlate, file);
  }
  if (nPicLen > 0) {
    const QString file = PicturePath(kSceneFile);
    try {
      WritePictureFile(file, nPicData, nPicLen);
    } catch (const std::exception& error) {
      ShowMessageBox(QStringLiteral("写入图片文件") + file + QStringLiteral("出错:") +
                     ErrorText(error));
    }
    seams_.pause(kScenePauseMs);
    ShowPictureFile(*imgAll, file);
  }
}

void TfmVideoStream::ShowPictureFile(PictureView& view, const QString& path) {
  try {
    view.LoadFromFile(path);
  } catch (const std::exception& error) {
    ShowMessageBox(QStringLiteral("显示图片文件") + path + QStringLiteral("出错:") +
                   ErrorText(error));
  }
}

void TfmVideoStream::WritePictureFile(const QString& path, const std::uint8_t* data,
                                      std::int32_t length) {
  if (!pictureStream_) throw std::logic_error("picture stream already released");
  if (data == nullptr) throw std::invalid_argument("no picture bytes");
  pictureStream_->resize(static_cast<std::size_t>(length));
  std::memcpy(pictureStream_->data(), data, pictureStream_->size());

  // Written beside the old file and renamed over it, so a failed write never
  // leaves a half-written picture for the view to load. Not synced to disk
  // (QSaveFile would): the next plate replaces the file anyway, and a sync
  // per picture cut the plates a busy lane can show by a third.
  const QString staging = path + QStringLiteral(".new");
  QFile file(staging);
  const bool written =
      file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
      file.write(reinterpret_cast<const char*>(pictureStream_->data()), length) == length &&
      file.flush();
  const QString writeError = file.errorString();
  file.close();
  std::error_code renameError;
  if (written) {
    std::filesystem::rename(std::filesystem::path(staging.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), renameError);
  }
  if (written && !renameError) return;
  QFile::remove(staging);
  throw std::runtime_error(written ? renameError.message() : writeError.toStdString());
}

void TfmVideoStream::BitBtn2Click() {
  camera::AutomationByteArray picture(kPictureBufferSize);
  QString number;
  QString color;
  std::int32_t length = 0;
  sdk1->Trigger(connectionHandle_, number, color, picture, kPictureBufferSize, length);
}

void TfmVideoStream::BitBtn7Click() {
  std::int32_t length = 0;
  const std::uint8_t result =
      sdk1->Capture(connectionHandle_, *snapshot_, kPictureBufferSize, length);
  if (result != 1 || length <= 0) return;
  // The camera may claim more than the array holds; never read past it.
  SaveSnapshot(*snapshot_, std::min(length, snapshot_->ElementCount()));
}

void TfmVideoStream::SaveSnapshot(camera::AutomationByteArray& snapshot, std::int32_t length) {
  const QString path = PicturePath(kSnapshotFile);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    ShowMessageBox(QStringLiteral("File not found!\\n"));
    return;
  }
  bool written = false;
  {
    camera::ArrayLock lock(snapshot);
    written = file.write(reinterpret_cast<const char*>(lock.data()), length) == length;
  }
  if (!written || !file.flush() || !file.commit())
    throw std::runtime_error((path + ": " + file.errorString()).toStdString());
  imgAll->LoadFromFile(path);
}

QString TfmVideoStream::PicturePath(const char* fileName) const {
  return QDir(seams_.pictureDirectory).filePath(QString::fromLatin1(fileName));
}
