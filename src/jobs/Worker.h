// The job worker: the one place where the tool talks to a device. One job per thread,
// chosen by work_mode (and send_mode for printer command streams).
#pragma once
#include <atomic>

#include "common/globals.h"

namespace tv {

// Runs the job named by work_mode, then re-enables the controls and resets send_mode.
void worker();
// The same with the job kinds given (the window captures them when it starts the thread).
void run_job(int mode, int sub_mode);

// Printer command-stream preparers: each rewrites seq_tab from the selectors.
void prepare_clear();
void prepare_set();
void prepare_rep();
// Composes a device-error message for the failing command line into out (512 bytes).
void err_message(const char* context, char* out, unsigned code);

// Detection (work_mode 2) and connection test (3).
int stop_veryf();  // 888 (and clears Stoper) when a stop was requested, else 0
void detect_job();
// The serial ports the detection visits (1..99; tests narrow the range).
extern int detect_first_port;
extern int detect_last_port;
void test_job();

// Cash-register jobs: programming (10), clearing (11), header and footer (12).
void ks_program_job();
void ks_clear_job();
void ks_set_job();

// The outcome of the last job, for faces that report it (the console tool's exit status).
enum class JobOutcome { None, Succeeded, Failed };
extern std::atomic<JobOutcome> job_outcome;
// Marks the running job failed (any piece of a job may call it).
void job_failed();

}  // namespace tv
