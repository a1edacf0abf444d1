#pragma once

#include "uDataJob.h"

#include <QString>

#include <functional>

struct TProgramOptions;

// The steps of one job on a worker thread. A job asks nothing and changes nothing in the computer
// list; every failure ends up in the record's Result and ErrorMessage.

// The address the reachability check goes to: the name itself when it is an address text, else the
// first IPv4 address it resolves to; empty when it does not resolve.
QString ResolveJobAddress(const QString& Name);

// Resolves the name, checks that the computer answers, then carries out the action. Between the
// steps it ends early, leaving the outcome as it is, once stopRequested says so. A job that waits for
// its computer to come back only looks whether it is back.
void RunJob(TDataJob& job, const TProgramOptions& options, const std::function<bool()>& stopRequested);

// Makes the remote call of the job's action (always forced) against the computer's name as listed.
void ExecuteAction(TDataJob& job, const TProgramOptions& options);
