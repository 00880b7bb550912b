#include "app/common/program_folder.h"

#include <QCoreApplication>

namespace torvanel {

QString programFolder() { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }

}  // namespace torvanel
