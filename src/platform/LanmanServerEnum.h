#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

// NetServerEnum2 over \PIPE\LANMAN (SMB1): the one call of the browse service that carries the server type
// bits, so that the master browser filters its list by them.
namespace Lanman {

// The address of the local master browser of the workgroup (a NetBIOS broadcast query for WORKGROUP<1D>);
// empty when none answers within the time-out.
QString FindMasterBrowser(const QString& workgroup, int timeoutMs);
// The names of the servers of the workgroup with any bit of the type mask, as the master browser at the
// address lists them; none when it cannot be asked.
std::optional<QStringList> ServerEnum(const QString& address, const QString& workgroup, quint32 serverTypes,
                                      int timeoutMs);

// The parts of the exchange, open for tests of broken answers.
QByteArray NameQueryRequest(const QString& name, quint8 suffix, quint16 transactionId);
// The server names of a NetServerEnum2 answer at level 1: parameters, then data; none when it is no success.
std::optional<QStringList> ParseServerEnumAnswer(const QByteArray& parameters, const QByteArray& data);

} // namespace Lanman
