#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A server process a test starts as its peer and stops again by its process id, also when the test
// fails. Should the test process itself die, the system ends the peer with it.
class TPeerProcess {
public:
    TPeerProcess(const QString& program, const QStringList& args);
    ~TPeerProcess();
    TPeerProcess(const TPeerProcess&) = delete;
    TPeerProcess& operator=(const TPeerProcess&) = delete;

    bool IsRunning() const { return m_process.state() == QProcess::Running; }
    // What the peer printed so far, for failure messages.
    QString Output();

private:
    QProcess m_process;
};
