#pragma once

#include <QLoggingCategory>

#include <functional>

// Diagnostics of the single-instance rule (category "dormiva.instance", info level, off by default).
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

// Brings the program's window to the front; called on the main thread.
using TAppWindow = std::function<void()>;

// The single-instance rule. Returns true when maxInstances copies already run in the user's session:
// the running copy (the one that registered last) has been asked to bring its window to the front,
// and this copy must end without touching anything. Returns false when this copy is registered and
// goes on; appWindow is then called whenever a later start asks. Needs the application object.
// Throws std::runtime_error when the registration cannot be made.
bool CheckPreviousInstance(TAppWindow appWindow, int maxInstances);
// Ends the registration; once at program exit, also after a refused start.
void ReleaseInstance();
