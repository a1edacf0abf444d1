#pragma once

namespace Platform {

// Keeps the memory of the process, where passwords are held in clear text, out of core dumps and
// away from debuggers of the same user. Once per process, before the first password is read.
// Returns false when the system refused.
bool KeepMemoryPrivate();

} // namespace Platform
