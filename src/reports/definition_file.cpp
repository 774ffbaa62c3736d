#include "reports/definition_file.h"

#include "installation.h"

#include <QDir>
#include <QFileInfo>

namespace reports {

QString definitionFile(const QString& fileName, const QString& programFolder) {
    const QDir programs(programFolder);
    const QString beside = programs.filePath(fileName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(
        programs.filePath(QStringLiteral(FORMULARY_REPORTS_FROM_PROGRAMS "/") + fileName));
    return QFileInfo::exists(installed) ? installed : beside;
}

} // namespace reports
