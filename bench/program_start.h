#pragma once

#include <QString>

class frmFormulary;

namespace bench {

// The program as it starts (Main) on the target, logged in as the
// benchmarks' user; its main window. Throws when the window does not open.
frmFormulary& startProgram(const QString& target);

} // namespace bench
