#pragma once

#include <QString>

namespace reports {

// The report definition file of that name: beside the program when it is
// there (the build tree, or a copy IT placed there), else in the installed
// data folder. When neither has it, the path beside the program, so that the
// error names where it was looked for first.
QString definitionFile(const QString& fileName, const QString& programFolder);

} // namespace reports
