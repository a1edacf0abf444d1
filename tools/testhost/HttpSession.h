#pragma once

#include "HostReply.h"
#include "KerberosLogon.h"
#include "NtlmLogon.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

class TSimulatedHost;
class TCallCounter;

// One client connection to a simulated host: reads HTTP/1.1 requests one after another and writes the
// host's answers, keeping the connection open unless the client asks to close it.
class THttpSession : public QObject {
    Q_OBJECT
public:
    THttpSession(QTcpSocket* socket, TSimulatedHost* host, TCallCounter* counter);
    ~THttpSession() override;

private:
    void ReadRequests();
    THostReply Answer(const QByteArray& authorization, const QByteArray& contentType, const QByteArray& body);
    void Respond(const THostReply& reply);
    void Finish();

    QTcpSocket* m_Socket;
    TSimulatedHost* m_Host;
    TCallCounter* m_Counter;
    TNtlmLogon m_Ntlm;
    TKerberosLogon m_Kerberos;
    bool m_Https;
    QByteArray m_Buffer;
    bool m_Busy = false; // a request is being answered (or never will be)
    bool m_CloseAfterAnswer = false;
    bool m_Challenged = false; // this connection has been asked for credentials
};
