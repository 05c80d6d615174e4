#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "../camera/AXCLIENTLib_TLB.h"
#include "../camera/AutomationByteArray.h"
#include "../camera/CameraTypes.h"
#include "../camera/zel_ipcsdkLib_TLB.h"
#include "../protocol/ByteFrame.h"
#include "../protocol/LaneCommands.h"
#include "../protocol/ReplyAssembler.h"
#include "ConsoleSeams.h"
#include "SessionLog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QFrame;
class QGroupBox;
class QRadioButton;
class MessagePane;
class PictureView;
class RadioGroup;

// The commissioning console. Controls keep their long-standing names;
// handlers are named after control and event.
class TfmVideoStream : public QWidget {
  Q_OBJECT

 public:
  // The pane keeps the newest lines only; the session log keeps them all.
  static constexpr int kPaneLineLimit = 100000;

  explicit TfmVideoStream(ConsoleSeams seams, QWidget* parent = nullptr);
  ~TfmVideoStream() override;

  // Command strip.
  QFrame* Panel4 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edtCameraIP = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn4 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn7 = nullptr;
  QPushButton* BitBtn6 = nullptr;
  RadioGroup* rgpSystemType = nullptr;
  QComboBox* cmbxScreen = nullptr;
  QComboBox* cmbxVoice = nullptr;
  QComboBox* cmbxControl = nullptr;
  QLineEdit* edtSpaceCount = nullptr;
  RadioGroup* rgpVoiceType = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* BitBtn5 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* BitBtn8 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QCheckBox* chkReadCard = nullptr;

  // Video, pictures and plate.
  QFrame* Panel5 = nullptr;
  camera::Tsdk* sdk1 = nullptr;
  QFrame* Panel1 = nullptr;
  camera::Taxclient* axclient1 = nullptr;
  QFrame* Panel2 = nullptr;
  PictureView* imgAll = nullptr;
  QFrame* Panel3 = nullptr;
  PictureView* imgPlate = nullptr;
  QLineEdit* edtPlate = nullptr;

  MessagePane* memMessage = nullptr;
  QTimer* tmReadCard = nullptr;

  camera::CameraHandle ConnectionHandle() const { return connectionHandle_; }
  bool PictureStreamReleased() const { return !pictureStream_; }

  // Handlers, bound to their controls' events in the constructor.
  void FormCreate();
  void FormShow();
  void FormClose();
  void BitBtn1Click();
  void BitBtn4Click();
  void BitBtn2Click();
  void BitBtn7Click();
  void sdk1ZEL_IPCSDK_Plate(const QString& bstrIP, const QString& bstrNumber,
                            const QString& bstrColor, const std::uint8_t* nPicData,
                            std::int32_t nPicLen, const std::uint8_t* nCloseUpPicData,
                            std::int32_t nCloseUpPicLen, std::int32_t nSpeed, std::int32_t nCapTime,
                            std::int32_t nReserved1, std::int32_t nReserved2,
                            float fPlateConfidence, std::int32_t nVehicleColor,
                            std::int32_t nPlateType, std::int32_t nVehicleDir,
                            std::int32_t nAlarmType);
  void Button1Click();
  void Button4Click();
  void Button5Click();
  void Button2Click();
  void BitBtn5Click();
  void BitBtn3Click();
  void Button3Click();
  void BitBtn8Click();
  void chkReadCardClick();
  void tmReadCardTimer();
  void BitBtn6Click();
  void sdk1ZELIPCSDKTransSerialPort(const QString& bstrIP, const std::uint8_t* nData,
                                    std::int32_t nLen);

  // Appends one line to the message pane.
  void AppendMessage(const QString& line);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildCommandStrip();
  void BuildPicturePanel();
  void BindHandlers();
  void SetTabOrder();

  // Runs a handler; an escaped error goes to the default error report.
  void Guarded(const std::function<void()>& handler);
  // One modal box at a time: while a box is open, further texts go to the pane.
  void ShowMessageBox(const QString& text);
  void OpenSessionLog();
  // One notice in the pane; the console carries on without the log.
  void ReportSessionLogLost();

  // Camera side.
  void ShowPictureFile(PictureView& view, const QString& path);
  void WritePictureFile(const QString& path, const std::uint8_t* data, std::int32_t length);
  void SaveSnapshot(camera::AutomationByteArray& snapshot, std::int32_t length);
  QString PicturePath(const char* fileName) const;

  // Command side.
  protocol::PanelSelections Selections() const;
  void RunPanelCommand(protocol::PanelCommand command, const QString& logPrefix = {});
  void SendFrame(const protocol::ByteFrame& frame, const QString& logPrefix = {});

  ConsoleSeams seams_;
  camera::CameraHandle connectionHandle_ = 0;
  std::unique_ptr<std::vector<std::uint8_t>> pictureStream_;
  std::unique_ptr<camera::AutomationByteArray> snapshot_;
  bool messageBoxOpen_ = false;
  std::unique_ptr<SessionLog> sessionLog_;
  // Replies split over chunks or glued together are decoded once each.
  protocol::ReplyAssembler replies_;
};
