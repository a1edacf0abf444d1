#include "uDesktopToolDialogs.h"

#include "uDlgCommandListEdit.h"
#include "uDlgCommandListManage.h"
#include "uWmiShutdown.h"
#include "udlgShutdownComputer.h"

bool TDesktopToolDialogs::ExecuteCommandListEditDialog(TCommandListItem& tool) {
    return ::ExecuteCommandListEditDialog(m_parent, m_fileDialogs, tool);
}

bool TDesktopToolDialogs::ManageCommandList(TCommandList& list) {
    return ::ManageCommandList(m_parent, list, *this, m_prompts);
}

bool TDesktopToolDialogs::ExecuteShutdownDialog(const QString& computer, const QString& userName,
                                                const QString& password, int actionIndex) {
    return ::ExecuteShutdownDialog(m_parent, m_prompts, computer, userName, password, actionIndex,
                                   RemoteSettingsFromOptions(m_options));
}
