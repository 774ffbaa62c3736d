#pragma once

#include <QString>
#include <QStringList>

namespace current_user {

// Where the program finds its database, and which setting said so.
struct DatabaseLocation {
    QString target; // a folder or a postgresql:// URL
    QString source; // "FORMULARY_DATABASE", "/etc/formulary/formulary.conf, line 3", ...
};

// The configuration files, the user's own first:
// ~/.config/formulary/formulary.conf (or under XDG_CONFIG_HOME), then
// /etc/formulary/formulary.conf.
QStringList configurationFiles();

// First match wins: FORMULARY_DATABASE, a "database=" line of the first
// configuration file that has one, else the embedded default in the user's
// data folder. Throws AppError on a configuration file that cannot be used.
DatabaseLocation findDatabase(const QStringList& files = configurationFiles());

} // namespace current_user
