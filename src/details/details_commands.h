#pragma once

class frmFormulary;

// "&Other Details" (Ctrl+R): the other details of the selected generic name,
// or of the generic name that the selected drug is under. Refused without the
// other-details right or for a look-only user; nothing for other nodes.
void mnuOther_Click(frmFormulary& window);

// A double click on the tree: the medicine details of the selected node when
// it has no children.
void treFormulary_DblClick(frmFormulary& window);

// "Formulary &Status" (Ctrl+T): the formulary status of the selected generic
// name or drug, saved by a user with the generic (generic names) or drug
// (drugs) right who may do more than look, and shown to anyone else. The
// tree shows the saved status at once, on a generic name's drugs too.
void mnuStatus_Click(frmFormulary& window);
