// One chunk per reply: the cutting itself, and a line over a pseudo-terminal
// whose device writes as adapters hand bytes over.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <string>
#include <vector>

#include "PseudoTerminal.h"
#include "ReplyChunker.h"
#include "SerialLine.h"

namespace field {
namespace {

const QByteArray kCardReply =
    QByteArray::fromHex("55D54400000001001122EDA27856341200006401000000000000F261");
const QByteArray kValueReply = QByteArray::fromHex("55D544000000020005E354E31234700E");
const QByteArray kGarbage = QByteArray::fromHex("0102030405");

QByteArray WithBodyBitFlipped(QByteArray reply) {
  reply[13] = static_cast<char>(reply[13] ^ 0x01);
  return reply;
}

std::vector<QByteArray> EachByte(const QByteArray& bytes) {
  std::vector<QByteArray> pieces;
  for (const char byte : bytes) pieces.emplace_back(1, byte);
  return pieces;
}

struct ChunkCase {
  const char* name;
  std::vector<QByteArray> reads;
  std::vector<QByteArray> chunks;  // handed on before any silence
  QByteArray pending;              // what waits for the silence
};

class ReplyChunkerTest : public testing::TestWithParam<ChunkCase> {};

TEST_P(ReplyChunkerTest, EndsAChunkRightAfterEachReply) {
  ReplyChunker chunker;
  std::vector<QByteArray> chunks;
  for (const QByteArray& read : GetParam().reads) {
    for (const QByteArray& chunk : chunker.Add(read)) chunks.push_back(chunk.toHex(' '));
  }
  std::vector<QByteArray> expected;
  for (const QByteArray& chunk : GetParam().chunks) expected.push_back(chunk.toHex(' '));
  EXPECT_EQ(chunks, expected);
  EXPECT_EQ(chunker.HasPending(), !GetParam().pending.isEmpty());
  EXPECT_EQ(chunker.TakePending().toHex(' '), GetParam().pending.toHex(' '));
  EXPECT_FALSE(chunker.HasPending());
}

INSTANTIATE_TEST_SUITE_P(
    Reads, ReplyChunkerTest,
    testing::Values(
        ChunkCase{"AReplyByteByByte", EachByte(kCardReply), {kCardReply}, {}},
        ChunkCase{"TwoRepliesInOneRead", {kCardReply + kValueReply}, {kCardReply, kValueReply}, {}},
        ChunkCase{
            "GarbageBeforeAReplyGoesWithIt", {kGarbage, kCardReply}, {kGarbage + kCardReply}, {}},
        ChunkCase{"AReplyAndTheStartOfTheNext",
                  {kCardReply + kValueReply.left(5)},
                  {kCardReply},
                  kValueReply.left(5)},
        ChunkCase{"GarbageAloneWaits", {kGarbage, kGarbage}, {}, kGarbage + kGarbage},
        ChunkCase{"ABadChecksumStillEndsItsReply",
                  {WithBodyBitFlipped(kCardReply) + kGarbage},
                  {WithBodyBitFlipped(kCardReply)},
                  kGarbage},
        ChunkCase{"AFloodIsCutAtTheLimit",
                  {QByteArray(10000, '\x01')},
                  {QByteArray(4096, '\x01'), QByteArray(4096, '\x01')},
                  QByteArray(10000 - 2 * 4096, '\x01')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyChunker, AResetForgetsHalfAReply) {
  ReplyChunker chunker;
  EXPECT_TRUE(chunker.Add(kCardReply.left(20)).isEmpty());
  chunker.Reset();
  EXPECT_FALSE(chunker.HasPending());
  EXPECT_TRUE(chunker.Add(kCardReply.mid(20)).isEmpty());
  // The card reply's tail is garbage now, and goes with the reply behind it.
  EXPECT_EQ(chunker.Add(kValueReply).value(0).toHex(' '),
            (kCardReply.mid(20) + kValueReply).toHex(' '));
}

class LineChunksTest : public testing::Test {
 protected:
  void Open(int rxGapMs) {
    ASSERT_TRUE(folder.isValid());
    device = std::make_unique<PseudoTerminal>(folder.path());
    LineSettings settings;
    settings.port = device->Link();
    settings.rxGapMs = rxGapMs;
    line = std::make_unique<SerialLine>(settings);
    QObject::connect(line.get(), &SerialLine::Received,
                     [this](const QByteArray& chunk) { received.push_back(chunk.toHex(' ')); });
    line->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->IsUp(); }, 10000));
  }
  // The device hands bytes over `apartMs` apart, as a slow adapter does.
  void Trickle(const QByteArray& bytes, int apartMs) {
    for (const char byte : bytes) {
      device->Write(QByteArray(1, byte));
      QThread::msleep(static_cast<unsigned long>(apartMs));
    }
  }

  QTemporaryDir folder;
  std::unique_ptr<PseudoTerminal> device;
  std::unique_ptr<SerialLine> line;
  std::vector<QByteArray> received;
};

TEST_F(LineChunksTest, BytesLessThanTheGapApartAreOneChunkAndSilenceEndsIt) {
  Open(400);
  Trickle(kGarbage, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, 10000));
  QTest::qWait(800);
  Trickle(kGarbage.left(2), 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= 2; }, 10000));
  QTest::qWait(800);
  EXPECT_EQ(received, (std::vector<QByteArray>{kGarbage.toHex(' '), kGarbage.left(2).toHex(' ')}));
}

TEST_F(LineChunksTest, AWholeReplyIsHandedOnWithoutWaitingForTheSilence) {
  Open(kLongestRxGapMs);
  Trickle(kCardReply, 1);
  device->Write(kGarbage);
  // Far less than the gap: the reply ended its chunk, the garbage behind it waits.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, kLongestRxGapMs / 2));
  QTest::qWait(200);
  EXPECT_EQ(received, std::vector<QByteArray>{kCardReply.toHex(' ')});
}

}  // namespace
}  // namespace field
