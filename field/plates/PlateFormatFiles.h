#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "PlateFormatMapping.h"

namespace field {

// The mapping files shipped with the console, in name order: installed beside
// the program under share/laneconsole/plate-formats, else the source tree's.
QStringList ShippedPlateFormatFiles();

// Every file's format in the order given; nothing when one is not valid, with
// `error` its one line.
std::optional<std::vector<PlateFormatMapping>> LoadPlateFormatFiles(const QStringList& files,
                                                                    QString& error);

}  // namespace field
