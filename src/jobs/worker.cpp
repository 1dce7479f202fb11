// The worker thread's entry: runs one job and performs the common end.
#include "jobs/Worker.h"
#include "jobs/diagnostics.h"
#include "jobs/net_scan.h"
#include "jobs/register_jobs.h"

#include "common/globals.h"
#include "ui/panel.h"

namespace tv {

std::atomic<JobOutcome> job_outcome{JobOutcome::None};

void job_failed() { job_outcome = JobOutcome::Failed; }

void worker() { run_job(work_mode, send_mode); }

void run_job(int mode, int sub_mode) {
    job_outcome = JobOutcome::None;
    switch (mode) {
        case WM_PRINTER:
            printer_stream_job(sub_mode);
            break;
        case WM_DETECT:
            detect_job();
            break;
        case WM_SCAN:
            scan_job();
            break;
        case WM_TEST:
            test_job();
            break;
        case WM_KS_PROGRAM:
            ks_program_job();
            break;
        case WM_KS_CLEAR:
            ks_clear_job();
            break;
        case WM_KS_SET:
            ks_set_job();
            break;
        default:
            bAction = false;
            break;
    }
    if (job_outcome == JobOutcome::None) job_outcome = JobOutcome::Succeeded;
    enable_ctrls(1);
    send_mode = SM_NONE;
}

}  // namespace tv
