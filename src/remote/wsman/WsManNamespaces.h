#pragma once

#include <QLatin1StringView>

// The XML namespaces and URIs of WS-Management as Windows speaks it.
namespace WsManNs {

inline constexpr QLatin1StringView Soap("http://www.w3.org/2003/05/soap-envelope");
inline constexpr QLatin1StringView Addressing("http://schemas.xmlsoap.org/ws/2004/08/addressing");
inline constexpr QLatin1StringView Enumeration("http://schemas.xmlsoap.org/ws/2004/09/enumeration");
inline constexpr QLatin1StringView WsMan("http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd");
inline constexpr QLatin1StringView MsWsMan("http://schemas.microsoft.com/wbem/wsman/1/wsman.xsd");
inline constexpr QLatin1StringView WsManFault("http://schemas.microsoft.com/wbem/wsman/1/wsmanfault");
inline constexpr QLatin1StringView Xsi("http://www.w3.org/2001/XMLSchema-instance");

inline constexpr QLatin1StringView AnonymousAddress("http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous");
inline constexpr QLatin1StringView WqlDialect("http://schemas.microsoft.com/wbem/wsman/1/WQL");
inline constexpr QLatin1StringView EnumerateAction("http://schemas.xmlsoap.org/ws/2004/09/enumeration/Enumerate");
inline constexpr QLatin1StringView PullAction("http://schemas.xmlsoap.org/ws/2004/09/enumeration/Pull");
inline constexpr QLatin1StringView ReleaseAction("http://schemas.xmlsoap.org/ws/2004/09/enumeration/Release");

// WMI classes are addressed below this prefix plus the namespace path, e.g. ".../root/cimv2/Win32_Process".
inline constexpr QLatin1StringView WmiResourcePrefix("http://schemas.microsoft.com/wbem/wsman/1/wmi/");

} // namespace WsManNs
