#include "uDetectLocalIPRange.h"

#include "LangChanger.h"
#include "NetUtil.h"
#include "uFormat.h"

bool DetectLocalIPRange(QString& firstIP, QString& lastIP, bool useFirstAddress, const TChooseAddressLine& choose,
                        const TAdapterSource& source) {
    firstIP.clear();
    lastIP.clear();
    TIPAndMask local(source);
    local.Refresh();
    const TAddressCollection& addresses = local.Addresses();
    if (addresses.Count() == 0)
        return false;
    if (useFirstAddress || addresses.Count() == 1)
        GetIPRangeByMask(addresses.Items(0).IpAddress, addresses.Items(0).IpMAsk, firstIP, lastIP);
    else
        SelectLocalIPRange(addresses, firstIP, lastIP, choose);
    return !firstIP.isEmpty() && !lastIP.isEmpty();
}

bool SelectLocalIPRange(const TAddressCollection& addresses, QString& firstIP, QString& lastIP,
                        const TChooseAddressLine& choose) {
    firstIP.clear();
    lastIP.clear();
    QStringList lines;
    const QString format = LangStr(QStringLiteral("sFormatSelectIpRange"));
    for (qsizetype i = 0; i < addresses.Count(); ++i)
        lines.append(Format(format, {addresses.Items(i).IpAddress, addresses.Items(i).AdapterName}));
    const std::optional<qsizetype> chosen = choose(lines);
    if (!chosen || *chosen < 0 || *chosen >= addresses.Count())
        return false;
    const TAddressItem& item = addresses.Items(*chosen);
    return GetIPRangeByMask(item.IpAddress, item.IpMAsk, firstIP, lastIP);
}
