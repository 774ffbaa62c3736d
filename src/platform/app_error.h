#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: a number, a description and the routine
// it came from. A trap that raises again keeps number and description and
// names itself as the source. The layers below the windows (data layer,
// components, report engine) name no routine: the window routine that meets
// their error names itself.
class AppError : public std::runtime_error {
public:
    // Numbers the program raises itself.
    enum Number : long {
        Overflow = 6,
        InvalidArgument = 5,
        // The database server refused a change that this user may not make;
        // nothing was changed and the program goes on.
        PermissionDenied = 70,
        // Another workstation's change met this one and it was refused whole;
        // the program goes on.
        ChangeConflict = 3260,
        Database = 3146,
        CommandTimeout = 3234,
        NotConnected = 3704,
        SchemaTooNew = 3251,
        SchemaTooOld = 3252,
    };

    AppError(long number, QString description, QString source = {});

    long number() const { return m_number; }
    const QString& description() const { return m_description; }
    const QString& source() const { return m_source; }

    // The same error raised again from another routine.
    AppError raisedFrom(const QString& source) const;

    // In a routine's catch (...): raises the error being handled again, naming
    // the routine in it unless a routine it passed through already named itself.
    [[noreturn]] static void raiseAgainFrom(const QString& routine);

private:
    long m_number;
    QString m_description;
    QString m_source;
};
