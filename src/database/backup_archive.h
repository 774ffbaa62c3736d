#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// A backup file: one tar archive (ustar), which IT staff can look into with
// "tar tvf", holding a manifest and the database's own files.
namespace database::backup_archive {

// A member of the archive: the content of a file, or the data given.
struct Member {
    QString name;
    QString file;
    QByteArray data;
};

// Writes the archive; an existing file is replaced only once the new one is
// whole. The file is its owner's alone, since it holds password hashes.
void write(const QString& path, const std::vector<Member>& members);

// Unpacks the archive into the folder; every member must be one of the
// names allowed, and each at most once. Throws AppError for a file that is
// no such archive. The names of the members found.
QStringList extract(const QString& path, const QString& folder, const QStringList& allowed);

} // namespace database::backup_archive
