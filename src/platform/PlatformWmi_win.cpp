#include "PlatformWmi.h"

#include "ERemoteError.h"

#include <comdef.h>
#include <wbemdisp.h>
#include <windows.h>

// The WMI scripting API: locator, connection, query and a late-bound Win32Shutdown per object.
namespace Platform {

namespace {

template <typename T> struct TComPtr {
    T* Ptr = nullptr;
    ~TComPtr() {
        if (Ptr)
            Ptr->Release();
    }
    T** operator&() { return &Ptr; }
    T* operator->() const { return Ptr; }
};

struct TVariant : VARIANT {
    TVariant() { VariantInit(this); }
    ~TVariant() { VariantClear(this); }
};

QString ComErrorText(HRESULT hr) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        info->GetDescription(&description);
        info->Release();
        if (description) {
            const QString text = QString::fromWCharArray(description).trimmed();
            SysFreeString(description);
            if (!text.isEmpty())
                return text;
        }
    }
    return QString::fromWCharArray(_com_error(hr).ErrorMessage());
}

void Check(HRESULT hr, const QString& computer) {
    if (FAILED(hr))
        throw ERemoteError(ComErrorText(hr), qint64(quint32(hr)), computer);
}

BSTR Bstr(const QString& text) {
    return SysAllocString(reinterpret_cast<const OLECHAR*>(text.utf16()));
}

struct TBstr {
    BSTR Value;
    explicit TBstr(const QString& text) : Value(Bstr(text)) {}
    ~TBstr() { SysFreeString(Value); }
};

// Calls Win32Shutdown(Flags, 0) on the object by name, as the scripting API's late binding does.
int CallWin32Shutdown(IDispatch* object, int flags, const QString& computer) {
    OLECHAR* name = const_cast<OLECHAR*>(L"Win32Shutdown");
    DISPID id = 0;
    Check(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), computer);
    VARIANTARG args[2]; // in reverse order: Reserved, Flags
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_I4;
    args[0].lVal = 0;
    args[1].vt = VT_I4;
    args[1].lVal = flags;
    DISPPARAMS params{args, nullptr, 2, 0};
    TVariant result;
    Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
          computer);
    Check(VariantChangeType(&result, &result, 0, VT_I4), computer);
    return result.lVal;
}

} // namespace

TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TRemoteSettings& settings) {
    Q_UNUSED(settings); // DCOM has its own transport and time-outs
    TComPtr<ISWbemLocator> locator;
    Check(CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_ISWbemLocator,
                           reinterpret_cast<void**>(&locator)),
          computer);
    const bool explicitUser = !userName.isEmpty();
    TBstr server(computer), nameSpace(QStringLiteral("root\\cimv2")), user(explicitUser ? userName : QString()),
        secret(explicitUser ? password : QString()), empty{QString()};
    TComPtr<ISWbemServices> services;
    Check(locator->ConnectServer(server.Value, nameSpace.Value, user.Value, secret.Value, empty.Value, empty.Value, 0,
                                 nullptr, &services),
          computer);
    {
        TComPtr<ISWbemSecurity> security;
        Check(services->get_Security_(&security), computer);
        Check(security->put_ImpersonationLevel(wbemImpersonationLevelImpersonate), computer);
    }
    {
        TComPtr<ISWbemSecurity> security;
        Check(services->get_Security_(&security), computer);
        TComPtr<ISWbemPrivilegeSet> privileges;
        Check(security->get_Privileges(&privileges), computer);
        TComPtr<ISWbemPrivilege> privilege;
        Check(privileges->Add(wbemPrivilegeShutdown, VARIANT_TRUE, &privilege), computer);
    }
    TBstr query(QStringLiteral("SELECT * FROM Win32_OperatingSystem WHERE Primary=True")),
        language(QStringLiteral("WQL"));
    TComPtr<ISWbemObjectSet> systems;
    Check(services->ExecQuery(query.Value, language.Value, wbemFlagReturnImmediately | wbemFlagForwardOnly, nullptr,
                              &systems),
          computer);
    TComPtr<IUnknown> enumUnknown;
    Check(systems->get__NewEnum(&enumUnknown), computer);
    TComPtr<IEnumVARIANT> enumerator;
    Check(enumUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), computer);
    TWmiShutdownOutcome outcome;
    for (;;) {
        TVariant element;
        ULONG fetched = 0;
        const HRESULT next = enumerator->Next(1, &element, &fetched);
        Check(next, computer);
        if (next != S_OK || fetched == 0 || element.vt != VT_DISPATCH || !element.pdispVal)
            break;
        outcome.ReturnValue = CallWin32Shutdown(element.pdispVal, flags, computer);
        ++outcome.Objects;
        if (outcome.ReturnValue != 0)
            break;
    }
    return outcome;
}

QString WindowsErrorText(qint64 code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed() : QString();
    LocalFree(buffer);
    return text;
}

} // namespace Platform
