#pragma once

class frmFormulary;

// "&Help" > "&About": the About box, modal, on the database of the run.
void mnuAbout_Click(frmFormulary& window);
