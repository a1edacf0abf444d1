#pragma once

#include "uComputerBrowser.h"

// The computers of every workgroup and domain of the network browse list, for "..." of the computer
// dialog; those of this computer's own workgroup when the list names none.
class TNetworkComputerBrowser : public IComputerBrowser {
public:
    QStringList BrowseComputers() override;
};
