#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// A running dormiva-testhost for one test: simulated Windows computers on loopback addresses.
// Each test program uses its own block of addresses (for example 127.0.6.x) so that tests may run
// side by side. The host is stopped by its process id when the object goes away.
class TTestHost {
public:
    struct TShutdown {
        QString Address;
        int Flags = 0;
    };

    static const QString UserName;
    static const QString Password;

    TTestHost() = default;
    ~TTestHost();
    TTestHost(const TTestHost&) = delete;
    TTestHost& operator=(const TTestHost&) = delete;

    // Starts the host with the host specs ("127.0.6.2", "127.0.6.3-127.0.6.40,delay=50", ...) and
    // extra options ("--tcp-port", "1139", ...) and waits until it listens. Returns an error text or empty.
    QString Start(const QStringList& hosts, const QStringList& options = {});
    void Stop();
    qint64 ProcessId() const { return m_Process.processId(); }

    // Changes the behaviour of running hosts: "127.0.6.2,deny". True when the host took it.
    bool SetBehaviour(const QString& spec);
    // The accepted Win32Shutdown calls so far; waits up to timeoutMs for at least atLeast of them.
    QList<TShutdown> Shutdowns(int atLeast = 0, int timeoutMs = 5000);
    // The most requests the hosts were answering at the same moment since the start or the last reset.
    int PeakCalls();
    void ResetPeakCalls();

    static QString ProgramPath();

private:
    QString Ask(const QString& command, const QString& answerPrefix);
    void ReadLines(int timeoutMs);

    QProcess m_Process;
    QStringList m_Lines;
    QList<TShutdown> m_Shutdowns;
};
