#include "platform/it_log.h"

#include "platform/db/target.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace it_log {

namespace {

constexpr qint64 kRotateAt = 1024 * 1024;

QString stateFolder() {
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG: a relative path there is to be ignored.
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

void rotateIfFull(const QString& file) {
    if (QFileInfo(file).size() < kRotateAt)
        return;
    const QString old = file + QStringLiteral(".1");
    QFile::remove(old);
    QFile::rename(file, old);
}

QString programName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

QString path() {
    return stateFolder() + QStringLiteral("/formulary/formulary.log");
}

void write(const QString& message) {
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).path()))
        return;
    rotateIfFull(file);
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_APPEND | O_CREAT,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return;
    const QByteArray line =
        QStringLiteral("%1 %2[%3]: %4\n")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODate), programName())
            .arg(QCoreApplication::applicationPid())
            .arg(db::Target::masked(message).replace(u'\n', QStringLiteral(" | ")))
            .toUtf8();
    // One write call, so that lines of two programs do not interleave.
    [[maybe_unused]] const ssize_t written =
        ::write(fd, line.constData(), std::size_t(line.size()));
    ::close(fd);
}

void report(const QString& message) {
    const QString shown = db::Target::masked(message);
    std::fprintf(stderr, "formulary: %s\n", qPrintable(shown));
    write(shown);
}

} // namespace it_log
