#pragma once

class frmFormulary;

// "&Other Details" (Ctrl+R): the other details of the selected generic name,
// or of the generic name that the selected drug is under. Refused without the
// other-details right or for a look-only user; nothing for other nodes.
void mnuOther_Click(frmFormulary& window);

// A double click on the tree: the medicine details of the selected node when
// it has no children.
void treFormulary_DblClick(frmFormulary& window);
