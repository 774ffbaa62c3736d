#pragma once

// The user's rights: the four rights stored for the user, and the rights
// class "BB" of a user who may only look.

// Reads the current user's four rights into mdlFormulary; a user without a
// row, or a Null right, has the right not.
void LoadUserSettings();

// True when the current user's rights class is "BB".
bool MayOnlyLook();

// The gate of every command that changes data: true when the user has the
// right and may do more than look; otherwise says "Not authorized!".
bool Authorized(bool right);
