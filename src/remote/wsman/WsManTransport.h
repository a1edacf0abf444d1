#pragma once

#include "RemoteSettings.h"
#include "WsManHttpConnection.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

// Carries SOAP envelopes to one computer and back, authenticated by one scheme. A scheme that seals
// messages (NTLM, Kerberos) returns the unsealed envelope and the status of the answer.
class IWsManTransport {
public:
    virtual ~IWsManTransport() = default;

    // Sends one envelope and returns the answer; raises ERemoteError for failures below HTTP.
    virtual TWsManHttpReply Send(const QByteArray& envelope) = 0;
    virtual const TWsManHttpConnection& Connection() const = 0;
};

// The transport for the authentication method of the settings. An empty user name means the identity
// of the user who runs the program. Raises ERemoteError for a method that cannot be used, and for Basic
// over HTTP unless the settings allow it unencrypted.
std::unique_ptr<IWsManTransport> MakeWsManTransport(const QString& computer, const QString& userName,
                                                    const QString& password, const TRemoteSettings& settings,
                                                    QDeadlineTimer deadline);
