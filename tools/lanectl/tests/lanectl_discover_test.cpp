// `lanectl discover`: its arguments, and the real program asking lanesim's
// responder on 127.0.0.1 (unicast only: multicast is tested in a namespace).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <sstream>

#include "LaneCtl.h"
#include "LaneCtlProcess.h"
#include "LaneSimProcess.h"

namespace {

using lanesim::testing::kPatienceMs;
using lanesim::testing::LaneSimProcess;

// --- Arguments, with a searcher that records what it was asked.

struct ArgsRun {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<lanectl::DiscoverRequest> asked;
};

ArgsRun Discover(const std::vector<std::string>& args,
                 lanectl::DiscoverOutcome answer = {lanectl::DiscoverOutcome::Kind::Found, {}}) {
  ArgsRun run;
  std::ostringstream out;
  std::ostringstream err;
  run.status =
      RunLaneCtl(args, out, err, {}, {},
                 [&](const lanectl::DiscoverRequest& request, std::ostream&, std::ostream&) {
                   run.asked.push_back(request);
                   return answer;
                 });
  run.out = out.str();
  run.err = err.str();
  return run;
}

TEST(DiscoverArguments, DefaultsToThreeSecondsOfMulticast) {
  const ArgsRun run = Discover({"discover"});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.asked.size(), 1u);
  EXPECT_EQ(run.asked[0].timeoutMs, 3000);
  EXPECT_TRUE(run.asked[0].to.empty());
  EXPECT_FALSE(run.asked[0].json);
}

TEST(DiscoverArguments, PassesTimeoutAddressesAndJson) {
  const ArgsRun run = Discover(
      {"discover", "--timeout", "700", "--to", "127.0.0.1", "--to", "127.0.0.1:3703", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.asked.size(), 1u);
  EXPECT_EQ(run.asked[0].timeoutMs, 700);
  EXPECT_EQ(run.asked[0].to, (std::vector<std::string>{"127.0.0.1", "127.0.0.1:3703"}));
  EXPECT_TRUE(run.asked[0].json);
}

TEST(DiscoverArguments, BadInputIsStatus2AndOneLine) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"discover", "--timeout", "0"},
        std::vector<std::string>{"discover", "--timeout", "-5"},
        std::vector<std::string>{"discover", "--timeout", "soon"},
        std::vector<std::string>{"discover", "--to"},
        std::vector<std::string>{"discover", "camera"}}) {
    const ArgsRun run = Discover(bad);
    EXPECT_EQ(run.status, 2) << bad.back();
    EXPECT_TRUE(run.asked.empty()) << bad.back();
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err.rfind("lanectl: ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

TEST(DiscoverArguments, OutcomesBecomeStatuses) {
  const ArgsRun none =
      Discover({"discover"}, {lanectl::DiscoverOutcome::Kind::NoneFound, "no camera answered"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "lanectl: no camera answered\n");

  const ArgsRun refused =
      Discover({"discover"}, {lanectl::DiscoverOutcome::Kind::BadRequest, "--to: \"x\" is wrong"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "lanectl: --to: \"x\" is wrong\n");

  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunLaneCtl({"discover"}, out, err), 2);
  EXPECT_EQ(err.str(), "lanectl: discover: no network support in this build\n");
}

// --- The real program against lanesim.

QString AfterPrefix(const QStringList& lines, const QString& prefix) {
  for (const QString& line : lines) {
    if (line.startsWith(prefix)) return line.mid(prefix.size());
  }
  return {};
}

// lanesim's camera with its responder on a port of its own, so that tests
// running side by side do not answer each other.
class LaneCtlDiscover : public testing::Test {
 protected:
  static LaneSimProcess* StartLaneSim(const char* discoveryPort) {
    qputenv("LANESIM_DISCOVERY_PORT", discoveryPort);
    auto* process = new LaneSimProcess({"--onvif", "0"});
    qunsetenv("LANESIM_DISCOVERY_PORT");
    return process;
  }

  void SetUp() override {
    ASSERT_TRUE(lanesim->WaitForLineStarting(QStringLiteral("lanesim: WS-Discovery on ")));
    service = AfterPrefix(lanesim->Lines(), QStringLiteral("lanesim: onvif on "));
    responder = AfterPrefix(lanesim->Lines(), QStringLiteral("lanesim: WS-Discovery on "));
    ASSERT_TRUE(responder.startsWith(QStringLiteral("127.0.0.1:"))) << responder.toStdString();
  }

  std::unique_ptr<LaneSimProcess> lanesim{StartLaneSim("0")};
  QString service;
  QString responder;  // 127.0.0.1:PORT
};

TEST_F(LaneCtlDiscover, PrintsTheCameraOnOneLine) {
  const ToolRun run = LaneCtl({"discover", "--timeout", "1000", "--to", responder});

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "127.0.0.1\tlanesim\tVirtual Lane Camera\t" + service + "\n");
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^http://127\\.0\\.0\\.1:\\d+/onvif/device_service$"))
          .match(service)
          .hasMatch())
      << service.toStdString();
}

TEST_F(LaneCtlDiscover, PrintsJsonObjects) {
  const ToolRun run = LaneCtl({"discover", "--timeout", "1000", "--to", responder, "--json"});

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  ASSERT_TRUE(run.out.endsWith(u'\n'));
  ASSERT_EQ(run.out.count(u'\n'), 1);
  const QJsonObject camera = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(camera.value("address").toString(), "127.0.0.1");
  EXPECT_EQ(camera.value("name").toString(), "lanesim");
  EXPECT_EQ(camera.value("hardware").toString(), "Virtual Lane Camera");
  EXPECT_EQ(camera.value("service_address").toString(), service);
  EXPECT_TRUE(camera.value("endpoint").toString().startsWith("urn:uuid:"));
}

TEST_F(LaneCtlDiscover, NoAnswerIsStatus1) {
  const QString port = responder.section(u':', 1);
  const ToolRun run = LaneCtl({"discover", "--timeout", "500", "--to", "127.0.0.2:" + port});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.isEmpty());
  EXPECT_EQ(run.err, "lanectl: no camera answered within 500 ms\n");
}

TEST_F(LaneCtlDiscover, AnAddressThatIsNoneIsStatus2) {
  for (const char* bad : {"localhost", "127.1", "127.0.0.01", "::1", "127.0.0.1:0",
                          "127.0.0.1:65536", "127.0.0.1:"}) {
    const ToolRun run = LaneCtl({"discover", "--timeout", "500", "--to", bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_TRUE(run.out.isEmpty()) << bad;
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lanectl: --to: \"%1\"").arg(bad)))
        << run.err.toStdString();
  }
}

// The default port: another lanesim started by a test beside this one may
// hold it, and answers just the same.
TEST(LaneCtlDiscoverDefaultPort, FindsLaneSimAtPort3702) {
  LaneSimProcess lanesim({"--onvif", "0"});
  ASSERT_TRUE(lanesim.WaitForLineStarting(QStringLiteral("lanesim: onvif on ")));
  const ToolRun run = LaneCtl({"discover", "--timeout", "1000", "--to", "127.0.0.1"});

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^127\\.0\\.0\\.1\tlanesim\tVirtual Lane Camera\thttp://"
                                        "127\\.0\\.0\\.1:\\d+/onvif/device_service\n$"))
          .match(run.out)
          .hasMatch())
      << run.out.toStdString();
}

}  // namespace
