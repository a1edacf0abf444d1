#pragma once

#include "uEntryDialogs.h"
#include "uFileDialogs.h"
#include "uUserPrompts.h"

// For benchmarks and fuzz targets, which never show a question or a dialog: every question gets
// the same answer and every dialog is cancelled.
class TFixedAnswerPrompts : public IUserPrompts {
public:
    explicit TFixedAnswerPrompts(TPromptResult answer = TPromptResult::Cancel) : m_answer(answer) {}
    TPromptResult Ask(const QString&, const QString&, TPromptButtons, TPromptIcon) override { return m_answer; }

private:
    TPromptResult m_answer;
};

struct TSilentDialogs : IEntryDialogs, IFileDialogs {
    bool ExecuteGroupEditDialog(QString&, TUserConnectAs&, QString&, QString&, bool, bool) override { return false; }
    bool ExecuteComputerEditDialog(QString&, QString&, TUserConnectAs&, QString&, QString&, bool) override {
        return false;
    }
    QString PromptSaveFileName(const QString&, const QString&, const QString&, const QString&, QString&) override {
        return {};
    }
    QString PromptOpenFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString PromptFolderName(const QString&) override { return {}; }
};
