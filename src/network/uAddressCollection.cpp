#include "uAddressCollection.h"

TAddressItem& TAddressCollection::Add() {
    m_items.append(TAddressItem());
    return m_items.last();
}
