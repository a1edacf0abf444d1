#include "NtlmLogon.h"

#include "NtlmEncryptedBody.h"
#include "NtlmError.h"
#include "NtlmServer.h"
#include "NtlmSession.h"
#include "SimulatedHost.h"

namespace {

constexpr int NegotiateType = 1;
constexpr int AuthenticateType = 3;
// The message type of an NTLM token, 0 when it is none.
int MessageType(const QByteArray& token) {
    if (token.size() < 12 || !token.startsWith(QByteArrayView("NTLMSSP\0", 8)))
        return 0;
    return token.at(8);
}

} // namespace

TNtlmLogon::TNtlmLogon(TSimulatedHost* host, TChannelBinding binding) : m_Host(host), m_Binding(std::move(binding)) {}

TNtlmLogon::~TNtlmLogon() = default;

bool TNtlmLogon::IsNtlmAuthorization(const QByteArray& authorization) {
    const QByteArray scheme = authorization.split(' ').first().toLower();
    return scheme == "negotiate" || scheme == "ntlm";
}

std::optional<THostReply> TNtlmLogon::Step(const QByteArray& authorization) {
    const qsizetype space = authorization.indexOf(' ');
    const QByteArray scheme = space < 0 ? authorization : authorization.left(space);
    const QByteArray token = space < 0 ? QByteArray() : QByteArray::fromBase64(authorization.mid(space + 1).trimmed());
    const bool offered = scheme.compare(m_Host->Behaviour().NtlmOnly ? "NTLM" : "Negotiate", Qt::CaseInsensitive) == 0;
    m_Session.reset(); // a new handshake replaces the logon of this connection
    if (m_Host->Behaviour().DenyCredentials || !offered)
        return THostReply::Refusal();
    try {
        switch (MessageType(token)) {
        case NegotiateType: {
            m_Server = std::make_unique<TNtlmServer>(m_Host->ComputerName());
            THostReply challenge = THostReply::WithStatus(401);
            challenge.Authenticate = scheme + ' ' + m_Server->ChallengeMessage(token).toBase64();
            challenge.CloseConnection = m_Host->Behaviour().CloseOnChallenge;
            return challenge;
        }
        case AuthenticateType: {
            if (!m_Server)
                return THostReply::Refusal();
            std::optional<TNtlmServer::TAccepted> accepted = m_Server->Accept(
                token, [this](const QString& user, const QString& domain) { return m_Host->PasswordOf(user, domain); });
            m_Server.reset();
            if (!accepted || !BindingHolds(accepted->ChannelBindings))
                return THostReply::Refusal();
            m_Session = std::move(accepted->Session);
            return std::nullopt;
        }
        default:
            return THostReply::Refusal(); // SPNEGO-wrapped and Kerberos tokens are not understood here
        }
    } catch (const TNtlmError&) {
        m_Server.reset();
        return THostReply::WithStatus(400);
    }
}

// As CbtHardeningLevel: Relaxed refuses bindings to another connection, Strict also a logon without them.
bool TNtlmLogon::BindingHolds(const QByteArray& channelBindings) const {
    if (m_Binding.IsEmpty())
        return true; // plain HTTP: there is no channel to bind to
    if (channelBindings.isEmpty() || channelBindings == TChannelBinding().Md5())
        return !m_Host->Behaviour().StrictBinding;
    return channelBindings == m_Binding.Md5();
}

THostReply TNtlmLogon::Serve(const QByteArray& contentType, const QByteArray& body, bool https) {
    if (body.isEmpty())
        return THostReply::WithStatus(200); // the empty request that completes a handshake
    if (!NtlmEncryptedBody::IsEncrypted(contentType)) {
        if (!https && !m_Host->Behaviour().AllowUnencrypted)
            return THostReply::Refusal();
        return m_Host->HandleAuthenticated(contentType, body);
    }
    QByteArray request;
    try {
        request = NtlmEncryptedBody::Decode(*m_Session, body);
    } catch (const TNtlmError&) {
        return THostReply::WithStatus(400);
    }
    THostReply reply = m_Host->HandleAuthenticated(SoapContentType, request);
    if (reply.Kind != THostReply::TKind::Answer || reply.Body.isEmpty() || m_Host->Behaviour().PlainAnswers)
        return reply;
    reply.Body = NtlmEncryptedBody::Encode(*m_Session, reply.Body);
    reply.ContentType = NtlmEncryptedBody::ContentType();
    if (m_Host->Behaviour().Tamper) {
        // One sealed byte just before the closing boundary: the signature no longer holds.
        const qsizetype at = reply.Body.size() - qsizetype(sizeof("--Encrypted Boundary--\r\n"));
        reply.Body[at] = char(reply.Body[at] ^ 0x01);
    }
    return reply;
}
