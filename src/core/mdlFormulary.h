#pragma once

#include "components/current_user/current_user.h"
#include "components/formulary_data/formulary.h"
#include "core/LoadUserSettings.h"

#include <memory>

class frmFormulary;

// The state of the run that every window shares: one copy, created by Main.
struct FormularyModule {
    FormularyModule();
    ~FormularyModule();
    FormularyModule(const FormularyModule&) = delete;
    FormularyModule& operator=(const FormularyModule&) = delete;

    std::unique_ptr<formulary_data::Formulary> objFormulary;
    std::unique_ptr<current_user::CurrentUser> objCurrentUser;
    std::unique_ptr<frmFormulary> objMainWindow;

    // While true the tree loader does not show the progress window.
    bool FindInProgress = false;
    // The hospital's name and address line, for report headings.
    QString strCompany;
    QString strAddress1;
    // The user's four rights.
    bool isClassification = false;
    bool isGeneric = false;
    bool isDrug = false;
    bool isOtherDetails = false;

    // The log-in that Main hands the current-user component; when empty the
    // component shows its own log-in window.
    current_user::LoginPrompt loginPrompt;

    // The main window's unload: the current user (ending the session), then
    // the formulary data component.
    void releaseComponents();
    // Drops the whole state at the end of the run, while the application
    // object still exists.
    void clear();
};

extern FormularyModule mdlFormulary;

// Start-up: log-in, splash, connection, then the main window or the message
// that the server cannot be reached.
void Main();
