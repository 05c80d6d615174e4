#include "HttpPictureFetch.h"

#include <httplib.h>

#include <chrono>

namespace field {

FetchedPicture FetchPictureOverHttp(const QUrl& url) {
  httplib::Client client(url.host().toStdString(), url.port(80));
  client.set_connection_timeout(kPictureFetchSeconds, 0);
  client.set_read_timeout(kPictureFetchSeconds, 0);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(kPictureFetchSeconds);
  FetchedPicture picture;
  bool tooLarge = false;
  bool tooSlow = false;
  const QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
  const auto result = client.Get(
      target.isEmpty() ? "/" : target.toStdString(), [&](const char* data, std::size_t length) {
        tooSlow = std::chrono::steady_clock::now() > deadline;
        tooLarge = picture.bytes.size() + static_cast<qsizetype>(length) > kMaxFetchedPictureBytes;
        if (tooSlow || tooLarge) return false;
        picture.bytes.append(data, static_cast<qsizetype>(length));
        return true;
      });
  if (tooLarge || tooSlow || !result || result->status != 200) {
    picture.bytes.clear();
    picture.error = tooLarge  ? QStringLiteral("larger than %1 bytes").arg(kMaxFetchedPictureBytes)
                    : tooSlow ? QStringLiteral("not fetched within %1 s").arg(kPictureFetchSeconds)
                    : !result ? QStringLiteral("not fetched: %1")
                                    .arg(QString::fromStdString(httplib::to_string(result.error())))
                              : QStringLiteral("answered %1").arg(result->status);
  }
  return picture;
}

}  // namespace field
