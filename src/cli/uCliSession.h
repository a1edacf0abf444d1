#pragma once

#include "PlatformWmi.h"
#include "uCliPrompts.h"
#include "uComputerList.h"
#include "uComputerListFile.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

struct TProgramOptions;

// Exit codes of the command-line program.
enum TCliExit { ceSuccess = 0, ceJobsFailed = 1, ceUsage = 2 };

// Which computers a run takes: names, the computers of groups, and the list's own check marks.
struct TCliTargets {
    QStringList Names;
    QStringList Groups;
    bool Checked = false; // also the choice when nothing else is named
};

// The run's account for every computer, instead of the list's rules.
struct TCliAccount {
    bool Given = false;
    QString UserName;
    QString Password;
};

// One command of the command-line program over the list file: it reads the list, and writes it back
// only after claiming the settings folder, which the running program holds. Every method returns the
// exit code; errors have been told on the error output.
class TCliSession {
public:
    TCliSession(const TProgramOptions& options, TCliPrompts& prompts, const QString& listPath, bool json);

    int Load();
    int Show();
    int Import(const QString& path);
    int Export(const QString& path);
    int Add(const QString& name, const QString& group);
    int Remove(const QString& name);
    int Run(qint32 action, const TCliTargets& targets, const TCliAccount& account, bool dryRun,
            const TShutdownNotice& notice = {});
    // Reachability with response times, as the options check it; exit 1 when some computer is silent.
    int Probe(const TCliTargets& targets);
    // The address range search ("START-STOP"); with add the computers found go into the list (or group).
    // A range larger than LargeRange needs force.
    int Scan(const QString& range, bool live, bool resolve, bool add, const QString& group, bool force);

    static constexpr quint64 LargeRange = 65536;

    // One line on the error output.
    static void Complain(const QString& text);
    // The action's word on the command line and in JSON: shutdown, restart, restart-wait, wakeup.
    static QString ActionWord(qint32 action);

private:
    // Takes the settings folder before the list is written; false (told) while the program holds it.
    bool ClaimList();
    int Save();
    // Checks exactly the targets, in memory; gives an error text for a name the list lacks.
    QString MarkTargets(const TCliTargets& targets);
    // Unchecks the targets that would ask for a password with no terminal to ask on; gives their names.
    QStringList DropUnaskable(const TCliAccount& account);
    // The checked computers in tree order, each name once.
    QStringList CheckedNames() const;
    void PrintOutcome(const QString& name, qint32 action, const QString& result, const QString& text);

    const TProgramOptions& m_options;
    TCliPrompts& m_prompts;
    QString m_listPath;
    bool m_json;
    TComputerList m_list;
    TComputerListFile m_file;
    QTextStream m_out;
};
