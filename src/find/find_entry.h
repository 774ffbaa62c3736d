#pragma once

class frmFormulary;

// "&Find Entry" (Ctrl+F, toolbar button 7): finds an entry with frmFind and,
// when a path was traced, opens the tree down to it.
void mnuFindEntry_Click(frmFormulary& window);

// Selects and expands every node of the traced path that the tree shows,
// loading the branches not read yet; the entry ends up selected.
void OpenTracedPath(frmFormulary& window);
