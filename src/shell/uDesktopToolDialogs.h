#pragma once

#include "uToolDialogs.h"

class IFileDialogs;
class IUserPrompts;
class QWidget;
struct TProgramOptions;

// The tools' dialogs shown modally over the given window; the shutdown dialog calls out with the
// remote settings the options hold at that moment.
class TDesktopToolDialogs : public IToolDialogs {
public:
    TDesktopToolDialogs(QWidget* parent, const TProgramOptions& options, IUserPrompts& prompts,
                        IFileDialogs& fileDialogs)
        : m_parent(parent), m_options(options), m_prompts(prompts), m_fileDialogs(fileDialogs) {}

    bool ExecuteCommandListEditDialog(TCommandListItem& tool) override;
    bool ManageCommandList(TCommandList& list) override;
    bool ExecuteShutdownDialog(const QString& computer, const QString& userName, const QString& password,
                               int actionIndex) override;

private:
    QWidget* m_parent;
    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IFileDialogs& m_fileDialogs;
};
