#include "PlatformNetworkBrowse.h"

#include "LanmanServerEnum.h"

#include <QMutex>

#include <libsmbclient.h>

#include <memory>

namespace Platform {

namespace {

constexpr int MasterQueryTimeoutMs = 2000;
constexpr int BrowseTimeoutMs = 10000;

// libsmbclient sets itself up through process-wide state: one browse at a time.
QMutex& BrowseLock() {
    static QMutex lock;
    return lock;
}

// Browsing asks as nobody in particular: no user, no password.
void AnonymousLogon(const char*, const char*, char*, int, char* user, int, char* password, int) {
    user[0] = '\0';
    password[0] = '\0';
}

struct TContextDeleter {
    void operator()(SMBCCTX* context) const { smbc_free_context(context, 1); }
};
using TContext = std::unique_ptr<SMBCCTX, TContextDeleter>;

TContext BrowseContext() {
    TContext context(smbc_new_context());
    if (!context)
        return nullptr;
    smbc_setFunctionAuthData(context.get(), AnonymousLogon);
    smbc_setTimeout(context.get(), BrowseTimeoutMs);
    // The browse service lives in SMB1 only: this context, and no other, may speak it.
    smbc_setOptionProtocols(context.get(), "NT1", "NT1");
    if (!smbc_init_context(context.get()))
        return nullptr;
    return context;
}

// The names of the entries of one type in the folder of the URL.
std::optional<QStringList> List(const QString& url, unsigned int type) {
    const QMutexLocker locker(&BrowseLock());
    const TContext context = BrowseContext();
    if (!context)
        return std::nullopt;
    SMBCFILE* folder = smbc_getFunctionOpendir(context.get())(context.get(), url.toUtf8().constData());
    if (!folder)
        return std::nullopt;
    QStringList names;
    while (const smbc_dirent* entry = smbc_getFunctionReaddir(context.get())(context.get(), folder))
        if (entry->smbc_type == type)
            names.append(QString::fromUtf8(entry->name, qstrnlen(entry->name, entry->namelen)));
    smbc_getFunctionClosedir(context.get())(context.get(), folder);
    return names;
}

} // namespace

std::optional<QStringList> BrowseDomains() {
    return List(QStringLiteral("smb://"), SMBC_WORKGROUP);
}

// libsmbclient lists a workgroup without the server types; a filtered list comes from the workgroup's
// master browser, which filters by the type bits itself.
std::optional<QStringList> BrowseComputers(const QString& domain, quint32 serverTypes) {
    if (serverTypes == AllServerTypes)
        return List(QStringLiteral("smb://") + domain, SMBC_SERVER);
    const QString master = Lanman::FindMasterBrowser(domain, MasterQueryTimeoutMs);
    if (master.isEmpty())
        return std::nullopt;
    return Lanman::ServerEnum(master, domain, serverTypes, BrowseTimeoutMs);
}

QString PrimaryDomain() {
    const QMutexLocker locker(&BrowseLock());
    const TContext context = BrowseContext();
    const char* workgroup = context ? smbc_getWorkgroup(context.get()) : nullptr;
    return workgroup ? QString::fromUtf8(workgroup) : QString();
}

} // namespace Platform
