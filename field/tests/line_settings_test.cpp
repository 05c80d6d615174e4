#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "EchoFilter.h"
#include "LineSettings.h"

namespace field {
namespace {

struct PortCase {
  const char* text;
  bool accepted;
  const char* host;  // of a device server
  quint16 tcpPort;
};

class PortTest : public testing::TestWithParam<PortCase> {};

TEST_P(PortTest, AcceptsDevicePathsAndDeviceServers) {
  QString error;
  const auto port = ParsePort(QString::fromUtf8(GetParam().text), error);

  ASSERT_EQ(port.has_value(), GetParam().accepted) << error.toStdString();
  if (!port) {
    EXPECT_FALSE(error.isEmpty());
    return;
  }
  LineSettings settings;
  settings.port = *port;
  EXPECT_EQ(settings.Host(), QString::fromUtf8(GetParam().host));
  EXPECT_EQ(settings.TcpPort(), GetParam().tcpPort);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortTest,
    testing::Values(PortCase{"/dev/ttyUSB0", true, "", 0},
                    PortCase{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", true, "", 0},
                    PortCase{"/tmp/lane-tty", true, "", 0},
                    PortCase{"tcp:127.0.0.1:4001", true, "127.0.0.1", 4001},
                    PortCase{"tcp:[::1]:4001", true, "::1", 4001},
                    PortCase{"tcp:lane-server.local:65535", true, "lane-server.local", 65535},
                    PortCase{"", false, "", 0}, PortCase{"tcp:127.0.0.1", false, "", 0},
                    PortCase{"tcp::4001", false, "", 0}, PortCase{"tcp:127.0.0.1:0", false, "", 0},
                    PortCase{"tcp:127.0.0.1:65536", false, "", 0},
                    PortCase{"tcp:127.0.0.1:40x", false, "", 0}));

TEST(LineValues, EachIsParsedOrRefusedWithItsReason) {
  QString error;
  EXPECT_EQ(ParseBaud(QStringLiteral("9600"), error), 9600);
  EXPECT_EQ(ParseBaud(QStringLiteral("115200"), error), 115200);
  for (const char* bad : {"0", "-9600", "96OO", "", "4000001"}) {
    EXPECT_FALSE(ParseBaud(QString::fromUtf8(bad), error)) << bad;
  }
  EXPECT_EQ(ParseDataBits(QStringLiteral("7"), error), 7);
  EXPECT_FALSE(ParseDataBits(QStringLiteral("9"), error));
  EXPECT_EQ(error, QStringLiteral("data bits \"9\" is not one of 5 6 7 8"));
  EXPECT_EQ(ParseParity(QStringLiteral("even"), error), LineSettings::Parity::Even);
  EXPECT_FALSE(ParseParity(QStringLiteral("mark"), error));
  EXPECT_EQ(error, QStringLiteral("parity \"mark\" is not none, even or odd"));
  EXPECT_EQ(ParseStopBits(QStringLiteral("2"), error), 2);
  EXPECT_FALSE(ParseStopBits(QStringLiteral("1.5"), error));
}

TEST(LineValues, TheWholeLineIsReadOrTheWrongOptionNamed) {
  QString error;
  const auto line = ParseLineSettings({"/dev/ttyUSB0", "19200", "7", "even", "2", ""}, error);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->Describe(), QStringLiteral("/dev/ttyUSB0 19200 7E2"));

  const LineSettingTexts good{"/dev/ttyUSB0", "9600", "8", "none", "1", ""};
  struct Wrong {
    QString LineSettingTexts::*field;
    const char* text;
    const char* option;
  };
  for (const auto& [field, text, option] : {Wrong{&LineSettingTexts::port, "", "--serial: "},
                                            Wrong{&LineSettingTexts::baud, "", "--baud: "},
                                            Wrong{&LineSettingTexts::dataBits, "", "--data-bits: "},
                                            Wrong{&LineSettingTexts::parity, "", "--parity: "},
                                            Wrong{&LineSettingTexts::stopBits, "", "--stop-bits: "},
                                            Wrong{&LineSettingTexts::rxGap, "x", "--rx-gap: "}}) {
    LineSettingTexts texts = good;
    texts.*field = QString::fromUtf8(text);
    EXPECT_FALSE(ParseLineSettings(texts, error)) << option;
    EXPECT_TRUE(error.startsWith(QLatin1String(option))) << error.toStdString();
  }
}

TEST(LineSettings, DescribesTheLineAsEngineersWriteIt) {
  LineSettings tty;
  tty.port = QStringLiteral("/dev/ttyUSB0");
  EXPECT_EQ(tty.Describe(), QStringLiteral("/dev/ttyUSB0 9600 8N1"));
  tty.baud = 19200;
  tty.dataBits = 7;
  tty.parity = LineSettings::Parity::Even;
  tty.stopBits = 2;
  EXPECT_EQ(tty.Describe(), QStringLiteral("/dev/ttyUSB0 19200 7E2"));

  LineSettings server;
  server.port = QStringLiteral("tcp:127.0.0.1:4001");
  EXPECT_TRUE(server.IsDeviceServer());
  EXPECT_EQ(server.Describe(), QStringLiteral("tcp:127.0.0.1:4001"));
}

struct GapCase {
  int baud;
  int dataBits;
  LineSettings::Parity parity;
  int stopBits;
  int gapMs;  // 3.5 characters of start, data, parity and stop bits, rounded up; at least 20
};

class RxGapTest : public testing::TestWithParam<GapCase> {};

TEST_P(RxGapTest, IsThreeAndAHalfCharactersButNeverUnderTwentyMilliseconds) {
  LineSettings line;
  line.baud = GetParam().baud;
  line.dataBits = GetParam().dataBits;
  line.parity = GetParam().parity;
  line.stopBits = GetParam().stopBits;
  EXPECT_EQ(line.RxGapMs(), GetParam().gapMs);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, RxGapTest,
    testing::Values(GapCase{115200, 8, LineSettings::Parity::None, 1, 20},
                    GapCase{9600, 8, LineSettings::Parity::None, 1, 20},   // 3.65 ms
                    GapCase{1200, 8, LineSettings::Parity::None, 1, 30},   // 29.17 ms
                    GapCase{1200, 7, LineSettings::Parity::Even, 1, 30},   // ten bits too
                    GapCase{300, 8, LineSettings::Parity::Even, 2, 140},   // twelve bits
                    GapCase{110, 5, LineSettings::Parity::None, 1, 223}),  // 222.73 ms
    [](const auto& info) {
      return "Baud" + std::to_string(info.param.baud) + "_" + std::to_string(info.index);
    });

TEST(LineSettings, AnRxGapTypedReplacesTheRatesOwn) {
  QString error;
  const auto typed = ParseLineSettings({"/dev/ttyUSB0", "9600", "8", "none", "1", "5"}, error);
  ASSERT_TRUE(typed) << error.toStdString();
  EXPECT_EQ(typed->RxGapMs(), 5);
  const auto untyped = ParseLineSettings({"/dev/ttyUSB0", "1200", "8", "none", "1", ""}, error);
  ASSERT_TRUE(untyped) << error.toStdString();
  EXPECT_EQ(untyped->RxGapMs(), 30);
  for (const char* bad : {"-1", "10001", "20ms", "2.5"}) {
    EXPECT_FALSE(ParseRxGap(QString::fromUtf8(bad), error)) << bad;
  }
  EXPECT_EQ(ParseRxGap(QStringLiteral("0"), error), 0);
  EXPECT_EQ(ParseRxGap(QStringLiteral("10000"), error), 10000);
}

struct EchoCase {
  const char* name;
  std::vector<QByteArray> sent;
  std::vector<QByteArray> received;
  QByteArray passed;  // everything Filter let through, in order
};

class EchoTest : public testing::TestWithParam<EchoCase> {};

TEST_P(EchoTest, DropsOnlyWhatComesBackFirstAsSent) {
  EchoFilter filter;
  for (const QByteArray& bytes : GetParam().sent) filter.Sent(bytes);
  QByteArray passed;
  for (const QByteArray& chunk : GetParam().received) passed += filter.Filter(chunk);
  EXPECT_EQ(passed.toHex(' '), GetParam().passed.toHex(' '));
}

const QByteArray kFrame = QByteArray::fromHex("55D54400000001000587BBA200647EA6");
const QByteArray kReply = QByteArray::fromHex("55D54400000001001122EDA2");

INSTANTIATE_TEST_SUITE_P(
    Streams, EchoTest,
    testing::Values(
        EchoCase{"EchoThenReply", {kFrame}, {kFrame + kReply}, kReply},
        EchoCase{"EchoSplitAnyhow",
                 {kFrame},
                 {kFrame.left(3), kFrame.mid(3, 10), kFrame.mid(13) + kReply},
                 kReply},
        EchoCase{"NoEchoAtAll", {kFrame}, {kReply}, kReply},
        EchoCase{"AnEmptyFrameHasNoEcho", {QByteArray(), kFrame}, {kFrame + kReply}, kReply},
        EchoCase{"TwoFramesEchoedInOne", {kFrame, kFrame}, {kFrame + kFrame}, {}},
        EchoCase{"EchoOfOneFrameThenAnswer", {kFrame, kFrame}, {kFrame + kReply}, kReply},
        // The first byte that differs ends the echo: nothing is eaten.
        EchoCase{"AnswerThatBeginsAsTheCommandDid",
                 {kFrame},
                 {kFrame.left(4) + kFrame, kReply},
                 kFrame.left(4) + kFrame + kReply},
        EchoCase{"NothingSent", {}, {kFrame}, kFrame}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace field
