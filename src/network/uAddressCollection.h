#pragma once

#include <QList>
#include <QString>

// One local IPv4 address with its mask and the adapter it belongs to.
struct TAddressItem {
    QString IpAddress;
    QString IpMAsk;
    qint32 IpContext = 0;
    QString AdapterName; // the human-readable description of the adapter
};

// The local addresses, in adapter order.
class TAddressCollection {
public:
    TAddressItem& Add();
    const TAddressItem& Items(qsizetype index) const { return m_items.at(index); }
    qsizetype Count() const { return m_items.size(); }
    void Clear() { m_items.clear(); }

private:
    QList<TAddressItem> m_items;
};
