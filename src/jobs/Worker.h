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

// The printer command stream of the given kind (clear, set, report, graphic) on a new link.
void printer_stream_job(int mode);

// The outcome of the last job, for faces that report it (the console tool's exit status).
enum class JobOutcome { None, Succeeded, Failed };
extern std::atomic<JobOutcome> job_outcome;
// Marks the running job failed (any piece of a job may call it).
void job_failed();

}  // namespace tv
