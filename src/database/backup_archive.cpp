#include "database/backup_archive.h"

#include "platform/app_error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstring>

namespace database::backup_archive {

namespace {

constexpr qint64 Block = 512;

// Where the fields of a ustar header lie.
enum Field : int {
    NameAt = 0,
    NameSize = 100,
    ModeAt = 100,
    SizeAt = 124,
    MtimeAt = 136,
    ChecksumAt = 148,
    TypeAt = 156,
    MagicAt = 257,
};

[[noreturn]] void fail(const QString& description) {
    throw AppError(AppError::InvalidArgument, description);
}

void putOctal(QByteArray& header, int at, int width, qint64 value) {
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(width - 1, '0');
    std::memcpy(header.data() + at, digits.constData(), std::size_t(width - 1));
}

qint64 checksum(QByteArray header) {
    std::memset(header.data() + ChecksumAt, ' ', 8);
    qint64 sum = 0;
    for (const char c : std::as_const(header))
        sum += static_cast<unsigned char>(c);
    return sum;
}

QByteArray headerOf(const QString& name, qint64 size) {
    QByteArray header(Block, '\0');
    const QByteArray encoded = name.toUtf8();
    std::memcpy(header.data() + NameAt, encoded.constData(), std::size_t(encoded.size()));
    putOctal(header, ModeAt, 8, 0600);
    putOctal(header, 108, 8, 0); // uid
    putOctal(header, 116, 8, 0); // gid
    putOctal(header, SizeAt, 12, size);
    putOctal(header, MtimeAt, 12, QDateTime::currentSecsSinceEpoch());
    header[TypeAt] = '0';
    std::memcpy(header.data() + MagicAt,
                "ustar\0"
                "00",
                8);
    putOctal(header, ChecksumAt, 7, checksum(header));
    return header;
}

QByteArray padding(qint64 size) {
    return QByteArray((Block - size % Block) % Block, '\0');
}

void writeOrFail(QFileDevice& out, const QByteArray& bytes) {
    if (out.write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write %1: %2").arg(out.fileName(), out.errorString()));
}

void writeMember(QFileDevice& out, const Member& member) {
    if (member.file.isEmpty()) {
        writeOrFail(out, headerOf(member.name, member.data.size()));
        writeOrFail(out, member.data + padding(member.data.size()));
        return;
    }
    QFile in(member.file);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read %1: %2").arg(member.file, in.errorString()));
    writeOrFail(out, headerOf(member.name, in.size()));
    while (!in.atEnd())
        writeOrFail(out, in.read(1 << 20));
    writeOrFail(out, padding(in.size()));
}

qint64 readOctal(const QByteArray& header, int at, int width) {
    bool ok = false;
    const qint64 value = header.mid(at, width).replace('\0', ' ').trimmed().toLongLong(&ok, 8);
    return ok ? value : -1;
}

} // namespace

void write(const QString& path, const std::vector<Member>& members) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    // Before the first byte, whatever the umask or an older file's mode.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const Member& member : members)
        writeMember(out, member);
    writeOrFail(out, QByteArray(2 * Block, '\0'));
    if (!out.commit())
        fail(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
}

QStringList extract(const QString& path, const QString& folder, const QStringList& allowed) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read %1: %2").arg(path, in.errorString()));
    const auto refuse = [&](const QString& why) {
        fail(QStringLiteral("%1 is no formulary backup: %2.").arg(path, why));
    };
    QStringList found;
    for (;;) {
        const QByteArray header = in.read(Block);
        if (header.size() < Block)
            refuse(QStringLiteral("it ends before its last member"));
        if (header.count('\0') == Block)
            return found;
        if (!header.mid(MagicAt).startsWith("ustar") ||
            readOctal(header, ChecksumAt, 8) != checksum(header))
            refuse(QStringLiteral("it is not a tar archive, or a damaged one"));
        const QString name = QString::fromUtf8(header.mid(NameAt, NameSize).split('\0').first());
        const qint64 size = readOctal(header, SizeAt, 12);
        if (!allowed.contains(name) || found.contains(name) || size < 0 ||
            (header[TypeAt] != '0' && header[TypeAt] != '\0'))
            refuse(QStringLiteral("it holds \"%1\"").arg(name));
        QFile out(QDir(folder).filePath(name));
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            fail(QStringLiteral("Cannot unpack %1: %2").arg(name, out.errorString()));
        for (qint64 left = size; left > 0;) {
            const QByteArray chunk = in.read(qMin<qint64>(left, 1 << 20));
            if (chunk.isEmpty())
                refuse(QStringLiteral("\"%1\" is cut short").arg(name));
            writeOrFail(out, chunk);
            left -= chunk.size();
        }
        in.skip(padding(size).size());
        found << name;
    }
}

} // namespace database::backup_archive
