#include "reports/export_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace reports {

QString defaultExportFolder() {
    const QString profile = qEnvironmentVariable("USERPROFILE");
    if (!profile.isEmpty())
        return QDir(profile).filePath(QStringLiteral("My Documents"));
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString withExtension(const QString& fileName, const QString& extension) {
    if (QFileInfo(fileName).suffix().compare(extension, Qt::CaseInsensitive) == 0)
        return fileName;
    return fileName + QLatin1Char('.') + extension;
}

QString defaultExportFile(const QString& reportFile, const QDate& day) {
    return QDir(defaultExportFolder())
        .filePath(QFileInfo(reportFile).completeBaseName() + QLatin1Char('.') +
                  day.toString(QStringLiteral("yyyy.MM.dd")) + QStringLiteral(".xlsx"));
}

} // namespace reports
