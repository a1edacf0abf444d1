#pragma once

#include "uCommandList.h"

#include <QString>

// The dialogs of the tools. The program shows the real dialogs; tests answer from a script.
class IToolDialogs {
public:
    virtual ~IToolDialogs() = default;
    // Edits Name, FileName, Parameters and Directory of the tool; true, with them written back, on OK.
    virtual bool ExecuteCommandListEditDialog(TCommandListItem& tool) = 0;
    // Lets the operator add, edit, move and remove tools; the list changes only on OK, which returns true.
    virtual bool ManageCommandList(TCommandList& list) = 0;
    // The single-computer shutdown dialog with the item actionIndex chosen; true after a successful request.
    virtual bool ExecuteShutdownDialog(const QString& computer, const QString& userName, const QString& password,
                                       int actionIndex) = 0;
};
