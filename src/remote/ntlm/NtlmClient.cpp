#include "NtlmClient.h"

#include "LangChanger.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "uFormat.h"

#include <QtEndian>

using namespace Ntlm;

namespace {

struct TAccount {
    QString User;
    QString Domain;
};

TAccount SplitUserName(const QString& userName) {
    const qsizetype backslash = userName.indexOf(QLatin1Char('\\'));
    if (backslash >= 0)
        return {userName.mid(backslash + 1), userName.left(backslash)};
    return {userName, QString()};
}

// Adds the MIC bit to the Flags pair, creating the pair when the server sent none.
void AddMicFlag(QList<TAvPair>& pairs) {
    for (TAvPair& pair : pairs) {
        if (pair.Id == AvId::Flags && pair.Value.size() == 4) {
            qToLittleEndian(qFromLittleEndian<quint32>(pair.Value.constData()) | AvFlagMicPresent, pair.Value.data());
            return;
        }
    }
    QByteArray value(4, Qt::Uninitialized);
    qToLittleEndian(AvFlagMicPresent, value.data());
    pairs.append({AvId::Flags, value});
}

} // namespace

TNtlmClient::TNtlmClient(const QString& userName, const QString& password, TSources sources)
    : m_sources(std::move(sources)) {
    const TAccount account = SplitUserName(userName);
    m_user = account.User;
    m_domain = account.Domain;
    m_ntOwf = NtOwfV2(password, m_user, m_domain);
}

void TNtlmClient::SetTarget(const QString& servicePrincipal, const QByteArray& channelBindingsMd5) {
    m_servicePrincipal = servicePrincipal;
    m_channelBindings = channelBindingsMd5;
}

QByteArray TNtlmClient::NegotiateMessage() {
    m_negotiate = EncodeNegotiate(RequestedFlags);
    return m_negotiate;
}

QByteArray TNtlmClient::AuthenticateMessage(QByteArrayView challengeMessage) {
    const TChallengeMessage challenge = ParseChallenge(challengeMessage);
    constexpr quint32 Required = NegotiateFlag::Unicode | NegotiateFlag::ExtendedSessionSecurity;
    if ((challenge.Flags & Required) != Required)
        throw TNtlmError(LangStr(QStringLiteral("sNtlmUnsupported")));

    // A server that stamps its challenge expects a MIC over the three messages and no LMv2 response.
    QList<TAvPair> pairs = ParseTargetInfo(challenge.TargetInfo);
    const QByteArray timestamp = AvValue(pairs, AvId::Timestamp);
    const bool withMic = timestamp.size() == 8;
    if (withMic)
        AddMicFlag(pairs);
    if (!m_servicePrincipal.isEmpty()) {
        pairs.append({AvId::ChannelBindings, m_channelBindings.isEmpty() ? QByteArray(16, '\0') : m_channelBindings});
        pairs.append({AvId::TargetName, Utf16Le(m_servicePrincipal)});
    }
    const QByteArray targetInfo =
        withMic || !m_servicePrincipal.isEmpty() ? EncodeTargetInfo(pairs) : challenge.TargetInfo;
    if (targetInfo.size() > 0xffff - 64)
        throw TNtlmError(Format(LangStr(QStringLiteral("sNtlmMalformedMessage")), {QStringLiteral("CHALLENGE")}));

    const QByteArray clientChallenge = m_sources.Random(8);
    const quint64 time = withMic ? qFromLittleEndian<quint64>(timestamp.constData()) : m_sources.FileTime();
    const QByteArray blob = NtlmV2Blob(time, clientChallenge, targetInfo);
    const QByteArray proof = NtProofStr(m_ntOwf, challenge.ServerChallenge, blob);
    const QByteArray sessionBaseKey = SessionBaseKey(m_ntOwf, proof);

    TAuthenticateMessage authenticate;
    authenticate.Flags = challenge.Flags & RequestedFlags;
    authenticate.LmChallengeResponse =
        withMic ? QByteArray(24, '\0') : LmV2Response(m_ntOwf, challenge.ServerChallenge, clientChallenge);
    authenticate.NtChallengeResponse = proof + blob;
    authenticate.DomainName = m_domain;
    authenticate.UserName = m_user;
    QByteArray exportedSessionKey = sessionBaseKey;
    if (authenticate.Flags & NegotiateFlag::KeyExchange) {
        exportedSessionKey = m_sources.Random(KeyLength);
        authenticate.EncryptedRandomSessionKey = Rc4(sessionBaseKey, exportedSessionKey);
    }
    QByteArray message = EncodeAuthenticate(authenticate);
    if (withMic) {
        const QByteArray mic = HmacMd5(exportedSessionKey, {m_negotiate, challengeMessage, message});
        message.replace(MicOffset, MicLength, mic);
    }
    m_session = std::make_unique<TNtlmSession>(exportedSessionKey, authenticate.Flags, TNtlmSession::TRole::Client);
    return message;
}
