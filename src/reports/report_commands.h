#pragma once

class frmFormulary;

// The "&Reports" menu. Each command opens the report viewer modally on its
// report; the main window waits until the viewer is closed.

// "&Formulary Structure": prepares this session's report lines first.
void mnuFormularyReport_Click(frmFormulary& window);

// "&Drugs with no Generic": reads the stock items directly; no preparation.
void mnuDrugsWOGeneric_Click(frmFormulary& window);

// "&Drugs with other Details": prepares this session's report lines first.
void mnuDrugsWODetails_Click(frmFormulary& window);

// "&Audit Trail": asks for the days and the user, then shows the changes
// recorded in them, oldest first.
void mnuAuditTrail_Click(frmFormulary& window);
