#pragma once

class frmFormulary;

// "&History": the recorded changes of the selected classification, generic
// name or drug, as the node still names it; nothing for the root.
void mnuHistory_Click(frmFormulary& window);
