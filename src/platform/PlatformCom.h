#pragma once

namespace Platform {

// Prepares the calling thread for remote calls (a single-threaded COM apartment on Windows).
void InitializeComForThread();
// Undoes InitializeComForThread on the same thread.
void UninitializeComForThread();

} // namespace Platform
