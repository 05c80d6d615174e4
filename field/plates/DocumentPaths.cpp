#include "DocumentPaths.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace field {
namespace {

// A JSON Pointer's reference token, "~1" and "~0" undone in that order.
QString Unescaped(QString token) {
  return token.replace(QLatin1String("~1"), QLatin1String("/"))
      .replace(QLatin1String("~0"), QLatin1String("~"));
}

QStringList Steps(const QString& path) {
  return path.mid(1).split(u'/');
}

}  // namespace

bool IsJsonPointer(const QString& pointer) {
  static const QRegularExpression badTilde(QStringLiteral("~(?![01])"));
  return (pointer.isEmpty() || pointer.startsWith(u'/')) && !pointer.contains(badTilde);
}

QJsonValue FindJsonPointer(const QJsonValue& root, const QString& pointer) {
  if (pointer.isEmpty()) return root;
  QJsonValue value = root;
  for (const QString& raw : Steps(pointer)) {
    const QString token = Unescaped(raw);
    if (value.isObject()) {
      const QJsonObject object = value.toObject();
      if (!object.contains(token)) return QJsonValue(QJsonValue::Undefined);
      value = object.value(token);
    } else if (value.isArray()) {
      static const QRegularExpression index(QStringLiteral("^(0|[1-9][0-9]{0,8})$"));
      const QJsonArray array = value.toArray();
      if (!index.match(token).hasMatch() || token.toLongLong() >= array.size()) {
        return QJsonValue(QJsonValue::Undefined);
      }
      value = array.at(token.toLongLong());
    } else {
      return QJsonValue(QJsonValue::Undefined);
    }
  }
  return value;
}

bool IsXmlPath(const QString& path) {
  if (!path.startsWith(u'/')) return false;
  const QStringList steps = Steps(path);
  for (qsizetype i = 0; i < steps.size(); ++i) {
    const QString& step = steps[i];
    const bool attribute = step.startsWith(u'@');
    if (step.size() == (attribute ? 1 : 0) || step.contains(u':')) return false;
    if (attribute && (i + 1 != steps.size() || i == 0)) return false;
  }
  return true;
}

namespace {

// The DOM frees its nodes recursively: a sender nesting elements some hundred
// thousand deep would overflow a receiver thread's stack. Counted by a streaming
// reader first, which keeps no tree.
bool NestedTooDeep(const QByteArray& bytes) {
  QXmlStreamReader reader(bytes);
  reader.setNamespaceProcessing(false);
  int depth = 0;
  while (!reader.atEnd() && !reader.hasError()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::StartElement && ++depth > XmlMessage::kDeepestElement) {
      return true;
    }
    if (token == QXmlStreamReader::EndElement) --depth;
  }
  return false;
}

}  // namespace

std::optional<XmlMessage> XmlMessage::Parse(const QByteArray& bytes, QString& error) {
  if (NestedTooDeep(bytes)) {
    error = QStringLiteral("elements nested deeper than %1").arg(kDeepestElement);
    return std::nullopt;
  }
  XmlMessage message;
  QString problem;
  int line = 0;
  int column = 0;
  if (!message.document_.setContent(bytes, true, &problem, &line, &column)) {
    error = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(problem);
    return std::nullopt;
  }
  return message;
}

QString XmlMessage::RootName() const {
  return LocalName(document_.documentElement());
}

QString XmlMessage::LocalName(const QDomNode& node) {
  const QString local = node.localName();
  return local.isEmpty() ? node.nodeName().section(u':', -1) : local;
}

QDomElement XmlMessage::Child(const QDomElement& parent, const QString& localName) {
  for (QDomElement child = parent.firstChildElement(); !child.isNull();
       child = child.nextSiblingElement()) {
    if (LocalName(child) == localName) return child;
  }
  return {};
}

QDomElement XmlMessage::Element(const QString& path) const {
  const QStringList steps = Steps(path);
  QDomElement element = document_.documentElement();
  if (steps.isEmpty() || LocalName(element) != steps.first()) return {};
  for (qsizetype i = 1; i < steps.size() && !element.isNull(); ++i) {
    element = Child(element, steps[i]);
  }
  return element;
}

QJsonValue XmlMessage::Find(const QString& path) const {
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString last = path.mid(slash + 1);
  if (!last.startsWith(u'@')) {
    const QDomElement element = Element(path);
    if (element.isNull()) return QJsonValue(QJsonValue::Undefined);
    return element.text().trimmed();
  }
  const QDomElement element = Element(path.left(slash));
  const QDomNamedNodeMap attributes = element.attributes();
  for (int i = 0; i < attributes.count(); ++i) {
    const QDomNode attribute = attributes.item(i);
    if (LocalName(attribute) == last.mid(1)) return attribute.nodeValue();
  }
  return QJsonValue(QJsonValue::Undefined);
}

}  // namespace field
