#pragma once

#include <QDate>
#include <QString>

namespace reports {

// Where a report goes when the user does not choose: "My Documents" in the
// folder USERPROFILE names, where that is set, else the user's documents folder.
QString defaultExportFolder();

// The chosen file with the extension of the format (xlsx, rtf, pdf) added
// when it does not end with it already, in any case.
QString withExtension(const QString& fileName, const QString& extension);

// The report's default workbook in that folder: the report file's base name,
// the day as "yyyy.MM.dd" and ".xlsx".
QString defaultExportFile(const QString& reportFile, const QDate& day);

} // namespace reports
