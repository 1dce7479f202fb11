// Writes the device's graphic memory where a person can look at it: one PBM picture per
// slot (slotN.pbm, set bit = dark dot) and a state.txt with sizes and header/footer.
#pragma once
#include <string>

#include "slot_store.h"

namespace tv::sim {

// PBM (P4) bytes of a slot: rows of (width + 7) / 8 bytes exactly as the device holds
// them; rows not yet received are white.
std::string pbm_of(const Slot& slot, int no);
// The state.txt text.
std::string state_text(const SlotStore& store);

// Writes slotN.pbm (removes it when the slot is empty) and state.txt into dir, creating
// dir when needed. Each file is replaced in one step, so a reader never sees half of it.
bool save_slot(const std::string& dir, const SlotStore& store, int no);
bool save_state(const std::string& dir, const SlotStore& store);
bool save_all(const std::string& dir, const SlotStore& store);

}  // namespace tv::sim
