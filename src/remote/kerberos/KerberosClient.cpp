#include "KerberosClient.h"

#include "KerberosError.h"
#include "LangChanger.h"
#include "uFormat.h"

#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>
#include <krb5/krb5.h>

namespace {

gss_OID_desc SpnegoOid = {6, const_cast<char*>("\x2b\x06\x01\x05\x05\x02")};

constexpr OM_uint32 RequestedFlags = GSS_C_MUTUAL_FLAG | GSS_C_SEQUENCE_FLAG | GSS_C_CONF_FLAG | GSS_C_INTEG_FLAG;

gss_buffer_desc BufferOf(const QByteArray& bytes) {
    return {size_t(bytes.size()), const_cast<char*>(bytes.constData())};
}

QByteArray TakeBuffer(gss_buffer_desc& buffer) {
    QByteArray bytes(static_cast<const char*>(buffer.value), qsizetype(buffer.length));
    OM_uint32 minor = 0;
    gss_release_buffer(&minor, &buffer);
    return bytes;
}

// GSSAPI's own words for a status, the mechanism's where it has any.
QString StatusText(OM_uint32 major, OM_uint32 minor, gss_OID mechanism) {
    const bool mechanismSpeaks = minor != 0;
    OM_uint32 context = 0;
    OM_uint32 ignored = 0;
    gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
    gss_display_status(&ignored, mechanismSpeaks ? minor : major, mechanismSpeaks ? GSS_C_MECH_CODE : GSS_C_GSS_CODE,
                       mechanism, &context, &text);
    return QString::fromUtf8(TakeBuffer(text)).left(300);
}

TKerberosError::TKind KindOf(OM_uint32 major, OM_uint32 minor) {
    switch (krb5_error_code(minor)) {
    case KRB5KDC_ERR_PREAUTH_FAILED:
    case KRB5KRB_AP_ERR_BAD_INTEGRITY:
    case KRB5KDC_ERR_C_PRINCIPAL_UNKNOWN:
        return TKerberosError::TKind::WrongPassword;
    case KRB5KDC_ERR_S_PRINCIPAL_UNKNOWN:
        return TKerberosError::TKind::UnknownService;
    case KRB5KRB_AP_ERR_TKT_EXPIRED:
    case KRB5_FCC_NOFILE:
    case KRB5_CC_NOTFOUND:
    case KRB5_CC_END:
        return TKerberosError::TKind::NoTicket;
    default:
        break;
    }
    const OM_uint32 routine = GSS_ROUTINE_ERROR(major);
    if (routine == GSS_S_NO_CRED || routine == GSS_S_CREDENTIALS_EXPIRED)
        return TKerberosError::TKind::NoTicket;
    return TKerberosError::TKind::Other;
}

} // namespace

TKerberosClient::TKerberosClient(const QString& host, const QString& userName, const QString& password,
                                 TMechanism mechanism)
    : m_Service(QStringLiteral("HTTP/") + host),
      m_Mechanism(mechanism == TMechanism::Spnego ? &SpnegoOid : const_cast<gss_OID>(gss_mech_krb5)) {
    try {
        Start(host, userName, password);
    } catch (...) {
        Release();
        throw;
    }
}

void TKerberosClient::Start(const QString& host, const QString& userName, const QString& password) {
    OM_uint32 minor = 0;
    const QByteArray service = QStringLiteral("HTTP@%1").arg(host).toUtf8();
    gss_buffer_desc serviceBuffer = BufferOf(service);
    OM_uint32 major = gss_import_name(&minor, &serviceBuffer, GSS_C_NT_HOSTBASED_SERVICE, &m_Target);
    if (GSS_ERROR(major))
        Raise(major, minor, m_Mechanism);
    if (!userName.isEmpty()) {
        const QByteArray principal = PrincipalOf(userName).toUtf8();
        gss_buffer_desc principalBuffer = BufferOf(principal);
        gss_name_t user = GSS_C_NO_NAME;
        major = gss_import_name(&minor, &principalBuffer, GSS_C_NT_USER_NAME, &user);
        if (GSS_ERROR(major))
            Raise(major, minor, m_Mechanism);
        const QByteArray secret = password.toUtf8();
        gss_OID_desc krb5Only[1] = {*gss_mech_krb5};
        gss_OID_desc withSpnego[2] = {*gss_mech_krb5, SpnegoOid};
        // Kerberos alone tells a wrong password from other failures; SPNEGO then needs credentials of its own,
        // which costs a second logon at the KDC.
        major = AcquireWithPassword(user, secret, {1, krb5Only}, minor);
        if (!GSS_ERROR(major) && m_Mechanism == &SpnegoOid) {
            OM_uint32 ignored = 0;
            gss_release_cred(&ignored, &m_Credential);
            major = AcquireWithPassword(user, secret, {2, withSpnego}, minor);
        }
        OM_uint32 ignored = 0;
        gss_release_name(&ignored, &user);
        if (GSS_ERROR(major))
            Raise(major, minor, const_cast<gss_OID>(gss_mech_krb5));
    }
    GetServiceTicket();
}

QByteArray TKerberosClient::FirstToken(const QByteArray& channelBinding) {
    m_ChannelBinding = channelBinding;
    return Initiate(QByteArray());
}

OM_uint32 TKerberosClient::AcquireWithPassword(gss_name_t user, const QByteArray& password, gss_OID_set_desc mechanisms,
                                               OM_uint32& minor) {
    gss_buffer_desc passwordBuffer = BufferOf(password);
    // MIT keeps the tickets of a password logon in a new memory cache, never the default one.
    return gss_acquire_cred_with_password(&minor, user, &passwordBuffer, GSS_C_INDEFINITE, &mechanisms, GSS_C_INITIATE,
                                          &m_Credential, nullptr, nullptr);
}

// Kerberos itself tells a wrong password, a missing ticket and an unknown service apart (SPNEGO hands
// its failures on under codes of its own). The ticket stays with the credentials, so the logon's own
// context asks the KDC no second time.
void TKerberosClient::GetServiceTicket() {
    gss_ctx_id_t probe = GSS_C_NO_CONTEXT;
    gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
    OM_uint32 minor = 0;
    const OM_uint32 major = gss_init_sec_context(
        &minor, m_Credential, &probe, m_Target, const_cast<gss_OID>(gss_mech_krb5), RequestedFlags, GSS_C_INDEFINITE,
        GSS_C_NO_CHANNEL_BINDINGS, GSS_C_NO_BUFFER, nullptr, &output, nullptr, nullptr);
    OM_uint32 ignored = 0;
    gss_release_buffer(&ignored, &output);
    gss_delete_sec_context(&ignored, &probe, GSS_C_NO_BUFFER);
    if (GSS_ERROR(major))
        Raise(major, minor, const_cast<gss_OID>(gss_mech_krb5));
}

TKerberosClient::~TKerberosClient() {
    Release();
}

void TKerberosClient::Release() {
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &m_Context, GSS_C_NO_BUFFER);
    gss_release_cred(&minor, &m_Credential);
    gss_release_name(&minor, &m_Target);
}

bool TKerberosClient::RealmKnown(const QString& host, const QString& userName) {
    if (userName.isEmpty() || userName.contains(QLatin1Char('@')))
        return true;
    krb5_context context = nullptr;
    if (krb5_init_context(&context) != 0)
        return false;
    bool known = false;
    char** realms = nullptr;
    if (krb5_get_host_realm(context, host.toUtf8().constData(), &realms) == 0 && realms && realms[0]) {
        const QString realm = QString::fromUtf8(realms[0]);
        char* defaultRealm = nullptr;
        const QString fallback =
            krb5_get_default_realm(context, &defaultRealm) == 0 ? QString::fromUtf8(defaultRealm) : QString();
        krb5_free_default_realm(context, defaultRealm);
        known = !realm.isEmpty() ||
                (!fallback.isEmpty() && host.endsWith(QLatin1Char('.') + fallback, Qt::CaseInsensitive));
    }
    krb5_free_host_realm(context, realms);
    krb5_free_context(context);
    return known;
}

QString TKerberosClient::PrincipalOf(const QString& userName) {
    const qsizetype backslash = userName.indexOf(QLatin1Char('\\'));
    if (backslash >= 0)
        return userName.mid(backslash + 1);
    const qsizetype at = userName.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return userName;
    return userName.left(at) + QLatin1Char('@') + userName.mid(at + 1).toUpper();
}

QByteArray TKerberosClient::Step(const QByteArray& serverToken) {
    if (m_Established)
        return QByteArray();
    // A context under way cannot go on without the server's token; MIT does not check that itself.
    if (serverToken.isEmpty())
        throw TKerberosError(TKerberosError::TKind::Other,
                             Format(LangStr(QStringLiteral("sKerberosNotMutual")), {m_Service}));
    return Initiate(serverToken);
}

QByteArray TKerberosClient::Initiate(const QByteArray& serverToken) {
    gss_channel_bindings_struct bindings = {};
    bindings.application_data = BufferOf(m_ChannelBinding);
    gss_buffer_desc input = BufferOf(serverToken);
    gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
    OM_uint32 minor = 0;
    OM_uint32 granted = 0;
    const OM_uint32 major =
        gss_init_sec_context(&minor, m_Credential, &m_Context, m_Target, m_Mechanism, RequestedFlags, GSS_C_INDEFINITE,
                             m_ChannelBinding.isEmpty() ? GSS_C_NO_CHANNEL_BINDINGS : &bindings,
                             serverToken.isEmpty() ? GSS_C_NO_BUFFER : &input, nullptr, &output, &granted, nullptr);
    QByteArray token = TakeBuffer(output);
    if (GSS_ERROR(major))
        Raise(major, minor, m_Mechanism);
    if (major == GSS_S_COMPLETE) {
        // Without the server's proof, anyone who can answer on the port could read what follows.
        if (!(granted & GSS_C_MUTUAL_FLAG) || !(granted & GSS_C_CONF_FLAG))
            throw TKerberosError(TKerberosError::TKind::Other,
                                 Format(LangStr(QStringLiteral("sKerberosNotMutual")), {m_Service}));
        m_Established = true;
    }
    return token;
}

std::unique_ptr<TGssSecurityContext> TKerberosClient::TakeContext(QByteArrayView protocol) {
    auto context = std::make_unique<TGssSecurityContext>(m_Context, protocol);
    m_Context = GSS_C_NO_CONTEXT;
    m_Established = false;
    return context;
}

void TKerberosClient::Raise(OM_uint32 major, OM_uint32 minor, gss_OID mechanism) const {
    const TKerberosError::TKind kind = KindOf(major, minor);
    QString key;
    switch (kind) {
    case TKerberosError::TKind::WrongPassword:
        key = QStringLiteral("sKerberosWrongPassword");
        break;
    case TKerberosError::TKind::NoTicket:
        key = QStringLiteral("sKerberosNoTicket");
        break;
    case TKerberosError::TKind::UnknownService:
        key = QStringLiteral("sKerberosUnknownService");
        break;
    case TKerberosError::TKind::Other:
        key = QStringLiteral("sKerberosFailed");
        break;
    }
    throw TKerberosError(kind, Format(LangStr(key), {m_Service, StatusText(major, minor, mechanism)}));
}
