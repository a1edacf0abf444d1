#pragma once

namespace Platform {

// Prepares the calling thread for remote calls (a single-threaded COM apartment on Windows).
void InitializeComForThread();
// Sets the process-wide security defaults of remote calls: identity of the caller, impersonation allowed.
void SetComSecurityDefaults();
// Undoes InitializeComForThread on the same thread.
void UninitializeComForThread();

} // namespace Platform
