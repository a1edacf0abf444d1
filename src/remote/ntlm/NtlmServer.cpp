#include "NtlmServer.h"

#include "LangChanger.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "uFormat.h"

#include <QtEndian>

using namespace Ntlm;

namespace {

constexpr quint32 OfferedFlags = NegotiateFlag::Unicode | NegotiateFlag::RequestTarget | NegotiateFlag::Sign |
                                 NegotiateFlag::Seal | NegotiateFlag::NtlmAuth | NegotiateFlag::AlwaysSign |
                                 NegotiateFlag::ExtendedSessionSecurity | NegotiateFlag::Version |
                                 NegotiateFlag::Key128 | NegotiateFlag::KeyExchange | NegotiateFlag::Key56;

// The blob behind NTProofStr: 28 fixed bytes, then the AV pairs.
constexpr int BlobHeader = 28;

[[noreturn]] void MalformedAuthenticate() {
    throw TNtlmError(Format(LangStr(QStringLiteral("sNtlmMalformedMessage")), {QStringLiteral("AUTHENTICATE")}));
}

bool AnnouncesMic(const QList<TAvPair>& pairs) {
    const QByteArray flags = AvValue(pairs, AvId::Flags);
    return flags.size() == 4 && (qFromLittleEndian<quint32>(flags.constData()) & AvFlagMicPresent);
}

} // namespace

TNtlmServer::TNtlmServer(const QString& computerName, TSources sources)
    : m_computerName(computerName.toUpper()), m_sources(std::move(sources)) {}

QByteArray TNtlmServer::ChallengeMessage(QByteArrayView negotiateMessage) {
    const quint32 requested = ParseNegotiate(negotiateMessage);
    m_negotiate = negotiateMessage.toByteArray();
    m_serverChallenge = m_sources.Random(8);

    QByteArray timestamp(8, Qt::Uninitialized);
    qToLittleEndian(m_sources.FileTime(), timestamp.data());
    const QByteArray name = Utf16Le(m_computerName);
    const QByteArray dnsName = Utf16Le(m_computerName.toLower());
    TChallengeMessage challenge;
    challenge.Flags = (requested & OfferedFlags) | NegotiateFlag::TargetInfo | NegotiateFlag::TargetTypeServer;
    challenge.ServerChallenge = m_serverChallenge;
    challenge.TargetName = m_computerName;
    challenge.TargetInfo = EncodeTargetInfo({{AvId::NbDomainName, name},
                                             {AvId::NbComputerName, name},
                                             {AvId::DnsDomainName, dnsName},
                                             {AvId::DnsComputerName, dnsName},
                                             {AvId::Timestamp, timestamp}});
    m_challenge = EncodeChallenge(challenge);
    return m_challenge;
}

std::optional<TNtlmServer::TAccepted> TNtlmServer::Accept(QByteArrayView authenticateMessage,
                                                          const TPasswordOf& passwordOf) {
    const TAuthenticateMessage authenticate = ParseAuthenticate(authenticateMessage);
    if (m_challenge.isEmpty())
        MalformedAuthenticate();
    // Anything shorter is an anonymous logon or an NTLMv1 response, neither of which is accepted.
    const QByteArrayView response = authenticate.NtChallengeResponse;
    if (response.size() < KeyLength + BlobHeader + 4)
        return std::nullopt;
    if (!(authenticate.Flags & NegotiateFlag::ExtendedSessionSecurity))
        throw TNtlmError(LangStr(QStringLiteral("sNtlmUnsupported")));
    const QByteArrayView proof = response.first(KeyLength);
    const QByteArrayView blob = response.sliced(KeyLength);
    const QList<TAvPair> pairs = ParseTargetInfo(blob.sliced(BlobHeader), "AUTHENTICATE");
    const bool withMic = AnnouncesMic(pairs);

    const std::optional<QString> password = passwordOf(authenticate.UserName, authenticate.DomainName);
    if (!password)
        return std::nullopt;
    const QByteArray ntOwf = NtOwfV2(*password, authenticate.UserName, authenticate.DomainName);
    if (!SameBytes(NtProofStr(ntOwf, m_serverChallenge, blob), proof))
        return std::nullopt;

    const QByteArray sessionBaseKey = SessionBaseKey(ntOwf, proof);
    QByteArray exportedSessionKey = sessionBaseKey;
    if (authenticate.Flags & NegotiateFlag::KeyExchange) {
        if (authenticate.EncryptedRandomSessionKey.size() != KeyLength)
            MalformedAuthenticate();
        exportedSessionKey = Rc4(sessionBaseKey, authenticate.EncryptedRandomSessionKey);
    }
    if (withMic) {
        if (authenticate.Mic.size() != MicLength)
            MalformedAuthenticate();
        QByteArray zeroed = authenticateMessage.toByteArray();
        zeroed.replace(MicOffset, MicLength, QByteArray(MicLength, '\0'));
        if (!SameBytes(HmacMd5(exportedSessionKey, {m_negotiate, m_challenge, zeroed}), authenticate.Mic))
            return std::nullopt;
    }
    TAccepted accepted;
    accepted.UserName = authenticate.UserName;
    accepted.DomainName = authenticate.DomainName;
    accepted.ChannelBindings = AvValue(pairs, AvId::ChannelBindings);
    accepted.TargetName = FromUtf16Le(AvValue(pairs, AvId::TargetName));
    accepted.Session =
        std::make_unique<TNtlmSession>(exportedSessionKey, authenticate.Flags, TNtlmSession::TRole::Server);
    return accepted;
}
