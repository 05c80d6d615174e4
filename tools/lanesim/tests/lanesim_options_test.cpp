#include <gtest/gtest.h>

#include <QRegularExpression>

#include "LaneSimOptions.h"

namespace lanesim {
namespace {

ParsedOptions Parse(QStringList arguments) {
  return ParseOptions(QStringList{QStringLiteral("lanesim")} + arguments);
}

TEST(LaneSimOptions, ValidCommandLines) {
  const struct {
    QStringList arguments;
    LineKind line;
    QString link;
    int port;
    int baud;
    bool quiet;
    std::optional<std::uint16_t> rtsp;
  } cases[] = {
      {{"--pty", "/tmp/lane-tty"}, LineKind::Pty, "/tmp/lane-tty", 0, 9600, false, {}},
      {{"--tcp=65535", "--baud", "50", "--quiet"}, LineKind::Tcp, "", 65535, 50, true, {}},
      {{"--pty", "/tmp/lane-tty", "--rtsp", "8554"},
       LineKind::Pty,
       "/tmp/lane-tty",
       0,
       9600,
       false,
       8554},
      {{"--rtsp=0", "--tcp", "4001"}, LineKind::Tcp, "", 4001, 9600, false, 0},
      {{"--rtsp", "65535", "--quiet"}, LineKind::None, "", 0, 9600, true, 65535},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    ASSERT_EQ(parsed.outcome, ParsedOptions::Outcome::Run) << parsed.text.toStdString();
    EXPECT_EQ(parsed.options.line, c.line);
    EXPECT_EQ(parsed.options.link, c.link);
    EXPECT_EQ(parsed.options.port, c.port);
    EXPECT_EQ(parsed.options.baud, c.baud);
    EXPECT_EQ(parsed.options.quiet, c.quiet);
    EXPECT_EQ(parsed.options.rtspPort, c.rtsp);
  }
}

TEST(LaneSimOptions, PushGoesAloneOrWithTheRest) {
  const struct {
    QStringList arguments;
    const char* url;
    PushFormat format;
    LineKind line;
  } cases[] = {
      {{"--push", "http://127.0.0.1:8080/plates"},
       "http://127.0.0.1:8080/plates",
       PushFormat::Console,
       LineKind::None},
      {{"--push=http://127.0.0.1/p", "--push-format", "openalpr", "--tcp", "0"},
       "http://127.0.0.1/p",
       PushFormat::OpenAlpr,
       LineKind::Tcp},
      {{"--rtsp", "0", "--push", "HTTP://127.0.0.1:8080/x", "--push-format=platerecognizer"},
       "http://127.0.0.1:8080/x",
       PushFormat::PlateRecognizer,
       LineKind::None},
      {{"--tcp", "0"}, "", PushFormat::Console, LineKind::Tcp},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    ASSERT_EQ(parsed.outcome, ParsedOptions::Outcome::Run) << parsed.text.toStdString();
    EXPECT_EQ(parsed.options.pushUrl.toString(), QLatin1String(c.url));
    EXPECT_EQ(parsed.options.pushFormat, c.format);
    EXPECT_EQ(parsed.options.line, c.line);
  }
}

TEST(LaneSimOptions, InvalidCommandLinesSayWhyInOneLine) {
  const struct {
    QStringList arguments;
    const char* says;
  } cases[] = {
      {{"--pty", "a", "--tcp", "1"}, "one of --pty <link> and --tcp <port>, not both"},
      {{"--pty", "a", "--tcp", "1", "--rtsp", "0"}, "not both"},
      {{"--quiet"}, "nothing to serve"},
      {{"--rtsp", "-1"}, "--rtsp wants a port from 0 to 65535, not '-1'"},
      {{"--pty", "a", "--rtsp", "65536"}, "--rtsp wants a port"},
      {{"--rtsp"}, "Missing value after '--rtsp'"},
      {{"--pty", ""}, "--pty wants a path"},
      {{"--tcp", "65536"}, "--tcp wants a port from 0 to 65535, not '65536'"},
      {{"--pty", "a", "--baud", "49"}, "--baud wants a rate from 50 to 4000000, not '49'"},
      {{"--pty", "a", "--baud", "fast"}, "--baud wants a rate"},
      {{"--pty", "a", "extra"}, "unexpected argument 'extra'"},
      {{"--help-all", "--pty", "a"}, "help-all"},
      {{"--push"}, "Missing value after '--push'"},
      {{"--push", "https://127.0.0.1/plates"},
       "--push wants an http:// URL, not 'https://127.0.0.1/plates'"},
      {{"--push", "127.0.0.1:8080/plates"}, "--push wants an http:// URL"},
      {{"--push", "http:///plates"}, "--push wants an http:// URL"},
      {{"--push", "http://127.0.0.1/", "--push-format", "xml"},
       "--push-format wants one of console, openalpr, platerecognizer, not 'xml'"},
      {{"--tcp", "0", "--push-format", "console"}, "--push-format goes with --push <url>"},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    EXPECT_EQ(parsed.outcome, ParsedOptions::Outcome::Invalid);
    EXPECT_TRUE(parsed.text.contains(QLatin1String(c.says))) << parsed.text.toStdString();
    EXPECT_FALSE(parsed.text.trimmed().contains('\n')) << parsed.text.toStdString();
  }
}

TEST(LaneSimOptions, OnvifCameraSettings) {
  using onvif::AuthMode;
  const struct {
    QStringList arguments;
    int port;
    const char* user;
    const char* password;
    AuthMode auth;
    bool ver10;
    bool ver20;
    qint64 offsetS;
    const char* host;
  } cases[] = {
      {{"--onvif", "8080"}, 8080, "admin", "admin", AuthMode::Both, true, true, 0, "127.0.0.1"},
      {{"--onvif=0", "--onvif-user", "op", "--onvif-password", "", "--onvif-auth", "token"},
       0,
       "op",
       "",
       AuthMode::Token,
       true,
       true,
       0,
       "127.0.0.1"},
      {{"--onvif", "1", "--onvif-auth=digest", "--onvif-media", "1", "--onvif-clock-offset",
        "-7200", "--rtsp", "0"},
       1,
       "admin",
       "admin",
       AuthMode::Digest,
       true,
       false,
       -7200,
       "127.0.0.1"},
      {{"--onvif", "65535", "--onvif-media", "2", "--onvif-clock-offset", "10800", "--onvif-host",
        "Camera.Lane"},
       65535,
       "admin",
       "admin",
       AuthMode::Both,
       false,
       true,
       10800,
       "camera.lane"},
      {{"--onvif", "0", "--onvif-media", "both", "--onvif-host", "127.0.0.2"},
       0,
       "admin",
       "admin",
       AuthMode::Both,
       true,
       true,
       0,
       "127.0.0.2"},
  };
  for (const auto& c : cases) {
    const ParsedOptions parsed = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    ASSERT_EQ(parsed.outcome, ParsedOptions::Outcome::Run) << parsed.text.toStdString();
    EXPECT_EQ(parsed.options.onvifPort, c.port);
    EXPECT_EQ(parsed.options.onvif.user, QLatin1String(c.user));
    EXPECT_EQ(parsed.options.onvif.password, QLatin1String(c.password));
    EXPECT_EQ(parsed.options.onvif.auth, c.auth);
    EXPECT_EQ(parsed.options.onvif.media.ver10, c.ver10);
    EXPECT_EQ(parsed.options.onvif.media.ver20, c.ver20);
    EXPECT_EQ(parsed.options.onvif.clockOffset.count(), c.offsetS);
    EXPECT_EQ(parsed.options.onvif.host, QLatin1String(c.host));
  }
  EXPECT_FALSE(Parse({"--tcp", "0"}).options.onvifPort);

  const struct {
    QStringList arguments;
    const char* says;
  } refused[] = {
      {{"--onvif", "65536"}, "--onvif wants a port from 0 to 65535, not '65536'"},
      {{"--onvif"}, "Missing value after '--onvif'"},
      {{"--onvif", "0", "--onvif-auth", "basic"},
       "--onvif-auth wants token, digest or both, not 'basic'"},
      {{"--onvif", "0", "--onvif-media", "3"}, "--onvif-media wants 1, 2 or both, not '3'"},
      {{"--onvif", "0", "--onvif-clock-offset", "1.5"}, "--onvif-clock-offset wants whole seconds"},
      {{"--onvif", "0", "--onvif-clock-offset", "9999999999"}, "within a century"},
      {{"--onvif", "0", "--onvif-host", "127.0.0.1:80"}, "--onvif-host wants a host name"},
      {{"--onvif", "0", "--onvif-host", "a b"}, "--onvif-host wants a host name"},
      {{"--onvif", "0", "--onvif-user", ""}, "--onvif-user wants a name"},
      {{"--tcp", "0", "--onvif-auth", "token"}, "--onvif-auth goes with --onvif <port>"},
      {{"--onvif-host", "127.0.0.2"}, "nothing to serve"},
  };
  for (const auto& c : refused) {
    const ParsedOptions parsed = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    EXPECT_EQ(parsed.outcome, ParsedOptions::Outcome::Invalid);
    EXPECT_TRUE(parsed.text.contains(QLatin1String(c.says))) << parsed.text.toStdString();
  }
}

TEST(LaneSimOptions, HelpDocumentsEveryOption) {
  EXPECT_EQ(Parse({"-h"}).outcome, ParsedOptions::Outcome::Help);
  const ParsedOptions parsed = Parse({"--tcp", "0", "--help"});
  ASSERT_EQ(parsed.outcome, ParsedOptions::Outcome::Help);
  for (const char* option :
       {"--pty <link>", "--tcp <port>", "--rtsp <port>", "--push <url>", "--push-format <format>",
        "--baud <rate>", "--quiet", "--help", "SIGUSR1", "--onvif <port>", "--onvif-user <name>",
        "--onvif-password <password>", "--onvif-auth <mode>", "--onvif-media <version>",
        "--onvif-clock-offset <seconds>", "--onvif-host <name>"})
    EXPECT_TRUE(parsed.text.contains(QLatin1String(option))) << option;
}

TEST(LaneSimOptions, VersionNeedsNothingElse) {
  const ParsedOptions parsed = Parse({"--version"});
  ASSERT_EQ(parsed.outcome, ParsedOptions::Outcome::Version);
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^lanesim \d+\.\d+\.\d+$)"))
                  .match(parsed.text)
                  .hasMatch())
      << parsed.text.toStdString();
}

}  // namespace
}  // namespace lanesim
