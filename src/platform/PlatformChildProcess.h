#pragma once

class QProcess;

namespace Platform {

// Makes a process that is about to be started end when this program ends, however it ends (also
// when it is killed): helpers such as the demo's hosts must never outlive the program that owns them.
// Call before QProcess::start, from the thread that lives as long as the program (the main thread).
void EndWithThisProgram(QProcess& process);

} // namespace Platform
