// Cash-register jobs: programming, clearing, header and footer assignment.
#pragma once

namespace tv {

// Cash-register jobs: programming (10), clearing (11), header and footer (12).
void ks_program_job();
void ks_clear_job();
void ks_set_job();

}  // namespace tv
