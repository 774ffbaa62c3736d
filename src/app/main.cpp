#include "components/current_user/current_user.h"
#include "core/mdlFormulary.h"
#include "platform/ui/error_report.h"

#include <cstdlib>

int main(int argc, char** argv) {
    current_user::setApplicationIdentity();
    ui::Application app(argc, argv);
    int code = EXIT_FAILURE;
    if (!ui::runCommand(Main))
        code = ui::ErrorExitCode;
    else if (mdlFormulary.objMainWindow)
        code = app.exec();
    mdlFormulary.clear();
    return code;
}
