// SIGINT and SIGTERM during a job: the job is asked to stop after the page in hand, then the
// command exits with 128 plus the signal's number, as a shell expects.
#pragma once

#include "jobs/job_cancel.h"

namespace orvelle::cli {

// Installs the handlers; they request the cancel returned by jobCancel().
void catchInterrupts();
const JobCancel& jobCancel();
// 130 after SIGINT, 143 after SIGTERM; 0 when neither came.
int interruptedExitStatus();

}  // namespace orvelle::cli
