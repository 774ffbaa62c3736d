#pragma once

class frmFormulary;

// "User Settings": the rights window for administrators (look-only users are
// refused), then the current user's rights are read again in every case.
void mnuUserSettings_Click(frmFormulary& window);
