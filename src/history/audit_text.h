#pragma once

#include <QString>

class QDateTime;

// The time of an audit line as the History window and the Audit Trail show
// it: to the second, so that changes made close together stay apart.
QString auditTimeText(const QDateTime& when);
