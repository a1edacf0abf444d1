#pragma once

#include <QStringList>

// The computers of the network browse list, offered by the "..." button of the computer dialog.
class IComputerBrowser {
public:
    virtual ~IComputerBrowser() = default;
    // The computer names found; empty when there are none or the network cannot be browsed.
    virtual QStringList BrowseComputers() = 0;
};
