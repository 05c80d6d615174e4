#include "XmlTree.h"

#include <algorithm>

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace field::onvif {
namespace {

QStringView LocalPart(QStringView qualified) {
  const qsizetype colon = qualified.indexOf(u':');
  return colon < 0 ? qualified : qualified.mid(colon + 1);
}

QStringView PrefixPart(QStringView qualified) {
  const qsizetype colon = qualified.indexOf(u':');
  return colon < 0 ? QStringView() : qualified.left(colon);
}

// XML's name characters; a surrogate is taken as the half of a character beyond U+FFFF it is.
bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
         (c >= 0xC0 && c <= 0x2FF && c != 0xD7 && c != 0xF7) ||
         (c >= 0x370 && c <= 0x1FFF && c != 0x37E) || c == 0x200C || c == 0x200D ||
         (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
         (c >= 0x3001 && c <= 0xDFFF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD);
}

bool IsNameChar(char16_t c) {
  return IsNameStart(c) || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

bool IsNcName(QStringView name) {
  if (name.isEmpty() || !IsNameStart(name.front().unicode())) return false;
  return std::all_of(name.begin(), name.end(), [](QChar c) { return IsNameChar(c.unicode()); });
}

// The reader, without namespace processing, takes "x:-k" as an attribute's name, and ends a
// name at a NUL without complaint; echoed back, no camera could read either.
bool IsNamespaceName(QStringView qualified) {
  if (!qualified.contains(u':')) return IsNcName(qualified);
  return IsNcName(PrefixPart(qualified)) && IsNcName(LocalPart(qualified));
}

void CollectAll(const XmlElement& element, QStringView localName,
                std::vector<const XmlElement*>& found) {
  if (element.name == localName) found.push_back(&element);
  for (const XmlElement& child : element.children) CollectAll(child, localName, found);
}

void Write(QXmlStreamWriter& writer, const XmlElement& element, const QXmlStreamAttribute& extra) {
  writer.writeStartElement(element.namespaceUri, element.name);
  // Local names only: two attributes of different namespaces may now share a name.
  QSet<QString> written;
  for (const auto& [name, value] : element.attributes) {
    if (name == extra.name() || written.contains(name)) continue;
    written.insert(name);
    writer.writeAttribute(name, value);
  }
  if (!extra.name().isEmpty()) writer.writeAttribute(extra);
  if (!element.text.isEmpty()) writer.writeCharacters(element.text);
  for (const XmlElement& child : element.children) Write(writer, child, {});
  writer.writeEndElement();
}

}  // namespace

const XmlElement* XmlElement::Child(QStringView localName) const {
  for (const XmlElement& child : children) {
    if (child.name == localName) return &child;
  }
  return nullptr;
}

const XmlElement* XmlElement::Find(QStringView localName) const {
  if (name == localName) return this;
  for (const XmlElement& child : children) {
    if (const XmlElement* found = child.Find(localName)) return found;
  }
  return nullptr;
}

std::vector<const XmlElement*> XmlElement::FindAll(QStringView localName) const {
  std::vector<const XmlElement*> found;
  CollectAll(*this, localName, found);
  return found;
}

const XmlElement* XmlElement::Path(std::initializer_list<QStringView> localNames) const {
  const XmlElement* at = this;
  for (QStringView step : localNames) {
    at = at->Child(step);
    if (at == nullptr) return nullptr;
  }
  return at;
}

QString XmlElement::Attribute(QStringView localName) const {
  for (const auto& [attributeName, value] : attributes) {
    if (attributeName == localName) return value;
  }
  return {};
}

QString XmlElement::TextOf(QStringView localName) const {
  const XmlElement* found = Find(localName);
  return found != nullptr ? found->text : QString();
}

std::optional<XmlElement> ParseXml(const QByteArray& bytes, QString& error, qsizetype largest) {
  if (bytes.size() > largest) {
    error = QStringLiteral("answer larger than %1 bytes").arg(largest);
    return std::nullopt;
  }
  // Namespaces are resolved here rather than by the reader, which refuses an
  // undeclared prefix outright.
  QXmlStreamReader reader(bytes);
  reader.setNamespaceProcessing(false);
  std::vector<XmlElement> open;
  std::vector<QHash<QString, QString>> scopes;
  std::optional<XmlElement> root;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement: {
        if (static_cast<int>(open.size()) >= kDeepestElement) {
          error = QStringLiteral("elements nested deeper than %1").arg(kDeepestElement);
          return std::nullopt;
        }
        QHash<QString, QString> scope = scopes.empty() ? QHash<QString, QString>() : scopes.back();
        XmlElement element;
        for (const QXmlStreamAttribute& attribute : reader.attributes()) {
          const QStringView qualified = attribute.qualifiedName();
          if (!IsNamespaceName(qualified)) {
            error = QStringLiteral("malformed XML at line %1: \"%2\" is not a namespace name")
                        .arg(reader.lineNumber())
                        .arg(qualified.left(64));
            return std::nullopt;
          }
          if (qualified == u"xmlns") {
            scope.insert(QString(), attribute.value().toString());
          } else if (PrefixPart(qualified) == u"xmlns") {
            scope.insert(LocalPart(qualified).toString(), attribute.value().toString());
          } else {
            element.attributes.emplace_back(LocalPart(qualified).toString(),
                                            attribute.value().toString());
          }
        }
        const QStringView qualified = reader.qualifiedName();
        element.name = LocalPart(qualified).toString();
        element.namespaceUri = scope.value(PrefixPart(qualified).toString());
        scopes.push_back(std::move(scope));
        open.push_back(std::move(element));
        break;
      }
      case QXmlStreamReader::Characters:
        if (!open.empty()) open.back().text += reader.text();
        break;
      case QXmlStreamReader::EndElement: {
        XmlElement done = std::move(open.back());
        open.pop_back();
        scopes.pop_back();
        done.text = done.text.trimmed();
        if (open.empty()) {
          root = std::move(done);
        } else {
          open.back().children.push_back(std::move(done));
        }
        break;
      }
      default:
        break;
    }
  }
  if (reader.hasError()) {
    error = QStringLiteral("malformed XML at line %1: %2")
                .arg(reader.lineNumber())
                .arg(reader.errorString());
    return std::nullopt;
  }
  if (!root) error = QStringLiteral("no XML element");
  return root;
}

QByteArray WriteXml(const XmlElement& element, const QXmlStreamAttribute& extra) {
  QByteArray bytes;
  QXmlStreamWriter writer(&bytes);
  Write(writer, element, extra);
  return bytes;
}

}  // namespace field::onvif
