#pragma once

#include "uUserConnectAs.h"

#include <QString>

// The group and computer dialogs as the computer list runs them. Each fills its form from the
// arguments, runs modally and, on OK, writes the results back and returns true; Cancel returns
// false and leaves every argument unchanged.
class IEntryDialogs {
public:
    virtual ~IEntryDialogs() = default;
    // add chooses the caption: adding a new group (true) or editing one (false).
    virtual bool ExecuteGroupEditDialog(QString& name, TUserConnectAs& mode, QString& userName, QString& password,
                                        bool credentialsVisible, bool add) = 0;
    // The caption is the add caption when name comes in empty, else the edit caption. The hardware address
    // comes back in its stored form, or empty.
    virtual bool ExecuteComputerEditDialog(QString& name, QString& description, QString& hardwareAddress,
                                           TUserConnectAs& mode, QString& userName, QString& password,
                                           bool credentialsVisible) = 0;
};
