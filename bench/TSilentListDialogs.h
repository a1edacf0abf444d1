#pragma once

#include "uEntryDialogs.h"
#include "uUserPrompts.h"

// The benchmarks of the computer list never ask or open a dialog: every question and dialog is cancelled.
struct TSilentPrompts : IUserPrompts {
    TPromptResult Ask(const QString&, const QString&, TPromptButtons, TPromptIcon) override {
        return TPromptResult::Cancel;
    }
};

struct TSilentEntryDialogs : IEntryDialogs {
    bool ExecuteGroupEditDialog(QString&, TUserConnectAs&, QString&, QString&, bool, bool) override { return false; }
    bool ExecuteComputerEditDialog(QString&, QString&, TUserConnectAs&, QString&, QString&, bool) override {
        return false;
    }
};
