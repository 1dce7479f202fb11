// The settings file "settings.cfg" in the start-up directory: nine bracketed key lines that
// carry the user's connection and print choices, and the road by which the selectors'
// values reach the link variables.
#pragma once

namespace tv {

// Writes the file from the controls (beside the old one, then renamed into place); one
// writer at a time, so a job and the window's close never share settings.cfg.new.
// On failure returns false and shows "Nie można zapisać ustawień!", once per run (the
// first failure after load_cfg): a job and the close that follows tell it once.
bool save_cfg();
// What every job does first: save_cfg, then takes the link variables from the controls as
// that file would give them. The link thus goes to the device the user chose even when the
// file cannot be written (that is said, and the job goes on). Returns save_cfg's result.
bool save_and_use_cfg();
// Reads gCurrendDir/name into the link variables, then sets the controls from them.
// A missing file is not an error.
void load_cfg(const char* name);

}  // namespace tv
