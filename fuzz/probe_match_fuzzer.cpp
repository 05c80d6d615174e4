#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "WsDiscoveryMessages.h"

namespace {

using namespace field::onvif;

void CheckWords(const QStringList& words) {
  FuzzCheck(words.size() <= kMostWordsPerList, "a list is bounded");
  for (const QString& word : words) {
    FuzzCheck(!word.isEmpty() && word.size() <= kLongestWord, "a word is bounded and not empty");
    FuzzCheck(std::none_of(word.begin(), word.end(), [](QChar c) { return c.isSpace(); }),
              "a word holds no blank");
  }
}

// Text that any XML writer can carry unchanged: printable and not blank at either end.
bool IsPlainText(const QString& text) {
  return !text.isEmpty() && text == text.trimmed() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

// A datagram from the network, read as a camera's answer and as a probe; and
// as a message ID, which a probe must carry back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  const std::vector<ProbeMatch> matches = ReadProbeMatches(bytes);
  FuzzCheck(static_cast<int>(matches.size()) <= kMostMatchesPerAnswer, "matches are bounded");
  for (const ProbeMatch& match : matches) {
    FuzzCheck(!match.endpoint.isEmpty() || !match.serviceAddresses.isEmpty(),
              "a match names its endpoint or a service");
    FuzzCheck(match.endpoint.size() <= kLongestWord, "the endpoint is bounded");
    CheckWords(match.types);
    CheckWords(match.scopes);
    CheckWords(match.serviceAddresses);
    FuzzCheck(match.name == ScopeValue(match.scopes, u"name") &&
                  match.hardware == ScopeValue(match.scopes, u"hardware"),
              "name and hardware come from the scopes");
  }

  if (const std::optional<Probe> probe = ReadProbe(bytes)) {
    FuzzCheck(probe->messageId.size() <= kLongestWord, "the message ID is bounded");
    CheckWords(probe->types);
    CheckWords(probe->scopes);
  }

  const QString id = QString::fromUtf8(bytes);
  if (id.size() <= kLongestWord && IsPlainText(id) && id.toUtf8() == bytes) {
    const std::optional<Probe> sent = ReadProbe(BuildProbe(ProbeType::Device, id));
    FuzzCheck(sent && sent->messageId == id, "a probe carries its message ID unchanged");
    FuzzCheck(sent->types == QStringList{QStringLiteral("tds:Device")}, "a probe asks for its type");
  }
  return 0;
}
