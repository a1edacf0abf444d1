#include "uCliSession.h"

#include "LangChanger.h"
#include "NetUtil.h"
#include "PlatformConsole.h"
#include "PlatformSettingsLock.h"
#include "uAppLog.h"
#include "uCredentials.h"
#include "uFormat.h"
#include "uProbeEngine.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uThrdSearchGroupsAndComputers.h"
#include "uThreadPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cstdio>

namespace {

QString ModeName(TUserConnectAs mode) {
    switch (mode) {
    case ucInherited:
        return QStringLiteral("inherited");
    case ucCurrentUser:
        return QStringLiteral("current");
    case ucFollowingUser:
        return QStringLiteral("user");
    case ucPromptUser:
        return QStringLiteral("prompt");
    }
    return QStringLiteral("none");
}

QString CheckName(Qt::CheckState state) {
    switch (state) {
    case Qt::Checked:
        return QStringLiteral("checked");
    case Qt::PartiallyChecked:
        return QStringLiteral("partial");
    case Qt::Unchecked:
        break;
    }
    return QStringLiteral("unchecked");
}

QJsonArray EntriesJson(const TEntryList& entries) {
    QJsonArray array;
    for (const auto& entry : entries) {
        QJsonObject object{{QStringLiteral("name"), entry->Name()},
                           {QStringLiteral("description"), entry->Description()},
                           {QStringLiteral("check"), CheckName(entry->CheckState())},
                           {QStringLiteral("credentials"), ModeName(entry->UserConnectAs())}};
        if (entry->IsGroup()) {
            object.insert(QStringLiteral("items"), EntriesJson(static_cast<const TGroupObject*>(entry.get())->Items()));
        } else {
            object.insert(QStringLiteral("reachable"), entry->Status() != 0);
            object.insert(QStringLiteral("hardwareAddress"),
                          static_cast<const TComputerObject*>(entry.get())->MacAddress());
        }
        array.append(object);
    }
    return array;
}

void PrintEntries(QTextStream& out, const TEntryList& entries, int depth) {
    for (const auto& entry : entries) {
        const QString mark = entry->CheckState() == Qt::Checked            ? QStringLiteral("[x]")
                             : entry->CheckState() == Qt::PartiallyChecked ? QStringLiteral("[-]")
                                                                           : QStringLiteral("[ ]");
        out << QString(depth * 2, u' ') << mark << u' ' << entry->Name();
        if (!entry->Description().isEmpty())
            out << QStringLiteral(" (") << entry->Description() << u')';
        out << u'\t' << ModeName(entry->UserConnectAs());
        if (entry->IsGroup()) {
            out << u'\n';
            PrintEntries(out, static_cast<const TGroupObject*>(entry.get())->Items(), depth + 1);
        } else {
            out << u'\t'
                << LangStr(entry->Status() != 0 ? QStringLiteral("sCliReachable") : QStringLiteral("sCliUnreachable"))
                << u'\n';
        }
    }
}

QString ResultName(qint32 result) {
    switch (result) {
    case jrDone:
        return QStringLiteral("done");
    case jrNoAnswer:
        return QStringLiteral("noAnswer");
    case jrAlreadyGoingDown:
        return QStringLiteral("alreadyGoingDown");
    case jrNotBack:
        return QStringLiteral("notBack");
    case jrNoHardwareAddress:
        return QStringLiteral("skipped");
    default:
        return QStringLiteral("failed");
    }
}

} // namespace

TCliSession::TCliSession(const TProgramOptions& options, TCliPrompts& prompts, const QString& listPath, bool json)
    : m_options(options), m_prompts(prompts), m_listPath(listPath), m_json(json), m_list(options, prompts, prompts),
      m_file(m_list, options, prompts, prompts), m_out(stdout) {}

void TCliSession::Complain(const QString& text) {
    std::fprintf(stderr, "dormiva-cli: %s\n", qPrintable(text));
}

int TCliSession::Load() {
    // A missing list would read as an empty one, and a later write would create it somewhere unintended.
    if (!QFileInfo::exists(m_listPath)) {
        Complain(Format(LangStr(QStringLiteral("sCliFileMissing")), {QDir::toNativeSeparators(m_listPath)}));
        return ceUsage;
    }
    try {
        m_list.SetFileName(m_listPath);
        m_file.LoadFromFile(m_listPath);
    } catch (const EListFileError& error) {
        Complain(error.Message());
        return ceUsage;
    }
    return ceSuccess;
}

int TCliSession::Show() {
    if (m_json)
        m_out << QJsonDocument(EntriesJson(m_list.Items())).toJson(QJsonDocument::Indented);
    else
        PrintEntries(m_out, m_list.Items(), 0);
    return ceSuccess;
}

// The running program holds the settings folder and writes the list when it closes: a change made
// here would be lost then, or overwrite the program's. Reading beside it is harmless.
bool TCliSession::ClaimList() {
    if (Platform::LockSettingsFolder(m_options.SettingsFolder) != Platform::TSettingsLock::InUse)
        return true;
    Complain(Format(LangStr(QStringLiteral("sCliListInUse")), {QDir::toNativeSeparators(m_options.SettingsFolder)}));
    return false;
}

int TCliSession::Save() {
    if (!ClaimList())
        return ceUsage;
    try {
        m_file.SaveToFile(m_listPath);
    } catch (const EListFileError& error) {
        Complain(error.Message());
        return ceUsage;
    }
    return ceSuccess;
}

int TCliSession::Import(const QString& path) {
    if (!QFileInfo::exists(path)) {
        Complain(Format(LangStr(QStringLiteral("sCliFileMissing")), {QDir::toNativeSeparators(path)}));
        return ceUsage;
    }
    const int errors = m_prompts.Errors();
    try {
        m_file.ImportFromFile(path);
    } catch (const EListFileError& error) {
        Complain(error.Message());
        return ceUsage;
    }
    return m_prompts.Errors() > errors ? int(ceUsage) : Save();
}

int TCliSession::Export(const QString& path) {
    try {
        m_file.ExportToFile(path);
    } catch (const EListFileError& error) {
        Complain(error.Message());
        return ceUsage;
    }
    return ceSuccess;
}

int TCliSession::Add(const QString& name, const QString& group) {
    TGroupObject* parent = nullptr;
    if (!group.isEmpty()) {
        parent = m_list.FindGroup(group);
        if (!parent)
            parent = m_list.AddGroup(group, ucInherited, nullptr, {}, {});
    }
    m_list.AddComputer(name, {}, parent, ucInherited, {}, {});
    return Save();
}

int TCliSession::Remove(const QString& name) {
    TPreObject* entry = m_list.FindComputer(name);
    if (!entry)
        entry = m_list.FindGroup(name);
    if (!entry) {
        Complain(Format(LangStr(QStringLiteral("sCliUnknownEntry")), {name}));
        return ceUsage;
    }
    m_list.DeleteItem(entry);
    return Save();
}

QString TCliSession::MarkTargets(const TCliTargets& targets) {
    QList<TPreObject*> marked;
    for (const QString& name : targets.Names) {
        TComputerObject* computer = m_list.FindComputer(name);
        if (!computer)
            return Format(LangStr(QStringLiteral("sCliUnknownEntry")), {name});
        marked.append(computer);
    }
    for (const QString& name : targets.Groups) {
        TGroupObject* group = m_list.FindGroup(name);
        if (!group)
            return Format(LangStr(QStringLiteral("sCliUnknownEntry")), {name});
        marked.append(group);
    }
    if (targets.Checked || marked.isEmpty()) {
        for (TPreObject* entry : m_list.TreeOrder())
            if (!entry->IsGroup() && entry->CheckState() == Qt::Checked)
                marked.append(entry);
    }
    for (const auto& entry : m_list.Items())
        entry->SetChecked(false);
    for (TPreObject* entry : std::as_const(marked))
        entry->SetChecked(true);
    return {};
}

QStringList TCliSession::DropUnaskable(const TCliAccount& account) {
    QStringList dropped;
    for (TPreObject* entry : m_list.TreeOrder()) {
        if (entry->IsGroup() || entry->CheckState() != Qt::Checked)
            continue;
        if (account.Given) {
            entry->SetUserConnectAs(ucFollowingUser);
            entry->SetUserName(account.UserName);
            entry->SetUserPassword(account.Password);
        } else if (NeedsCredentialsPrompt(entry, m_options) && !Platform::IsTerminal(stdin)) {
            entry->SetChecked(false);
            dropped.append(entry->Name());
        }
    }
    return dropped;
}

void TCliSession::PrintOutcome(const QString& name, qint32 action, const QString& result, const QString& text) {
    if (m_json) {
        const QJsonObject object{{QStringLiteral("computer"), name},
                                 {QStringLiteral("action"), ActionWord(action)},
                                 {QStringLiteral("result"), result},
                                 {QStringLiteral("message"), text}};
        m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << Qt::endl;
    } else {
        m_out << text << Qt::endl;
    }
}

QString TCliSession::ActionWord(qint32 action) {
    switch (action) {
    case acRestart:
        return QStringLiteral("restart");
    case acRestartWait:
        return QStringLiteral("restart-wait");
    case acWakeUp:
        return QStringLiteral("wakeup");
    default:
        return QStringLiteral("shutdown");
    }
}

int TCliSession::Run(qint32 action, const TCliTargets& targets, const TCliAccount& account, bool dryRun,
                     const TShutdownNotice& notice) {
    if (const QString error = MarkTargets(targets); !error.isEmpty()) {
        Complain(error);
        return ceUsage;
    }
    TProgramOptions options = m_options;
    options.bConfirmExecute = false; // the command line is the confirmation
    TAppLog log(options.SettingsFolder, &m_prompts);
    TPoolOfThreads pool(options, RunJob);
    TRunController run(m_list, pool, dryRun ? nullptr : &log, options, m_prompts, m_prompts);
    // A wake-up needs no account, so nobody is asked for one.
    const QStringList unaskable = action == acWakeUp ? QStringList() : DropUnaskable(account);
    const QString actionName = TRunController::GetActionName(action);
    if (dryRun) {
        for (const QString& name : unaskable)
            PrintOutcome(name, action, QStringLiteral("failed"),
                         Format(LangStr(QStringLiteral("sCliNoTerminal")), {name, actionName}));
        const auto jobs = run.BuildRun(action);
        if (!jobs)
            return ceJobsFailed;
        for (const auto& job : *jobs) {
            const QString user = job->UserName.isEmpty() ? LangStr(QStringLiteral("sCliCurrentUser")) : job->UserName;
            PrintOutcome(job->Name, action, QStringLiteral("planned"),
                         Format(LangStr(QStringLiteral("sCliPlannedJob")), {job->Name, actionName, user}));
        }
        return unaskable.isEmpty() ? ceSuccess : ceJobsFailed;
    }
    for (const QString& name : unaskable) {
        const QString text = Format(LangStr(QStringLiteral("sCliNoTerminal")), {name, actionName});
        log.Add(text, TAppLogLevel::Error);
        PrintOutcome(name, action, QStringLiteral("failed"), text);
    }
    const bool progress = Platform::IsTerminal(stderr);
    QEventLoop loop;
    QObject::connect(&run, &TRunController::JobReported, &loop, [&](const TDataJob& job) {
        PrintOutcome(job.Name, job.Action, job.Waiting ? QStringLiteral("noAnswer") : ResultName(job.Result),
                     TRunController::JobOutcomeText(job));
    });
    QObject::connect(&run, &TRunController::RunChanged, &loop, [&] {
        if (progress)
            std::fprintf(stderr, "\r%s\x1b[K", qPrintable(run.ProgressText()));
        if (!run.IsRunning())
            loop.quit();
    });
    run.Execute(action, notice);
    if (run.IsRunning())
        loop.exec();
    if (progress)
        std::fputc('\n', stderr);
    const TRunProgress& done = run.Progress();
    const int failed = done.Failed + done.Unanswered + done.NotAttempted + static_cast<int>(unaskable.size());
    // Computers going down already are no failure of the run.
    const QString summary =
        done.AlreadyGoingDown > 0
            ? Format(LangStr(QStringLiteral("sJobMsgRunSummary2")),
                     {done.Succeeded, done.AlreadyGoingDown, done.Failed + static_cast<int>(unaskable.size()),
                      done.Unanswered, done.NotAttempted})
            : Format(LangStr(QStringLiteral("sJobMsgRunSummary")),
                     {done.Succeeded, done.Failed + static_cast<int>(unaskable.size()), done.Unanswered,
                      done.NotAttempted});
    if (m_json)
        m_out << QJsonDocument(QJsonObject{{QStringLiteral("summary"), summary},
                                           {QStringLiteral("succeeded"), done.Succeeded},
                                           {QStringLiteral("failed"), failed}})
                     .toJson(QJsonDocument::Compact)
              << Qt::endl;
    else
        m_out << summary << Qt::endl;
    return failed == 0 ? ceSuccess : ceJobsFailed;
}

QStringList TCliSession::CheckedNames() const {
    QStringList names;
    QSet<QString> seen;
    for (const TPreObject* entry : m_list.TreeOrder()) {
        if (entry->IsGroup() || entry->CheckState() != Qt::Checked)
            continue;
        if (!seen.contains(entry->Name().toCaseFolded())) {
            seen.insert(entry->Name().toCaseFolded());
            names.append(entry->Name());
        }
    }
    return names;
}

int TCliSession::Probe(const TCliTargets& targets) {
    if (const QString error = MarkTargets(targets); !error.isEmpty()) {
        Complain(error);
        return ceUsage;
    }
    const QStringList names = CheckedNames();
    const TCheckSettings check = TCheckSettings::FromOptions(m_options);
    TProbeEngine engine({qMax(1, m_options.MaxProbesInFlight)});
    for (qsizetype index = 0; index < names.size(); ++index)
        engine.Add(index, check.Target(names.at(index)));
    engine.Finish();
    int silent = 0;
    engine.Run([&](qsizetype index, const TProbeTarget&, const TProbeResult& result) {
        const QString& name = names.at(index);
        if (!result.Answered)
            ++silent;
        if (m_json) {
            QJsonObject object{{QStringLiteral("computer"), name}, {QStringLiteral("reachable"), result.Answered}};
            if (result.Answered)
                object.insert(QStringLiteral("ms"), static_cast<qint64>(result.RoundTripMs));
            m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << Qt::endl;
        } else if (result.Answered) {
            m_out << Format(LangStr(QStringLiteral("sCliProbeAnswered")), {name, result.RoundTripMs}) << Qt::endl;
        } else {
            m_out << Format(LangStr(QStringLiteral("sCliProbeSilent")), {name}) << Qt::endl;
        }
    });
    return silent == 0 ? ceSuccess : ceJobsFailed;
}

int TCliSession::Scan(const QString& range, bool live, bool resolve, bool add, const QString& group, bool force) {
    const QString start = range.section(u'-', 0, 0).trimmed();
    const QString stop = range.section(u'-', 1).trimmed();
    const quint64 size = TThrdSearchGroupsAndComputers::RangeSize(start, stop);
    if (size == 0) {
        Complain(Format(LangStr(QStringLiteral("sCliBadRange")), {range}));
        return ceUsage;
    }
    if (size > LargeRange && !force) {
        Complain(Format(LangStr(QStringLiteral("sCliLargeRange")), {static_cast<qint64>(size)}));
        return ceUsage;
    }
    // Refused before the search rather than after it.
    if (add && !ClaimList())
        return ceUsage;
    TGroupObject* parent = nullptr;
    if (add && !group.isEmpty()) {
        parent = m_list.FindGroup(group);
        if (!parent)
            parent = m_list.AddGroup(group, ucInherited, nullptr, {}, {});
    }
    // Self-freeing: it ends after the end handler, at the next turn of an event loop.
    auto* search = new TThrdSearchGroupsAndComputers(TCheckSettings::FromOptions(m_options));
    search->SetSearchMode(2);
    search->SetStartIP(start);
    search->SetStopIP(stop);
    search->SetOnlyLiveComputers(live || resolve);
    search->SetResolveNames(resolve);
    QEventLoop loop;
    QString failure;
    search->SetOnFoundObject([&](TSimpleObject& object) {
        if (object.IsGroup())
            return;
        if (m_json)
            m_out << QJsonDocument(QJsonObject{{QStringLiteral("address"), object.Name},
                                               {QStringLiteral("name"), object.Description}})
                         .toJson(QJsonDocument::Compact)
                  << Qt::endl;
        else
            m_out << object.Name
                  << (object.Description.isEmpty() ? QString() : QStringLiteral("\t") + object.Description) << Qt::endl;
        if (add && !m_list.FindComputer(object.Name))
            m_list.NewComputer(object.Name, object.Description, parent);
    });
    search->SetOnSearchEnded([&](const TThrdSearchGroupsAndComputers& ended) {
        failure = ended.ErrorText();
        loop.quit();
    });
    search->start();
    loop.exec();
    search->wait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!failure.isEmpty()) {
        Complain(failure);
        return ceUsage;
    }
    if (!add)
        return ceSuccess;
    m_list.MarkModified();
    return Save();
}
