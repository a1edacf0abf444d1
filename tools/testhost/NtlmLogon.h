#pragma once

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
// HTTP an unsealed body is refused unless the host is told to allow it.
class TNtlmLogon {
public:
    explicit TNtlmLogon(TSimulatedHost* host);
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
    TSimulatedHost* m_Host;
    std::unique_ptr<TNtlmServer> m_Server;
    std::unique_ptr<TNtlmSession> m_Session;
};
