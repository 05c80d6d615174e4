#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QJsonValue>
#include <QString>
#include <optional>

// Where a field is in a message: JSON Pointers (RFC 6901) in JSON, the same
// slash syntax over element local names in XML, the namespace whatever the
// firmware put there.
namespace field {

bool IsJsonPointer(const QString& pointer);
// Undefined when the pointer leads nowhere.
QJsonValue FindJsonPointer(const QJsonValue& root, const QString& pointer);

// "/a/b/c" or "/a/b/@name": steps of element local names from the root
// element, each the first match; an attribute only as the last step.
bool IsXmlPath(const QString& path);

class XmlMessage {
 public:
  // No plate message nests deeper; a deeper one is refused before it is parsed.
  static constexpr int kDeepestElement = 64;

  // Nothing when the bytes are no well-formed XML, with `error` saying where.
  static std::optional<XmlMessage> Parse(const QByteArray& bytes, QString& error);

  QString RootName() const;
  // Null when the path leads nowhere.
  QDomElement Element(const QString& path) const;
  // The element's text (trimmed) or the attribute's value; undefined when absent.
  QJsonValue Find(const QString& path) const;

  static QString LocalName(const QDomNode& node);
  // The first child element of `parent` with that local name.
  static QDomElement Child(const QDomElement& parent, const QString& localName);

 private:
  QDomDocument document_;
};

}  // namespace field
