#include "PlateFormatFiles.h"

#include <QCoreApplication>
#include <QDir>

namespace field {

QStringList ShippedPlateFormatFiles() {
  const QStringList folders = {QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/../share/laneconsole/plate-formats"),
                               QString::fromUtf8(LANE_SOURCE_PLATE_FORMATS)};
  for (const QString& folder : folders) {
    const QDir dir(folder);
    if (!dir.exists()) continue;
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
      files << dir.filePath(name);
    }
    return files;
  }
  return {};
}

std::optional<std::vector<PlateFormatMapping>> LoadPlateFormatFiles(const QStringList& files,
                                                                    QString& error) {
  std::vector<PlateFormatMapping> mappings;
  for (const QString& file : files) {
    std::optional<PlateFormatMapping> mapping = LoadPlateFormatMapping(file, error);
    if (!mapping) return std::nullopt;
    mappings.push_back(std::move(*mapping));
  }
  return mappings;
}

}  // namespace field
