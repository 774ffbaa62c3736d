#include "help/help_commands.h"

#include "core/mdlFormulary.h"
#include "help/frmAbout.h"
#include "platform/ui/dialogs.h"
#include "tree/frmFormulary.h"

void mnuAbout_Click(frmFormulary& window) {
    frmAbout about(&window);
    about.Form_Load(mdlFormulary.objCurrentUser->sqlconnection().target());
    ui::showModal(about);
}
