#pragma once

#include "uEntryDialogs.h"
#include "uFileDialogs.h"

// Where nobody can answer a dialog (the command-line program, benchmarks): every dialog is cancelled.
struct TCancelledDialogs : IEntryDialogs, IFileDialogs {
    bool ExecuteGroupEditDialog(QString&, TUserConnectAs&, QString&, QString&, bool, bool) override { return false; }
    bool ExecuteComputerEditDialog(QString&, QString&, QString&, TUserConnectAs&, QString&, QString&, bool) override {
        return false;
    }
    QString PromptSaveFileName(const QString&, const QString&, const QString&, const QString&, QString&) override {
        return {};
    }
    QString PromptOpenFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString PromptFolderName(const QString&) override { return {}; }
};
