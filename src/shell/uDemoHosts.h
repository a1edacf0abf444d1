#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The demo's network: simulated Windows computers on loopback addresses, served by the host program
// that is installed with Dormiva, under one fixed account. The shipped demo list points at them.
// They run while the object lives and end with the program, also when the program is killed.
class TDemoHosts {
public:
    static const QString UserName;
    static const QString Password;
    static constexpr quint16 DefaultPort = 5985;
    // The host program, and the package that installs it.
    static const QString ProgramName;
    static const QString PackageName;

    // Which addresses answer and how ("ADDRESS[-LAST][,BEHAVIOUR...]", as the host program reads them).
    static QStringList HostSpecs();
    // The host program beside the program (the build tree) or in libexec/dormiva of the installed
    // prefix; the first of those places when it is in neither.
    static QString FindProgram(const QString& programFolder);

    TDemoHosts() = default;
    ~TDemoHosts();
    TDemoHosts(const TDemoHosts&) = delete;
    TDemoHosts& operator=(const TDemoHosts&) = delete;

    // Starts the hosts listening on the port and waits until they do. Returns a message for the user
    // (a missing program, a port that is taken, ...), empty when the hosts are up.
    QString Start(const QString& program, quint16 port);
    // Ends the hosts by their process id.
    void Stop();
    qint64 ProcessId() const { return m_process.processId(); }

private:
    QProcess m_process;
};
