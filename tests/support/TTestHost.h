#pragma once

#include "RemoteSettings.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A running dormiva-testhost for one test: simulated Windows computers on loopback addresses.
// Each test program uses its own block of addresses (for example 127.0.6.x); the ports are picked at
// random and tried again when taken, so that test runs on the same machine never collide. Calls
// reach the hosts with Settings(). The host is stopped by its process id when the object goes away.
class TTestHost {
public:
    struct TShutdown {
        QString Address;
        int Flags = 0;
        bool Tracker = false; // Win32ShutdownTracker with the three values below
        quint32 Timeout = 0;
        quint32 ReasonCode = 0;
        QString Comment;
    };

    static const QString UserName;
    static const QString Password;

    TTestHost() = default;
    ~TTestHost();
    TTestHost(const TTestHost&) = delete;
    TTestHost& operator=(const TTestHost&) = delete;

    // Starts the host with the host specs ("127.0.6.2", "127.0.6.3-127.0.6.40,delay=50", ...) and
    // waits until it listens on HTTP, HTTPS and a plain TCP port. Returns an error text or empty.
    QString Start(const QStringList& hosts);
    void Stop();
    qint64 ProcessId() const { return m_Process.processId(); }

    quint16 HttpPort() const { return m_BasePort; }
    quint16 HttpsPort() const { return quint16(m_BasePort + 1); }
    quint16 TcpPort() const { return quint16(m_BasePort + 2); } // accepts and holds connections
    // Negotiate (NTLM, sealed over HTTP) on this host's port, as a default Windows host takes it;
    // certificate not checked (it is self-signed).
    TRemoteSettings Settings(bool https = false, int timeoutSeconds = 10) const;
    // Basic authentication, also over plain HTTP, which only hosts with the "unencrypted" behaviour take.
    TRemoteSettings BasicSettings(bool https = false, int timeoutSeconds = 10) const;

    // The hosts' HTTPS certificate (PEM), which names every host address: a CA file to trust them by.
    QString CertificateFile() const { return m_Folder.filePath(QStringLiteral("testhost.pem")); }

    // Changes the behaviour of running hosts: "127.0.6.2,deny". True when the host took it.
    bool SetBehaviour(const QString& spec);
    // The accepted Win32Shutdown and Win32ShutdownTracker calls so far; waits up to timeoutMs for at least atLeast of
    // them.
    QList<TShutdown> Shutdowns(int atLeast = 0, int timeoutMs = 5000);
    // The addresses of hosts that received Basic credentials on a connection before they asked for them,
    // one per refused request so far.
    QStringList UnaskedCredentials();
    // The most requests the hosts were answering at the same moment since the start or the last reset.
    int PeakCalls();
    void ResetPeakCalls();

    static QString ProgramPath();

private:
    QString StartOnce(const QStringList& hosts);
    QString Ask(const QString& command, const QString& answerPrefix);
    void ReadLines(int timeoutMs);

    QProcess m_Process;
    QTemporaryDir m_Folder;
    quint16 m_BasePort = 0;
    QStringList m_Lines;
    QList<TShutdown> m_Shutdowns;
    QStringList m_Unasked;
};
