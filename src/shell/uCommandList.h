#pragma once

#include "uCommandListXMLStorage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

class IToolShell;
class IUserPrompts;
class TAppLog;

// One tool: a program, document or address started against the focused computer. Operation and
// ShowCmd are kept for the file; the show command has no effect off Windows.
using TCommandListItem = TCommandListRecord;

// The file name of the tool that opens the single-computer shutdown dialog instead of a program.
inline const QString ShutdownToolFileName = QStringLiteral("%shutdown%");

// Macro names and their values, in the order they are tried.
using TToolMacros = QList<std::pair<QString, QString>>;

// "%computer_name%", "%computer_ip%" (both the name as entered) and "%path%" (the computer's shares);
// none for an empty name.
TToolMacros MakeToolMacros(const QString& computerName);
// The text with every occurrence of a macro name, in any letter case, replaced by its value. A value is
// never searched for macros again, so a name cannot bring in another macro's value.
QString ReplaceMacros(const QString& text, const TToolMacros& macros);

// How a tool starts: a program with its argument vector, or (Program empty) a document or address
// handed to the desktop.
struct TToolLaunch {
    QString Program;
    QStringList Arguments;
    QUrl Document;
};
// The parameters are split into arguments with the shell's quoting rules before the macros are
// replaced in each, so a value stays inside the one argument it stands in.
TToolLaunch MakeToolLaunch(const TCommandListItem& tool, const TToolMacros& macros);

// An ordered list of tools with its name ("Nettools", "Admintools"), which names its element in the
// options file and is the language key of its menu.
class TCommandList {
public:
    explicit TCommandList(const QString& listName) : m_listName(listName) {}

    const QString& ListName() const { return m_listName; }
    QList<TCommandListItem>& Items() { return m_items; }
    const QList<TCommandListItem>& Items() const { return m_items; }
    int Count() const { return int(m_items.size()); }

    // Appends a tool; false, and nothing added, when Name, Operation or FileName is empty.
    bool AddCommand(const QString& name, const QString& operation, const QString& fileName, const QString& parameters,
                    const QString& directory, int showCmd);
    // Appends the tools the options file holds for this list; the file is not written.
    void LoadFromFile(const QString& fileName, IUserPrompts& prompts);
    // Replaces this list's element of the options file, keeping everything else in it.
    void SaveToFile(const QString& fileName, IUserPrompts& prompts) const;
    // Runs the tool at index with the macros; an index outside the list does nothing. A tool that
    // cannot be started is logged as an error.
    void RunCommand(int index, const TToolMacros& macros, IToolShell& shell, TAppLog* log) const;

private:
    QString m_listName;
    QList<TCommandListItem> m_items;
};
