#include "MultipartBody.h"

#include <QRegularExpression>

namespace field {
namespace {

QString HeaderValue(const QByteArray& headers, const char* name) {
  for (const QByteArray& line : headers.split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
      return QString::fromUtf8(line.mid(colon + 1).trimmed());
    }
  }
  return {};
}

QString Parameter(const QString& header, const QString& name) {
  const QRegularExpression pattern(
      QStringLiteral("(?:^|;)\\s*%1=(?:\"([^\"]*)\"|([^;\\s]*))").arg(name),
      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = pattern.match(header);
  if (!match.hasMatch()) return {};
  return match.captured(1).isNull() ? match.captured(2) : match.captured(1);
}

}  // namespace

std::optional<QList<PlatePart>> SplitMultipartBody(const QString& contentType,
                                                   const QByteArray& body, QString& error) {
  const QString boundary = Parameter(contentType, QStringLiteral("boundary"));
  if (boundary.isEmpty()) {
    error = QStringLiteral("the content type \"%1\" has no boundary").arg(contentType);
    return std::nullopt;
  }
  const QByteArray delimiter = "--" + boundary.toUtf8();
  QList<PlatePart> parts;
  qsizetype at = body.indexOf(delimiter);
  while (at >= 0) {
    at += delimiter.size();
    if (body.mid(at, 2) == "--") return parts;
    const qsizetype headersEnd = body.indexOf("\r\n\r\n", at);
    const qsizetype next = body.indexOf("\r\n" + delimiter, at);
    if (headersEnd < 0 || next < 0 || headersEnd > next) break;
    const QByteArray headers = body.mid(at, headersEnd - at);
    const QString disposition = HeaderValue(headers, "Content-Disposition");
    parts.append({Parameter(disposition, QStringLiteral("name")),
                  HeaderValue(headers, "Content-Type"),
                  body.mid(headersEnd + 4, next - headersEnd - 4)});
    at = next + 2;
  }
  error = QStringLiteral("the body does not follow its multipart boundary \"%1\"").arg(boundary);
  return std::nullopt;
}

}  // namespace field
