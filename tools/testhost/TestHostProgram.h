#pragma once

#include "CallCounter.h"
#include "SelfSignedCertificate.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <memory>

class TSimulatedHost;

struct TTestHostOptions {
    QString UserName = QStringLiteral("Administrator");
    QString Password = QStringLiteral("Secret!1");
    quint16 HttpPort = 5985;  // 0: no HTTP listener
    quint16 HttpsPort = 5986; // 0: no HTTPS listener
    quint16 TcpPort = 0;      // a plain port that accepts and holds connections; 0: none
    QStringList Hosts;        // host specs
    QString CertificateFile;  // where the HTTPS certificate is written in PEM; empty: nowhere
};

// The whole simulated network: the hosts, their listeners, and the control channel on stdin/stdout.
// Output lines: "ready" once every listener is up, "shutdown ADDRESS FLAGS" per accepted Win32Shutdown,
// "tracker ADDRESS FLAGS TIMEOUT REASONCODE COMMENT" (the comment percent-encoded) per accepted
// Win32ShutdownTracker,
// "unasked ADDRESS" per Basic credentials sent before the connection was challenged.
// Input lines: "set SPEC" changes the behaviour of hosts, "peak" prints "peak N" (the most requests
// answered at the same moment), "resetpeak" starts counting anew; each prints "ok" or "error TEXT".
class TTestHostProgram : public QObject {
    Q_OBJECT
public:
    explicit TTestHostProgram(TTestHostOptions options);
    ~TTestHostProgram() override;

    // Returns an error text, or empty when every host listens.
    QString Start();

private:
    QString SaveCertificate() const;
    QString Listen(TSimulatedHost* host);
    void ReadControl();
    void Command(const QString& line);
    // Output never blocks the hosts: a test that reads it late must not stall the calls it measures.
    void WriteLine(const QString& line);
    void FlushOutput();

    TTestHostOptions m_Options;
    TSelfSignedCertificate m_Certificate;
    TCallCounter m_Counter;
    QHash<QHostAddress, TSimulatedHost*> m_Hosts;
    std::unique_ptr<QSocketNotifier> m_Control;
    QByteArray m_ControlBuffer;
    std::unique_ptr<QSocketNotifier> m_OutputReady;
    QByteArray m_Output;
};
