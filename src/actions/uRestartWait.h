#pragma once

#include "uDataJob.h"

struct TProgramOptions;

// The two halves of "restart and wait until back" on a worker. Neither sleeps: a job that has to wait
// longer leaves Waiting set, and the pool parks it and hands it to a worker again later.

// Reads the boot time, then restarts the computer; once the restart is accepted the job waits.
void RestartAndStartWaiting(TDataJob& job, const TProgramOptions& options);

// One look at the boot time: a new one ends the job as back after so many seconds, the end of the
// limit as not back; a refused or failed call only means that the computer is still on its way.
void LookWhetherBack(TDataJob& job, const TProgramOptions& options);

// Milliseconds of a clock that never goes back, for the wait's durations.
qint64 SteadyClockMs();
