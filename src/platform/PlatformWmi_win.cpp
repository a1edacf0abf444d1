#include "PlatformWmi.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "uFormat.h"

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

DISPID MemberId(IDispatch* object, const wchar_t* member, const QString& computer) {
    OLECHAR* name = const_cast<OLECHAR*>(member);
    DISPID id = 0;
    Check(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), computer);
    return id;
}

// Calls Win32Shutdown(Flags, 0), or Win32ShutdownTracker(Timeout, Comment, ReasonCode, Flags) when the
// notice is set, on the object by name, as the scripting API's late binding does.
int CallShutdown(IDispatch* object, int flags, const TShutdownNotice& notice, const QString& computer) {
    const bool tracker = notice.IsSet();
    const DISPID id = MemberId(object, tracker ? L"Win32ShutdownTracker" : L"Win32Shutdown", computer);
    TBstr comment(notice.Message);
    VARIANTARG args[4]; // in reverse order
    for (VARIANTARG& arg : args)
        VariantInit(&arg);
    UINT count = 2;
    if (tracker) {
        count = 4;
        args[0].vt = VT_I4;
        args[0].lVal = flags;
        args[1].vt = VT_UI4;
        args[1].ulVal = notice.ReasonCode;
        args[2].vt = VT_BSTR;
        args[2].bstrVal = comment.Value;
        args[3].vt = VT_UI4;
        args[3].ulVal = ULONG(notice.DelaySeconds);
    } else {
        args[0].vt = VT_I4;
        args[0].lVal = 0;
        args[1].vt = VT_I4;
        args[1].lVal = flags;
    }
    DISPPARAMS params{args, nullptr, count, 0};
    TVariant result;
    Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
          computer);
    Check(VariantChangeType(&result, &result, 0, VT_I4), computer);
    return result.lVal;
}

QString ReadProperty(IDispatch* object, const wchar_t* member, const QString& computer) {
    const DISPID id = MemberId(object, member, computer);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    TVariant result;
    Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
          computer);
    if (result.vt != VT_BSTR || !result.bstrVal)
        return QString();
    return QString::fromWCharArray(result.bstrVal);
}

// The primary operating-system objects of the computer, under the shutdown privilege.
struct TOperatingSystems {
    TComPtr<ISWbemServices> Services;
    TComPtr<ISWbemObjectSet> Systems;
    TComPtr<IEnumVARIANT> Enumerator;
};

void QueryOperatingSystems(TOperatingSystems& result, const QString& computer, const QString& userName,
                           const QString& password) {
    TComPtr<ISWbemLocator> locator;
    Check(CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_ISWbemLocator,
                           reinterpret_cast<void**>(&locator)),
          computer);
    const bool explicitUser = !userName.isEmpty();
    TBstr server(computer), nameSpace(QStringLiteral("root\\cimv2")), user(explicitUser ? userName : QString()),
        secret(explicitUser ? password : QString()), empty{QString()};
    Check(locator->ConnectServer(server.Value, nameSpace.Value, user.Value, secret.Value, empty.Value, empty.Value, 0,
                                 nullptr, &result.Services),
          computer);
    {
        TComPtr<ISWbemSecurity> security;
        Check(result.Services->get_Security_(&security), computer);
        Check(security->put_ImpersonationLevel(wbemImpersonationLevelImpersonate), computer);
    }
    {
        TComPtr<ISWbemSecurity> security;
        Check(result.Services->get_Security_(&security), computer);
        TComPtr<ISWbemPrivilegeSet> privileges;
        Check(security->get_Privileges(&privileges), computer);
        TComPtr<ISWbemPrivilege> privilege;
        Check(privileges->Add(wbemPrivilegeShutdown, VARIANT_TRUE, &privilege), computer);
    }
    TBstr query(QStringLiteral("SELECT * FROM Win32_OperatingSystem WHERE Primary=True")),
        language(QStringLiteral("WQL"));
    Check(result.Services->ExecQuery(query.Value, language.Value, wbemFlagReturnImmediately | wbemFlagForwardOnly,
                                     nullptr, &result.Systems),
          computer);
    TComPtr<IUnknown> enumUnknown;
    Check(result.Systems->get__NewEnum(&enumUnknown), computer);
    Check(enumUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&result.Enumerator)), computer);
}

// The next object of the enumeration, or false at its end.
bool NextObject(IEnumVARIANT* enumerator, TVariant& element, const QString& computer) {
    ULONG fetched = 0;
    const HRESULT next = enumerator->Next(1, &element, &fetched);
    Check(next, computer);
    return next == S_OK && fetched != 0 && element.vt == VT_DISPATCH && element.pdispVal;
}

} // namespace

TWmiShutdownOutcome WmiShutdown(const QString& computer, const QString& userName, const QString& password, int flags,
                                const TShutdownNotice& notice, const TRemoteSettings& settings) {
    Q_UNUSED(settings); // DCOM has its own transport and time-outs
    TOperatingSystems systems;
    QueryOperatingSystems(systems, computer, userName, password);
    TWmiShutdownOutcome outcome;
    for (;;) {
        TVariant element;
        if (!NextObject(systems.Enumerator.Ptr, element, computer))
            break;
        outcome.ReturnValue = CallShutdown(element.pdispVal, flags, notice, computer);
        ++outcome.Objects;
        if (outcome.ReturnValue != 0)
            break;
    }
    return outcome;
}

QString WmiLastBootUpTime(const QString& computer, const QString& userName, const QString& password,
                          const TRemoteSettings& settings) {
    Q_UNUSED(settings);
    TOperatingSystems systems;
    QueryOperatingSystems(systems, computer, userName, password);
    TVariant element;
    const QString bootTime = NextObject(systems.Enumerator.Ptr, element, computer)
                                 ? ReadProperty(element.pdispVal, L"LastBootUpTime", computer)
                                 : QString();
    if (bootTime.isEmpty())
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteBadAnswer")),
                                  {computer, Format(LangStr(QStringLiteral("sRemoteAnswerLacks")),
                                                    {QStringLiteral("LastBootUpTime")})}),
                           0, computer);
    return bootTime;
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
