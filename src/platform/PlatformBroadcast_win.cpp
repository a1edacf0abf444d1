#include "PlatformBroadcast.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

namespace Platform {

namespace {

QString ErrorText(int code) {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString result = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    ::LocalFree(text);
    return result;
}

} // namespace

QString SendBroadcastDatagram(quint32 address, quint16 port, const QByteArray& data) {
    WSADATA wsa{};
    if (::WSAStartup(0x0202, &wsa) != 0)
        return ErrorText(::WSAGetLastError());
    QString error;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        error = ErrorText(::WSAGetLastError());
    } else {
        const BOOL on = TRUE;
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = ::htons(port);
        target.sin_addr.s_addr = ::htonl(address);
        if (::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
            ::sendto(s, data.constData(), static_cast<int>(data.size()), 0, reinterpret_cast<const sockaddr*>(&target),
                     sizeof target) == SOCKET_ERROR)
            error = ErrorText(::WSAGetLastError());
        ::closesocket(s);
    }
    ::WSACleanup();
    return error;
}

} // namespace Platform
