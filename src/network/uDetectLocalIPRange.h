#pragma once

#include "uLocalIPandMaskList.h"

#include <QStringList>

#include <functional>
#include <optional>

// Lets the operator pick one of the lines (the first one proposed); none when the choice was cancelled.
// The program asks with the dialog TdlgDetectLocalIPRange.
using TChooseAddressLine = std::function<std::optional<qsizetype>(const QStringList& lines)>;

// The scan range of a local subnet: of the first address when useFirstAddress is set or there is only
// one, otherwise of the address the operator chooses. True when both outputs were produced.
bool DetectLocalIPRange(QString& firstIP, QString& lastIP, bool useFirstAddress, const TChooseAddressLine& choose,
                        const TAdapterSource& source = Platform::GetAdaptersIPv4);

// Offers the addresses as lines of sFormatSelectIpRange (address, adapter) and gives the range of the one
// chosen. False with both outputs empty when the choice was cancelled or the mask is unusable.
bool SelectLocalIPRange(const TAddressCollection& addresses, QString& firstIP, QString& lastIP,
                        const TChooseAddressLine& choose);
