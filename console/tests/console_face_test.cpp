#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <initializer_list>

#include "ConsoleFace.h"
#include "ConsoleTestFixture.h"

namespace {

class ConsoleFaceTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    UseConsoleFace();
  }
  void TearDown() override {
    QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  }
};

TEST_F(ConsoleFaceTest, EveryFaceOfTheWindowIsUnhinted) {
  const auto built = MakeWindow(pictures.path());

  EXPECT_EQ(built->font().family(), QStringLiteral("宋体"));
  EXPECT_EQ(built->font().pixelSize(), 14);
  for (const QWidget* control :
       std::initializer_list<const QWidget*>{built.get(), built->edtCameraIP, built->cmbxScreen,
                                             built->edtPlate, built->memMessage}) {
    EXPECT_EQ(control->font().hintingPreference(), QFont::PreferNoHinting)
        << control->objectName().toStdString();
  }
  EXPECT_EQ(built->edtPlate->font().pixelSize(), 48);
  EXPECT_TRUE(built->edtPlate->font().bold());
}

// Nothing outside the program maps the Windows face names: without the
// console's own substitution they would fall back to a face without Chinese.
TEST_F(ConsoleFaceTest, WindowsFaceNamesResolveToAnInstalledCjkFace) {
  for (const QString& name : {QStringLiteral("宋体"), QStringLiteral("黑体")}) {
    const QString resolved = QFontInfo(QFont(name)).family();

    EXPECT_TRUE(QFontDatabase::writingSystems(resolved).contains(QFontDatabase::SimplifiedChinese))
        << name.toStdString() << " resolves to " << resolved.toStdString();
  }
}

TEST_F(ConsoleFaceTest, MessageBoxesShowInTheConsoleFace) {
  QMessageBox box;

  EXPECT_EQ(box.font().family(), QStringLiteral("宋体"));
  EXPECT_EQ(box.font().pixelSize(), 14);
}

}  // namespace
