#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// IPv4 sockets and name resolution. Addresses cross this header in host byte order. Every call is
// self-contained (it starts and releases whatever the system's socket library needs) and may run on
// any thread; none raises or blocks longer than its time-out, except name resolution, which takes as
// long as the system resolver takes.
namespace Platform {

// The address the system's inet_addr reads from the text; none for what it rejects, which includes
// 255.255.255.255 because that value is its failure mark.
std::optional<quint32> ParseIPv4(const QString& text);
// Dotted-decimal text of an address.
QString FormatIPv4(quint32 address);

// The first IPv4 address the resolver gives for a host name; none when it gives none.
std::optional<quint32> LookupIPv4(const QString& hostName);
// The DNS name an address maps back to; empty when it has none.
QString LookupHostName(quint32 address);

// Sends one UDP datagram and waits at most timeoutMs for it to leave and at most timeoutMs for one
// reply, which is read without blocking into at most maxReplySize bytes. Empty when nothing came.
QByteArray UdpRequestReply(quint32 address, quint16 port, const QByteArray& request, quint32 timeoutMs,
                           int maxReplySize);

} // namespace Platform
