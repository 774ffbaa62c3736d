#include "history/audit_text.h"

#include <QDateTime>

QString auditTimeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
