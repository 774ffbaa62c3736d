#include "program_start.h"

#include "bench_support.h"
#include "core/mdlFormulary.h"

#include <stdexcept>

namespace bench {

frmFormulary& startProgram(const QString& target) {
    qputenv("FORMULARY_DATABASE", target.toUtf8());
    mdlFormulary.loginPrompt = [](const QString&) {
        return std::optional(current_user::Credentials{UserName, UserPassword});
    };
    Main();
    if (!mdlFormulary.objMainWindow)
        throw std::runtime_error("the main window did not open");
    return *mdlFormulary.objMainWindow;
}

} // namespace bench
