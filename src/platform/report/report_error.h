#pragma once

#include "platform/app_error.h"

namespace report {

// Numbers of the file errors the report engine raises, beside the program's
// own (an unknown database is AppError::InvalidArgument, a failed log-on
// AppError::NotConnected).
enum FileError : long {
    FileNotFound = 53,
    FileAccess = 75,
    BadFileFormat = 321,
};

} // namespace report
