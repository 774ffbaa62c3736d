#include "components/current_user/current_user.h"
#include "core/artwork.h"
#include "core/mdlFormulary.h"
#include "platform/ui/error_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// --version and --help are answered before Qt starts, so that they work
// without a display; other arguments are Qt's own (-platform, -style, ...).
std::optional<int> answerInformationOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("formulary %s\n", qPrintable(QCoreApplication::applicationVersion()));
            return EXIT_SUCCESS;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: formulary [--version | --help]\n\n"
                        "Opens the formulary on the database that \"formulary-admin location\" "
                        "shows:\nFORMULARY_DATABASE, formulary.conf, else the embedded "
                        "database. See formulary(1).\n");
            return EXIT_SUCCESS;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    current_user::setApplicationIdentity();
    if (const auto code = answerInformationOption(argc, argv))
        return *code;
    ui::Application app(argc, argv);
    QApplication::setWindowIcon(artwork::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("formulary"));
    int code = EXIT_FAILURE;
    if (!ui::runCommand(Main))
        code = ui::ErrorExitCode;
    else if (mdlFormulary.objMainWindow)
        code = app.exec();
    mdlFormulary.clear();
    return code;
}
