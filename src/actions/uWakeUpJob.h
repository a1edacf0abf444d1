#pragma once

#include "uDataJob.h"
#include "uLocalIPandMaskList.h"

#include <functional>

struct TProgramOptions;

// Wakes the job's computer: sends the magic packet towards its subnet and, when the options ask for
// it, waits until the computer answers the configured check (an ICMP echo when none is configured).
// A computer without a valid hardware address gets nothing. Ends early once stopRequested says so.
void WakeUpComputer(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested,
                    const TAdapterSource& adapters = Platform::GetAdaptersIPv4);

// The log line of a finished wake-up job; empty for an outcome that the common texts tell.
QString WakeUpOutcomeText(const TDataJob& job);
