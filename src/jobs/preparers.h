// Printer command-stream preparers and the device-error message of a failed line.
#pragma once

namespace tv {

// Printer command-stream preparers: each rewrites seq_tab from the selectors.
void prepare_clear();
void prepare_set();
void prepare_rep();
// Composes a device-error message for the failing command line into out (512 bytes).
void err_message(const char* context, char* out, unsigned code);

}  // namespace tv
