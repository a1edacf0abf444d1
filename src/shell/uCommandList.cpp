#include "uCommandList.h"

#include "LangChanger.h"
#include "PlatformShell.h"
#include "uAppLog.h"
#include "uFormat.h"
#include "uToolShell.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kComputerIp = QStringLiteral("%computer_ip%");

// "smb://", "https:", "mailto:": a scheme of two letters or more, so that "C:\..." stays a file.
bool IsAddress(const QString& fileName) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(fileName).hasMatch();
}

// A folder or a file that may not be run goes to the desktop, which opens it with its handler.
bool IsDocument(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.isDir() || (info.isFile() && !info.isExecutable());
}

} // namespace

TToolMacros MakeToolMacros(const QString& computerName) {
    if (computerName.isEmpty())
        return {};
    return {{QStringLiteral("%computer_name%"), computerName},
            {kComputerIp, computerName},
            {QStringLiteral("%path%"), Platform::ComputerSharesPath(computerName)}};
}

QString ReplaceMacros(const QString& text, const TToolMacros& macros) {
    QString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const auto macro = std::find_if(macros.begin(), macros.end(), [&](const auto& m) {
            return !m.first.isEmpty() && QStringView(text).mid(pos).startsWith(m.first, Qt::CaseInsensitive);
        });
        if (macro == macros.end()) {
            result += text[pos++];
            continue;
        }
        result += macro->second;
        pos += macro->first.size();
    }
    return result;
}

TToolLaunch MakeToolLaunch(const TCommandListItem& tool, const TToolMacros& macros) {
    TToolLaunch launch;
    if (IsAddress(tool.FileName)) {
        launch.Document = QUrl(tool.FileName);
        return launch;
    }
    if (IsDocument(tool.FileName)) {
        launch.Document = QUrl::fromLocalFile(QFileInfo(tool.FileName).absoluteFilePath());
        return launch;
    }
    launch.Program = tool.FileName;
    for (const QString& argument : QProcess::splitCommand(tool.Parameters))
        launch.Arguments.append(ReplaceMacros(argument, macros));
    return launch;
}

bool TCommandList::AddCommand(const QString& name, const QString& operation, const QString& fileName,
                              const QString& parameters, const QString& directory, int showCmd) {
    if (name.isEmpty() || operation.isEmpty() || fileName.isEmpty())
        return false;
    m_items.append({name, operation, fileName, parameters, directory, showCmd});
    return true;
}

void TCommandList::LoadFromFile(const QString& fileName, IUserPrompts& prompts) {
    TCommandListXMLStorage storage(fileName, prompts);
    if (!storage.Open())
        return;
    for (const TCommandListItem& tool : storage.LoadCommandList(m_listName))
        AddCommand(tool.Name, tool.Operation, tool.FileName, tool.Parameters, tool.Directory, tool.ShowCmd);
}

void TCommandList::SaveToFile(const QString& fileName, IUserPrompts& prompts) const {
    TCommandListXMLStorage storage(fileName, prompts);
    // A file that cannot be read is reported there and must not be replaced by the tools alone.
    if (!storage.Open())
        return;
    storage.SaveCommandList(m_listName, m_items);
    storage.Save();
}

void TCommandList::RunCommand(int index, const TToolMacros& macros, IToolShell& shell, TAppLog* log) const {
    if (index < 0 || index >= Count())
        return;
    const TCommandListItem& tool = m_items[index];
    if (tool.FileName == ShutdownToolFileName) {
        const auto ip =
            std::find_if(macros.begin(), macros.end(), [](const auto& m) { return m.first == kComputerIp; });
        shell.OpenShutdownDialog(ip == macros.end() ? QString() : ip->second);
        return;
    }
    const TToolLaunch launch = MakeToolLaunch(tool, macros);
    const bool started = launch.Program.isEmpty()
                             ? shell.OpenDocument(launch.Document)
                             : shell.StartProgram(launch.Program, launch.Arguments, tool.Directory);
    if (!started && log)
        log->Add(Format(LangStr(QStringLiteral("sToolStartFailed")), {GetTranslation(tool.Name), tool.FileName}),
                 TAppLogLevel::Error);
}
