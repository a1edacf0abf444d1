#include "PlatformDirectory.h"

#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>

#include <arpa/nameser.h>
#include <ldap.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sasl/sasl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace Platform {

namespace {

constexpr int PageSize = 100;
constexpr int TimeoutSeconds = 30;
// The longest name a directory entry may carry here; longer values are no computer names.
constexpr ber_len_t MaxNameLength = 256;
// The longest message taken from the server: an entry with a computer's name is a few hundred bytes, and a
// server that announces more is not read into memory.
constexpr ber_len_t MaxMessageSize = 1 << 20;

struct TLdapCloser {
    void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
using TLdap = std::unique_ptr<LDAP, TLdapCloser>;

struct TMessageFree {
    void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
using TMessage = std::unique_ptr<LDAPMessage, TMessageFree>;

class TLdapError {
public:
    explicit TLdapError(QString reason) : Reason(std::move(reason)) {}
    QString Reason;
};

QString ErrorText(LDAP* ld, int code) {
    QString text = QString::fromUtf8(ldap_err2string(code));
    char* detail = nullptr;
    if (ld && ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &detail) == LDAP_SUCCESS && detail) {
        if (*detail)
            text += QStringLiteral(" (%1)").arg(QString::fromUtf8(detail).left(200));
        ldap_memfree(detail);
    }
    return text;
}

void Check(LDAP* ld, int code) {
    if (code != LDAP_SUCCESS)
        throw TLdapError(ErrorText(ld, code));
}

// The realm of krb5.conf's [libdefaults], which names the domain of a joined Linux computer.
QString KerberosDefaultRealm() {
    QString path = qEnvironmentVariable("KRB5_CONFIG").section(QLatin1Char(':'), 0, 0);
    if (path.isEmpty())
        path = QStringLiteral("/etc/krb5.conf");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    static const QRegularExpression realm(QStringLiteral(R"(^\s*default_realm\s*=\s*(\S+))"),
                                          QRegularExpression::MultilineOption);
    return realm.match(QString::fromUtf8(file.read(1 << 20))).captured(1);
}

QString DefaultDomain() {
    const QString realm = KerberosDefaultRealm();
    if (!realm.isEmpty())
        return realm.toLower();
    return QHostInfo::localDomainName();
}

// The domain controller of the SRV record with the lowest priority; empty when there is none, and then why
// the record could not be read when it is not simply missing.
QString DomainControllerOf(const QString& record, QString* failure) {
    struct __res_state state {};
    if (res_ninit(&state) != 0) {
        *failure = QString::fromLocal8Bit(hstrerror(NO_RECOVERY));
        return QString();
    }
    std::vector<unsigned char> answer(65536);
    const int length =
        res_nquery(&state, record.toUtf8().constData(), ns_c_in, ns_t_srv, answer.data(), int(answer.size()));
    // A name or record that does not exist is an answer; a server that fails or stays silent is none.
    if (length < 0 && state.res_h_errno != HOST_NOT_FOUND && state.res_h_errno != NO_DATA)
        *failure = QString::fromLocal8Bit(hstrerror(state.res_h_errno));
    QString best;
    ns_msg message;
    if (length > 0 && ns_initparse(answer.data(), length, &message) == 0) {
        int bestPriority = 0x10000;
        for (int i = 0; i < ns_msg_count(message, ns_s_an); ++i) {
            ns_rr rr;
            if (ns_parserr(&message, ns_s_an, i, &rr) != 0 || ns_rr_type(rr) != ns_t_srv || ns_rr_rdlen(rr) < 7)
                continue;
            const int priority = ns_get16(ns_rr_rdata(rr));
            char target[NS_MAXDNAME];
            if (priority >= bestPriority ||
                dn_expand(ns_msg_base(message), ns_msg_end(message), ns_rr_rdata(rr) + 6, target, sizeof target) < 0)
                continue;
            bestPriority = priority;
            best = QString::fromUtf8(target);
        }
    }
    res_nclose(&state);
    return best;
}

TLdap Connect(const QString& server) {
    const QString host = server.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(server) : server;
    LDAP* raw = nullptr;
    Check(nullptr, ldap_initialize(&raw, QStringLiteral("ldap://%1").arg(host).toUtf8().constData()));
    TLdap ld(raw);
    const int version = LDAP_VERSION3;
    ldap_set_option(ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld.get(), LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    // A server given by address keeps its name for Kerberos: no reverse lookup.
    ldap_set_option(ld.get(), LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
    timeval timeout{TimeoutSeconds, 0};
    ldap_set_option(ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    ldap_set_option(ld.get(), LDAP_OPT_TIMEOUT, &timeout);
    Sockbuf* socket = nullptr;
    ber_len_t maxMessage = MaxMessageSize;
    if (ldap_get_option(ld.get(), LDAP_OPT_SOCKBUF, &socket) == LDAP_OPT_SUCCESS && socket)
        ber_sockbuf_ctrl(socket, LBER_SB_OPT_SET_MAX_INCOMING, &maxMessage);
    return ld;
}

int SaslDefaults(LDAP*, unsigned, void*, void* interactions) {
    for (auto* item = static_cast<sasl_interact_t*>(interactions); item->id != SASL_CB_LIST_END; ++item) {
        item->result = item->defresult ? item->defresult : "";
        item->len = unsigned(strlen(static_cast<const char*>(item->result)));
    }
    return LDAP_SUCCESS;
}

// The user's Kerberos ticket when there is one.
int BindWithTicket(LDAP* ld) {
    return ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET, SaslDefaults,
                                        nullptr);
}

// A simple bind sends the password as it stands, so only inside TLS.
void BindWithPassword(LDAP* ld, const TDirectoryQuery& query) {
    const int require = query.VerifyCertificate ? LDAP_OPT_X_TLS_HARD : LDAP_OPT_X_TLS_NEVER;
    ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &require);
    // A connection's own TLS context starts without the trusted authorities of ldap.conf: copy them.
    for (const int option : {LDAP_OPT_X_TLS_CACERTFILE, LDAP_OPT_X_TLS_CACERTDIR}) {
        char* value = nullptr;
        if (ldap_get_option(nullptr, option, &value) == LDAP_OPT_SUCCESS && value) {
            ldap_set_option(ld, option, value);
            ldap_memfree(value);
        }
    }
    const int newContext = 0;
    ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &newContext);
    Check(ld, ldap_start_tls_s(ld, nullptr, nullptr));
    QByteArray password = query.Password.toUtf8();
    berval credentials{ber_len_t(password.size()), password.data()};
    const int code = ldap_sasl_bind_s(ld, query.UserName.toUtf8().constData(), LDAP_SASL_SIMPLE, &credentials, nullptr,
                                      nullptr, nullptr);
    password.fill('\0');
    Check(ld, code);
}

TLdap LogOn(const QString& server, const TDirectoryQuery& query) {
    TLdap ld = Connect(server);
    const int code = BindWithTicket(ld.get());
    if (code == LDAP_SUCCESS)
        return ld;
    // A server that does not answer, or no password to try next: the ticket's failure is the reason.
    if (query.UserName.isEmpty() || code == LDAP_SERVER_DOWN || code == LDAP_CONNECT_ERROR || code == LDAP_TIMEOUT)
        Check(ld.get(), code);
    // A failed SASL exchange leaves the connection in no known state: start again.
    ld = Connect(server);
    BindWithPassword(ld.get(), query);
    return ld;
}

QString FirstValue(LDAP* ld, LDAPMessage* entry, const char* attribute) {
    berval** values = ldap_get_values_len(ld, entry, attribute);
    QString value;
    if (values && values[0] && values[0]->bv_len <= MaxNameLength)
        value = QString::fromUtf8(values[0]->bv_val, qsizetype(values[0]->bv_len));
    ldap_value_free_len(values);
    return value;
}

TMessage Search(LDAP* ld, const QString& base, int scope, const QString& filter, const char* attribute) {
    char* attributes[] = {const_cast<char*>(attribute), nullptr};
    timeval timeout{TimeoutSeconds, 0};
    LDAPMessage* raw = nullptr;
    const int code = ldap_search_ext_s(ld, base.toUtf8().constData(), scope, filter.toUtf8().constData(), attributes, 0,
                                       nullptr, nullptr, &timeout, LDAP_NO_LIMIT, &raw);
    TMessage result(raw);
    Check(ld, code);
    return result;
}

QString RootAttribute(LDAP* ld, const char* attribute) {
    const TMessage result = Search(ld, QString(), LDAP_SCOPE_BASE, QStringLiteral("(objectClass=*)"), attribute);
    LDAPMessage* entry = ldap_first_entry(ld, result.get());
    const QString value = entry ? FirstValue(ld, entry, attribute) : QString();
    if (value.isEmpty())
        throw TLdapError(QStringLiteral("%1: %2").arg(QString::fromLatin1(attribute),
                                                      QString::fromUtf8(ldap_err2string(LDAP_NO_SUCH_ATTRIBUTE))));
    return value;
}

QString EscapedFilterValue(const QString& value) {
    QByteArray bytes = value.toUtf8();
    berval in{ber_len_t(bytes.size()), bytes.data()};
    berval out{0, nullptr};
    if (ldap_bv2escaped_filter_value(&in, &out) != 0)
        return QString();
    const QString escaped = QString::fromUtf8(out.bv_val, qsizetype(out.bv_len));
    ber_memfree(out.bv_val);
    return escaped;
}

// The pre-Windows 2000 name of the domain: its cross reference in the configuration partition; empty when
// it has none.
QString NetBIOSNameOf(LDAP* ld, const QString& domainDN, const QString& rootDN) {
    const TMessage result =
        Search(ld, QStringLiteral("CN=Partitions,CN=Configuration,%1").arg(rootDN), LDAP_SCOPE_ONELEVEL,
               QStringLiteral("(&(objectClass=crossRef)(nCName=%1))").arg(EscapedFilterValue(domainDN)), "nETBIOSName");
    LDAPMessage* entry = ldap_first_entry(ld, result.get());
    return entry ? FirstValue(ld, entry, "nETBIOSName") : QString();
}

// The DNS name of a domain from its DC= components; empty when the name has none.
QString DnsNameOf(const QString& domainDN) {
    char* domain = nullptr;
    if (ldap_dn2domain(domainDN.toUtf8().constData(), &domain) != 0 || !domain)
        return QString();
    const QString name = QString::fromUtf8(domain);
    ldap_memfree(domain);
    return name;
}

// The paged-results cookie, which the server hands out and each page request hands back.
class TPageCookie {
public:
    TPageCookie() = default;
    ~TPageCookie() { Clear(); }
    TPageCookie(const TPageCookie&) = delete;
    TPageCookie& operator=(const TPageCookie&) = delete;

    berval* Get() { return &m_value; }
    bool IsEmpty() const { return m_value.bv_len == 0; }
    void Clear() {
        ber_memfree(m_value.bv_val);
        m_value = {0, nullptr};
    }

private:
    berval m_value{0, nullptr};
};

// Starts the request of one page of the computer search and gives its message id.
int RequestPage(LDAP* ld, const QString& domainDN, const QByteArray& filter, TPageCookie& cookie) {
    LDAPControl* page = nullptr;
    Check(ld, ldap_create_page_control(ld, PageSize, cookie.Get(), 1, &page));
    LDAPControl* controls[] = {page, nullptr};
    char* attributes[] = {const_cast<char*>("name"), nullptr};
    int id = 0;
    const int code = ldap_search_ext(ld, domainDN.toUtf8().constData(), LDAP_SCOPE_SUBTREE, filter.constData(),
                                     attributes, 0, controls, nullptr, nullptr, LDAP_NO_LIMIT, &id);
    ldap_control_free(page);
    cookie.Clear();
    Check(ld, code);
    return id;
}

// The end of a page: its result code, and the cookie of the next page when there is one.
void ReadPageEnd(LDAP* ld, LDAPMessage* message, TPageCookie& cookie) {
    int code = LDAP_SUCCESS;
    LDAPControl** answered = nullptr;
    Check(ld, ldap_parse_result(ld, message, &code, nullptr, nullptr, nullptr, &answered, 0));
    LDAPControl* pageAnswer = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, answered, nullptr);
    ber_int_t estimate = 0;
    if (!pageAnswer || ldap_parse_pageresponse_control(ld, pageAnswer, &estimate, cookie.Get()) != LDAP_SUCCESS)
        cookie.Clear();
    ldap_controls_free(answered);
    if (code != LDAP_SUCCESS)
        cookie.Clear();
    Check(ld, code);
}

// Every computer below the domain, a page at a time and an entry at a time: an answer that ignores the page
// size is never held whole. False when the handler stopped it.
bool ReportComputers(LDAP* ld, const QString& domainDN, bool includeDisabled, const TDirectoryNameHandler& onComputer) {
    const QByteArray filter =
        includeDisabled
            ? QByteArrayLiteral("(&(objectClass=computer))")
            : QByteArrayLiteral("(&(objectClass=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))");
    TPageCookie cookie;
    do {
        const int id = RequestPage(ld, domainDN, filter, cookie);
        const auto abandon = [ld, id] { ldap_abandon_ext(ld, id, nullptr, nullptr); };
        for (bool pageDone = false; !pageDone;) {
            LDAPMessage* raw = nullptr;
            timeval timeout{TimeoutSeconds, 0};
            const int type = ldap_result(ld, id, LDAP_MSG_ONE, &timeout, &raw);
            const TMessage message(raw);
            if (type <= 0) {
                int code = LDAP_TIMEOUT;
                if (type < 0)
                    ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &code);
                abandon();
                Check(ld, code == LDAP_SUCCESS ? LDAP_OTHER : code);
            }
            // Search references (the referrals at a domain's root) lead to other servers: not followed.
            if (type == LDAP_RES_SEARCH_ENTRY) {
                const QString name = FirstValue(ld, message.get(), "name");
                if (!name.isEmpty() && !onComputer(name)) {
                    abandon();
                    return false;
                }
            } else if (type == LDAP_RES_SEARCH_RESULT) {
                ReadPageEnd(ld, message.get(), cookie);
                pageDone = true;
            }
        }
    } while (!cookie.IsEmpty());
    return true;
}

} // namespace

TDirectoryResult SearchDirectoryComputers(const TDirectoryQuery& query, const TDirectoryDomainHandler& onDomain,
                                          const TDirectoryNameHandler& onComputer) {
    QString server = query.Server.trimmed();
    if (server.isEmpty()) {
        const QString domain = query.Domain.trimmed().isEmpty() ? DefaultDomain() : query.Domain.trimmed();
        if (domain.isEmpty())
            return {TDirectoryResult::NoDomain, QString(), QString()};
        const QString record = QStringLiteral("_ldap._tcp.dc._msdcs.%1").arg(domain);
        QString failure;
        server = DomainControllerOf(record, &failure);
        if (server.isEmpty())
            return {failure.isEmpty() ? TDirectoryResult::NoServer : TDirectoryResult::NoServerAnswer, record, failure};
    }
    try {
        const TLdap ld = LogOn(server, query);
        const QString domainDN = RootAttribute(ld.get(), "defaultNamingContext");
        const QString rootDN = RootAttribute(ld.get(), "rootDomainNamingContext");
        if (onDomain(NetBIOSNameOf(ld.get(), domainDN, rootDN), DnsNameOf(domainDN)))
            ReportComputers(ld.get(), domainDN, query.IncludeDisabled, onComputer);
        return {TDirectoryResult::Success, server, QString()};
    } catch (const TLdapError& error) {
        return {TDirectoryResult::Failed, server, error.Reason};
    }
}

} // namespace Platform
