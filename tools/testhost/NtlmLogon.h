#pragma once

#include "ChannelBinding.h"
#include "HostReply.h"

#include <QByteArray>

#include <memory>
#include <optional>

class TNtlmServer;
class TNtlmSession;
class TSimulatedHost;

// The NTLM logon of one connection to a simulated host, the way Windows' WinRM service keeps it: the
// handshake in Authorization headers under Negotiate (or NTLM, when the host offers only that), then
// requests that arrive sealed in multipart/encrypted bodies are opened and their answers sealed. On
// HTTP an unsealed body is refused unless the host is told to allow it. Over HTTPS the logon must name
// this connection's certificate in its channel bindings when it sends any (Windows' default hardening)
// and at all when the host is strict.
class TNtlmLogon {
public:
    // binding: of the connection's TLS certificate; empty over HTTP.
    TNtlmLogon(TSimulatedHost* host, TChannelBinding binding);
    ~TNtlmLogon();
    TNtlmLogon(const TNtlmLogon&) = delete;
    TNtlmLogon& operator=(const TNtlmLogon&) = delete;

    // Whether an Authorization header carries an NTLM token.
    static bool IsNtlmAuthorization(const QByteArray& authorization);

    // One leg of the handshake. Returns the answer that ends this request (the challenge or a refusal),
    // or none once the client has logged on and the request's body is to be served.
    std::optional<THostReply> Step(const QByteArray& authorization);
    bool LoggedOn() const { return m_Session != nullptr; }
    // Serves a request of a logged-on connection.
    THostReply Serve(const QByteArray& contentType, const QByteArray& body, bool https);

private:
    bool BindingHolds(const QByteArray& channelBindings) const;

    TSimulatedHost* m_Host;
    TChannelBinding m_Binding;
    std::unique_ptr<TNtlmServer> m_Server;
    std::unique_ptr<TNtlmSession> m_Session;
};
