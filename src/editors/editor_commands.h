#pragma once

class frmFormulary;

// The main window's commands that open the catalogue editors.

// "&Generic Names" and toolbar button 6: the master list of generic names.
void mnuGenericFiles_Click(frmFormulary& main);
// "&Generic": the generic names of the selected classification.
void mnuNewGeneric_Click(frmFormulary& main);
// "&Drug": the drugs of the selected generic name.
void mnuNewDrug_Click(frmFormulary& main);
