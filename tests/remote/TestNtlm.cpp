#include "NtlmClient.h"
#include "NtlmCrypto.h"
#include "NtlmError.h"
#include "NtlmMessages.h"
#include "NtlmServer.h"
#include "NtlmSession.h"

#include <QTest>
#include <QtEndian>

using namespace Ntlm;

// The worked NTLMv2 example of the NTLM protocol description: user "User" in "Domain" with password
// "Password", server challenge 0123456789abcdef, client challenge aa..aa, time 0, random session
// key 55..55, server "Server".
namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

const QByteArray ServerChallenge = Hex("0123456789abcdef");
const QByteArray ClientChallenge = Hex("aaaaaaaaaaaaaaaa");
const QByteArray RandomSessionKey = Hex("55555555555555555555555555555555");
const QByteArray TargetInfo = Hex("02000c0044006f006d00610069006e0001000c0053006500720076006500720000000000");
// The CHALLENGE message of the example (flags e28a8233, target name "Server", the target info above).
const QByteArray ChallengeMessage =
    Hex("4e544c4d53535000020000000c000c003800000033828ae20123456789abcdef00000000000000002400240044000000"
        "060070170000000f53006500720076006500720002000c0044006f006d00610069006e0001000c0053006500720076"
        "006500720000000000");
const QByteArray NtOwf = Hex("0c868a403bfd7a93a3001ef22ef02e3f");
const QByteArray LmV2 = Hex("86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
const QByteArray Proof = Hex("68cd0ab851e51c96aabc927bebef6a1c");
const QByteArray BaseKey = Hex("8de40ccadbc14a82f15cb0ad0de95ca3");
const QByteArray EncryptedSessionKey = Hex("c5dad2544fc9799094ce1ce90bc9d03e");
const QByteArray ClientSealingKey = Hex("59f600973cc4960a25480a7c196e4c58");
const QByteArray ClientSigningKey = Hex("4788dc861b4782f35d43fd98fe1a2d39");
const QByteArray Plaintext = Utf16Le(QStringLiteral("Plaintext"));
const QByteArray SealedPlaintext = Hex("54e50165bf1936dc996020c1811b0f06fb5f");
const QByteArray PlaintextSignature = Hex("010000007fb38ec5c55d497600000000");

constexpr quint32 ExampleFlags = NegotiateFlag::Key56 | NegotiateFlag::Key128 | NegotiateFlag::Sign |
                                 NegotiateFlag::Seal | NegotiateFlag::KeyExchange |
                                 NegotiateFlag::ExtendedSessionSecurity;

// Replays the example's client challenge, session key and time.
TSources ExampleSources() {
    TSources sources;
    sources.Random = [](int size) { return size == 8 ? ClientChallenge : RandomSessionKey; };
    sources.FileTime = [] { return quint64(0); };
    return sources;
}

QByteArray Authenticated(TNtlmClient& client, TNtlmServer& server) {
    const QByteArray challenge = server.ChallengeMessage(client.NegotiateMessage());
    return client.AuthenticateMessage(challenge);
}

TNtlmServer::TPasswordOf PasswordOf(const QString& password) {
    return [password](const QString& user, const QString&) -> std::optional<QString> {
        if (user.compare(QStringLiteral("User"), Qt::CaseInsensitive) == 0)
            return password;
        return std::nullopt;
    };
}

QByteArray WithU16(QByteArray message, int at, quint16 value) {
    qToLittleEndian(value, message.data() + at);
    return message;
}

QByteArray WithU32(QByteArray message, int at, quint32 value) {
    qToLittleEndian(value, message.data() + at);
    return message;
}

} // namespace

class TestNtlm : public QObject {
    Q_OBJECT
private slots:
    void publishedValues();
    void userNameIsUpperCasedAsWindowsDoes_data();
    void userNameIsUpperCasedAsWindowsDoes();
    void clientAnswersThePublishedChallenge();
    void sessionSealsBothDirections();
    void userNameForms_data();
    void userNameForms();
    void serverAcceptsOnlyTheRightPassword();
    void targetReachesTheServer_data();
    void targetReachesTheServer();
    void serverRefusesAlteredAuthenticate_data();
    void serverRefusesAlteredAuthenticate();
    void sessionRefusesTamperedOrReplayedMessages();
    void hostileChallenge_data();
    void hostileChallenge();
};

void TestNtlm::publishedValues() {
    QCOMPARE(NtOwfV2(QStringLiteral("Password"), QStringLiteral("User"), QStringLiteral("Domain")), NtOwf);
    QCOMPARE(LmV2Response(NtOwf, ServerChallenge, ClientChallenge), LmV2);
    const QByteArray blob = NtlmV2Blob(0, ClientChallenge, TargetInfo);
    QCOMPARE(NtProofStr(NtOwf, ServerChallenge, blob), Proof);
    QCOMPARE(SessionBaseKey(NtOwf, Proof), BaseKey);
    QCOMPARE(Rc4(BaseKey, RandomSessionKey), EncryptedSessionKey);
    QCOMPARE(SealKey(RandomSessionKey, ExampleFlags, true), ClientSealingKey);
    QCOMPARE(SignKey(RandomSessionKey, true), ClientSigningKey);
}

// Expected hashes: HMAC-MD5 keyed with the published MD4 of "Password" over the UTF-16LE name and "Domain",
// computed with Python's hmac module.
void TestNtlm::userNameIsUpperCasedAsWindowsDoes_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("ntOwf");
    QTest::newRow("ASCII, the published one") << "User" << NtOwf;
    QTest::newRow("sharp s stays one letter") << QStringLiteral("straße") << Hex("d63cd23eda76b551cec5780aa8f94b13");
    QTest::newRow("ligature has no simple upper case")
        << QStringLiteral("ﬁle") << Hex("cccc45b9663105cc6c5c3ae7dabd3e24");
    QTest::newRow("accented letter") << QStringLiteral("élodie") << Hex("93a5463feda6a389277821fbefcdef52");
}

void TestNtlm::userNameIsUpperCasedAsWindowsDoes() {
    QFETCH(QString, user);
    QFETCH(QByteArray, ntOwf);
    QCOMPARE(NtOwfV2(QStringLiteral("Password"), user, QStringLiteral("Domain")), ntOwf);
}

void TestNtlm::clientAnswersThePublishedChallenge() {
    TNtlmClient client(QStringLiteral("Domain\\User"), QStringLiteral("Password"), ExampleSources());
    const QByteArray negotiate = client.NegotiateMessage();
    QCOMPARE(ParseNegotiate(negotiate), TNtlmClient::RequestedFlags);

    const TAuthenticateMessage sent = ParseAuthenticate(client.AuthenticateMessage(ChallengeMessage));
    QCOMPARE(sent.UserName, QStringLiteral("User"));
    QCOMPARE(sent.DomainName, QStringLiteral("Domain"));
    QCOMPARE(sent.LmChallengeResponse, LmV2);
    QCOMPARE(sent.NtChallengeResponse, Proof + NtlmV2Blob(0, ClientChallenge, TargetInfo));
    QCOMPARE(sent.EncryptedRandomSessionKey, EncryptedSessionKey);
    QVERIFY(sent.Flags & NegotiateFlag::KeyExchange);
    QVERIFY(sent.Flags & NegotiateFlag::ExtendedSessionSecurity);

    const std::unique_ptr<TNtlmSession> session = client.TakeSession();
    QVERIFY(session);
    const TNtlmSession::TSealed sealed = session->Seal(Plaintext);
    QCOMPARE(sealed.Data, SealedPlaintext);
    QCOMPARE(sealed.Signature, PlaintextSignature);
}

// The first values are the published ones; the rest were computed by an independent implementation
// (Debian's python3-ntlm-auth) for the same session key.
void TestNtlm::sessionSealsBothDirections() {
    TNtlmSession client(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Client);
    TNtlmSession server(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Server);
    const struct {
        TNtlmSession& From;
        TNtlmSession& To;
        QByteArray Signature;
        QByteArray Data;
    } messages[] = {
        {client, server, PlaintextSignature, SealedPlaintext},
        {client, server, Hex("01000000255405955d31d8c401000000"), Hex("64c308e09ea236e7f4232553c94a01e700fa")},
        {server, client, Hex("01000000b298b847ce7c580700000000"), Hex("160871b730ba74e946c453d7465b54278dd0")},
        {server, client, Hex("010000001c358b931a2feeb201000000"), Hex("3db8ae180836dceebba76946aab5e969c977")},
    };
    for (const auto& message : messages) {
        const TNtlmSession::TSealed sealed = message.From.Seal(Plaintext);
        QCOMPARE(sealed.Signature, message.Signature);
        QCOMPARE(sealed.Data, message.Data);
        QCOMPARE(message.To.Unseal(sealed.Data, sealed.Signature), Plaintext);
    }
}

void TestNtlm::userNameForms_data() {
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("domain");
    QTest::newRow("domain and user") << "Domain\\User"
                                     << "User"
                                     << "Domain";
    QTest::newRow("principal name") << "User@domain.example"
                                    << "User@domain.example"
                                    << "";
    QTest::newRow("plain user") << "User"
                                << "User"
                                << "";
    QTest::newRow("this computer") << ".\\User"
                                   << "User"
                                   << ".";
}

void TestNtlm::userNameForms() {
    QFETCH(QString, userName);
    QFETCH(QString, user);
    QFETCH(QString, domain);
    TNtlmClient client(userName, QStringLiteral("Password"), ExampleSources());
    client.NegotiateMessage();
    const TAuthenticateMessage sent = ParseAuthenticate(client.AuthenticateMessage(ChallengeMessage));
    QCOMPARE(sent.UserName, user);
    QCOMPARE(sent.DomainName, domain);
    // The proof is keyed with the hash of exactly these names.
    const QByteArray blob = sent.NtChallengeResponse.mid(16);
    QCOMPARE(sent.NtChallengeResponse.left(16),
             NtProofStr(NtOwfV2(QStringLiteral("Password"), user, domain), ServerChallenge, blob));
}

void TestNtlm::serverAcceptsOnlyTheRightPassword() {
    TNtlmClient client(QStringLiteral("Lab\\user"), QStringLiteral("Password"));
    TNtlmServer server(QStringLiteral("host1"));
    const QByteArray authenticate = Authenticated(client, server);
    // The server stamps its challenge, so the client must have added a MIC and no LMv2 response.
    const TAuthenticateMessage sent = ParseAuthenticate(authenticate);
    QCOMPARE(sent.LmChallengeResponse, QByteArray(24, '\0'));
    QVERIFY(sent.Mic != QByteArray(MicLength, '\0'));

    std::optional<TNtlmServer::TAccepted> accepted =
        server.Accept(authenticate, PasswordOf(QStringLiteral("Password")));
    QVERIFY(accepted);
    QCOMPARE(accepted->UserName, QStringLiteral("user"));
    QCOMPARE(accepted->DomainName, QStringLiteral("Lab"));

    // Both sides derived the same keys: messages cross in both directions, several times.
    const std::unique_ptr<TNtlmSession> session = client.TakeSession();
    for (int round = 0; round < 3; ++round) {
        const QByteArray request = "request " + QByteArray::number(round);
        const TNtlmSession::TSealed up = session->Seal(request);
        QCOMPARE(accepted->Session->Unseal(up.Data, up.Signature), request);
        const QByteArray reply = "reply " + QByteArray::number(round);
        const TNtlmSession::TSealed down = accepted->Session->Seal(reply);
        QCOMPARE(session->Unseal(down.Data, down.Signature), reply);
    }

    TNtlmClient wrong(QStringLiteral("Lab\\user"), QStringLiteral("password"));
    TNtlmServer other(QStringLiteral("host1"));
    QVERIFY(!other.Accept(Authenticated(wrong, other), PasswordOf(QStringLiteral("Password"))));

    TNtlmClient stranger(QStringLiteral("Lab\\nobody"), QStringLiteral("Password"));
    TNtlmServer third(QStringLiteral("host1"));
    QVERIFY(!third.Accept(Authenticated(stranger, third), PasswordOf(QStringLiteral("Password"))));
}

void TestNtlm::targetReachesTheServer_data() {
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QByteArray>("bindings"); // as given to the client
    QTest::addColumn<QByteArray>("received"); // as the server reads them
    QTest::newRow("none") << QString() << QByteArray() << QByteArray();
    QTest::newRow("HTTP: no channel to bind to")
        << QStringLiteral("HTTP/host1") << QByteArray() << QByteArray(16, '\0');
    QTest::newRow("HTTPS") << QStringLiteral("HTTP/host1.lab.example") << Hex("bcb9e9b19239cadf4fc4fc330520a96d")
                           << Hex("bcb9e9b19239cadf4fc4fc330520a96d");
}

// The target travels under the MIC, so the server can rely on it.
void TestNtlm::targetReachesTheServer() {
    QFETCH(QString, principal);
    QFETCH(QByteArray, bindings);
    QFETCH(QByteArray, received);
    TNtlmClient client(QStringLiteral("Lab\\user"), QStringLiteral("Password"));
    client.SetTarget(principal, bindings);
    TNtlmServer server(QStringLiteral("host1"));
    const std::optional<TNtlmServer::TAccepted> accepted =
        server.Accept(Authenticated(client, server), PasswordOf(QStringLiteral("Password")));
    QVERIFY(accepted);
    QCOMPARE(accepted->TargetName, principal);
    QCOMPARE(accepted->ChannelBindings, received);
}

void TestNtlm::serverRefusesAlteredAuthenticate_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("malformed");
    QTest::newRow("flags changed under the MIC") << 60 << false;
    QTest::newRow("MIC changed") << MicOffset + 3 << false;
    QTest::newRow("response field points past the end") << 24 << true;
}

void TestNtlm::serverRefusesAlteredAuthenticate() {
    QFETCH(int, offset);
    QFETCH(bool, malformed);
    TNtlmClient client(QStringLiteral("user"), QStringLiteral("Password"));
    TNtlmServer server(QStringLiteral("host1"));
    QByteArray authenticate = Authenticated(client, server);
    if (malformed)
        authenticate = WithU32(authenticate, offset, 0x7fffffff);
    else
        authenticate[offset] = char(authenticate[offset] ^ 0x01);
    if (malformed)
        QVERIFY_THROWS_EXCEPTION(TNtlmError, server.Accept(authenticate, PasswordOf(QStringLiteral("Password"))));
    else
        QVERIFY(!server.Accept(authenticate, PasswordOf(QStringLiteral("Password"))));
}

void TestNtlm::sessionRefusesTamperedOrReplayedMessages() {
    TNtlmSession client(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Client);
    TNtlmSession server(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Server);
    TNtlmSession::TSealed first = client.Seal("first");
    const TNtlmSession::TSealed second = client.Seal("second");
    // Out of order: the sequence number does not match.
    QVERIFY_THROWS_EXCEPTION(TNtlmError, server.Unseal(second.Data, second.Signature));
    // Once out of step, the session refuses even the message that would have been next.
    QVERIFY_THROWS_EXCEPTION(TNtlmError, server.Unseal(first.Data, first.Signature));

    TNtlmSession fresh(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Server);
    first.Data[2] = char(first.Data[2] ^ 0x20);
    QVERIFY_THROWS_EXCEPTION(TNtlmError, fresh.Unseal(first.Data, first.Signature));

    // A message sealed in the client's own direction does not open on the client.
    TNtlmSession again(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Client);
    const TNtlmSession::TSealed own = again.Seal("own");
    TNtlmSession sameSide(RandomSessionKey, ExampleFlags, TNtlmSession::TRole::Client);
    QVERIFY_THROWS_EXCEPTION(TNtlmError, sameSide.Unseal(own.Data, own.Signature));
}

void TestNtlm::hostileChallenge_data() {
    QTest::addColumn<QByteArray>("challenge");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated header") << ChallengeMessage.left(31);
    QTest::newRow("wrong signature") << QByteArray(ChallengeMessage).replace(0, 4, "XTLM");
    QTest::newRow("wrong type") << WithU32(ChallengeMessage, 8, 3);
    QTest::newRow("target name offset past the end") << WithU32(ChallengeMessage, 16, 0xfffffff0);
    QTest::newRow("target name longer than the message") << WithU16(ChallengeMessage, 12, 0xffff);
    QTest::newRow("odd Unicode length") << WithU16(ChallengeMessage, 12, 11);
    QTest::newRow("target info offset past the end") << WithU32(ChallengeMessage, 44, 0x80000000);
    QTest::newRow("huge target info") << WithU16(ChallengeMessage, 40, 0xffff);
    QTest::newRow("AV pair longer than the target info") << WithU16(ChallengeMessage, 0x46, 0x0400);
    QTest::newRow("AV list without its end") << ChallengeMessage.left(ChallengeMessage.size() - 4);
    QTest::newRow("no extended session security") << WithU32(ChallengeMessage, 20, 0xe2028233);
    QTest::newRow("no Unicode") << WithU32(ChallengeMessage, 20, 0xe28a8232);
}

void TestNtlm::hostileChallenge() {
    QFETCH(QByteArray, challenge);
    TNtlmClient client(QStringLiteral("Domain\\User"), QStringLiteral("Password"), ExampleSources());
    client.NegotiateMessage();
    try {
        client.AuthenticateMessage(challenge);
        QFAIL("a hostile challenge was accepted");
    } catch (const TNtlmError& error) {
        QVERIFY(!error.Text().isEmpty());
        QVERIFY(!error.Text().contains(QStringLiteral("Password")));
    }
    QVERIFY(!client.TakeSession());
}

QTEST_GUILESS_MAIN(TestNtlm)
#include "TestNtlm.moc"
