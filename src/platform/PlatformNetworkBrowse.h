#pragma once

#include <QStringList>

#include <optional>

// The browse list of the Windows network: its workgroups and domains and their computers. Each call may
// take seconds; any thread may call at any time.
namespace Platform {

// Every server type.
constexpr quint32 AllServerTypes = 0xFFFFFFFF;

// The workgroups and domains; none when the list cannot be read.
std::optional<QStringList> BrowseDomains();
// The computers of the workgroup or domain whose server type has any bit of the mask; none when the list
// cannot be read.
std::optional<QStringList> BrowseComputers(const QString& domain, quint32 serverTypes);
// The workgroup or domain this computer belongs to.
QString PrimaryDomain();

} // namespace Platform
