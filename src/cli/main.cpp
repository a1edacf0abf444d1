#include "DormivaVersion.h"
#include "LangChanger.h"
#include "PlatformCom.h"
#include "PlatformMemoryProtection.h"
#include "uCliPrompts.h"
#include "uCliSession.h"
#include "uDataJob.h"
#include "uFormat.h"
#include "uProgramOptions.h"
#include "uShutdownReasons.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct TCliCommand {
    QString Name; // "list show", "run shutdown", ...
    int Arguments;
    bool Writes;
};

const QList<TCliCommand> Commands{
    {QStringLiteral("list show"), 0, false},    {QStringLiteral("list import"), 1, true},
    {QStringLiteral("list export"), 1, false},  {QStringLiteral("list add"), 1, true},
    {QStringLiteral("list remove"), 1, true},   {QStringLiteral("run shutdown"), -1, false},
    {QStringLiteral("run restart"), -1, false}, {QStringLiteral("run restart-wait"), -1, false},
    {QStringLiteral("run wakeup"), -1, false},  {QStringLiteral("probe"), -1, false},
    {QStringLiteral("scan"), 1, false},
};

// The password of --user: from a file or the environment, never from the command line itself.
std::optional<QString> ReadPassword(const QString& passwordFile) {
    if (passwordFile.isEmpty())
        return QProcessEnvironment::systemEnvironment().value(QStringLiteral("DORMIVA_PASSWORD"));
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString password = QString::fromUtf8(file.readLine(4096));
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

// What the users are told; none (told) when a value is out of range.
std::optional<TShutdownNotice> ReadNotice(const QCommandLineParser& parser, const QCommandLineOption& delay,
                                          const QCommandLineOption& message, const QCommandLineOption& reason) {
    constexpr uint MaxDelaySeconds = 600;
    TShutdownNotice notice;
    if (parser.isSet(delay)) {
        bool ok = false;
        const uint seconds = parser.value(delay).toUInt(&ok);
        if (!ok || seconds > MaxDelaySeconds) {
            TCliSession::Complain(Format(LangStr(QStringLiteral("sCliBadDelay")), {parser.value(delay)}));
            return std::nullopt;
        }
        notice.DelaySeconds = int(seconds);
    }
    notice.Message = parser.value(message);
    if (parser.isSet(reason)) {
        const std::optional<quint32> code = ParseShutdownReason(parser.value(reason));
        if (!code) {
            TCliSession::Complain(Format(LangStr(QStringLiteral("sCliBadReason")), {parser.value(reason)}));
            return std::nullopt;
        }
        notice.ReasonCode = *code;
    }
    return notice;
}

// --config DIR is needed before the options, and they before the parser that speaks their language.
QString ConfigFolderArgument(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--config"))
            return arguments.value(i + 1);
        if (arguments.at(i).startsWith(QLatin1String("--config=")))
            return arguments.at(i).mid(9);
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    // Passwords are held in clear text from the options' load to the end.
    Platform::KeepMemoryPrivate();
    Platform::InitializeComForThread();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dormiva-cli"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(DORMIVA_VERSION_MAJOR).arg(DORMIVA_VERSION_MINOR).arg(DORMIVA_VERSION_RELEASE));
    // First, so that the help speaks the chosen language.
    TProgramOptions options;
    TCliPrompts prompts;
    const QString configFolder = ConfigFolderArgument(QCoreApplication::arguments());
    // A mistyped folder is not made anew.
    if (!configFolder.isEmpty() && !QFileInfo(configFolder).isDir()) {
        TCliSession::Complain(
            QStringLiteral("%1: %2").arg(configFolder, QString::fromLocal8Bit(std::strerror(ENOENT))));
        return ceUsage;
    }
    const TProgramEnvironment environment{
        QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), {}, false, configFolder};
    LoadProgramOptions(options, environment, prompts);
    if (prompts.Errors() > 0)
        return ceUsage;
    QCommandLineParser parser;
    parser.setApplicationDescription(LangStr(QStringLiteral("sCliDescription")));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"), LangStr(QStringLiteral("sCliOptJson")));
    const QCommandLineOption list(QStringLiteral("list"), LangStr(QStringLiteral("sCliOptList")),
                                  QStringLiteral("FILE"));
    const QCommandLineOption group(QStringLiteral("group"), LangStr(QStringLiteral("sCliOptGroup")),
                                   QStringLiteral("G"));
    const QCommandLineOption checked(QStringLiteral("checked"), LangStr(QStringLiteral("sCliOptChecked")));
    const QCommandLineOption force(QStringLiteral("force"), LangStr(QStringLiteral("sCliOptForce")));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), LangStr(QStringLiteral("sCliOptDryRun")));
    const QCommandLineOption user(QStringLiteral("user"), LangStr(QStringLiteral("sCliOptUser")),
                                  QStringLiteral("NAME"));
    const QCommandLineOption config(QStringLiteral("config"), LangStr(QStringLiteral("sCliOptConfig")),
                                    QStringLiteral("DIR"));
    const QCommandLineOption live(QStringLiteral("live"), LangStr(QStringLiteral("sCliOptLive")));
    const QCommandLineOption resolve(QStringLiteral("resolve"), LangStr(QStringLiteral("sCliOptResolve")));
    const QCommandLineOption add(QStringLiteral("add"), LangStr(QStringLiteral("sCliOptAdd")));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          LangStr(QStringLiteral("sCliOptPasswordFile")), QStringLiteral("FILE"));
    const QCommandLineOption delay(QStringLiteral("delay"), LangStr(QStringLiteral("sCliOptDelay")),
                                   QStringLiteral("SECONDS"));
    const QCommandLineOption message(QStringLiteral("message"), LangStr(QStringLiteral("sCliOptMessage")),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption reason(QStringLiteral("reason"), LangStr(QStringLiteral("sCliOptReason")),
                                    QStringLiteral("[p:|u:]MAJOR:MINOR"));
    const QCommandLineOption wait(QStringLiteral("wait"), LangStr(QStringLiteral("sCliOptWait")),
                                  QStringLiteral("SECONDS"));
    parser.addOptions({json, list, group, checked, force, dryRun, user, passwordFile, live, resolve, add, config, delay,
                       message, reason, wait});
    parser.addPositionalArgument(QStringLiteral("command"), LangStr(QStringLiteral("sCliArgCommand")));
    if (!parser.parse(QCoreApplication::arguments())) {
        TCliSession::Complain(parser.errorText());
        return ceUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ceSuccess);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList words = parser.positionalArguments();
    // "probe" and "scan" are one word; "list" and "run" take a second one.
    const int commandWords =
        words.value(0) == QLatin1String("probe") || words.value(0) == QLatin1String("scan") ? 1 : 2;
    const QString name = words.mid(0, commandWords).join(u' ');
    const auto command =
        std::find_if(Commands.begin(), Commands.end(), [&name](const TCliCommand& each) { return each.Name == name; });
    const QStringList arguments = words.mid(commandWords);
    if (command == Commands.end() || (command->Arguments >= 0 && arguments.size() != command->Arguments)) {
        TCliSession::Complain(Format(LangStr(QStringLiteral("sCliUnknownCommand")), {words.join(u' ')}));
        return ceUsage;
    }

    const QString listPath = parser.isSet(list) ? parser.value(list) : options.DefaultHostsFile;
    TCliSession session(options, prompts, listPath, parser.isSet(json));
    int result = session.Load();
    if (result != ceSuccess)
        return result;
    if (command->Name == QLatin1String("list show"))
        return session.Show();
    if (command->Name == QLatin1String("list import"))
        return session.Import(arguments.first());
    if (command->Name == QLatin1String("list export"))
        return session.Export(arguments.first());
    if (command->Name == QLatin1String("list add"))
        return session.Add(arguments.first(), parser.value(group));
    if (command->Name == QLatin1String("list remove"))
        return session.Remove(arguments.first());
    const TCliTargets targets{arguments, parser.values(group), parser.isSet(checked)};
    if (command->Name == QLatin1String("probe"))
        return session.Probe(targets);
    if (command->Name == QLatin1String("scan"))
        return session.Scan(arguments.first(), parser.isSet(live), parser.isSet(resolve), parser.isSet(add),
                            parser.value(group), parser.isSet(force));

    TCliAccount account;
    if (parser.isSet(user)) {
        const std::optional<QString> password = ReadPassword(parser.value(passwordFile));
        if (!password) {
            TCliSession::Complain(Format(LangStr(QStringLiteral("sCliFileMissing")), {parser.value(passwordFile)}));
            return ceUsage;
        }
        account = {true, parser.value(user), *password};
    }
    if (command->Name == QLatin1String("run wakeup")) {
        bool ok = !parser.isSet(wait);
        const int seconds = ok ? options.iWakeUpWaitSeconds : parser.value(wait).toInt(&ok);
        if (!ok || seconds < 0 || seconds > TProgramOptions::WakeUpWaitLimit) {
            TCliSession::Complain(Format(LangStr(QStringLiteral("sCliUnknownCommand")),
                                         {QStringLiteral("--wait ") + parser.value(wait)}));
            return ceUsage;
        }
        options.iWakeUpWaitSeconds = seconds; // the session reads the options when it runs
        // Waking computers needs neither an account nor a confirmation.
        return session.Run(acWakeUp, targets, {}, parser.isSet(dryRun));
    }
    const std::optional<TShutdownNotice> notice = ReadNotice(parser, delay, message, reason);
    if (!notice)
        return ceUsage;
    if (options.bConfirmExecute && !parser.isSet(force) && !parser.isSet(dryRun)) {
        TCliSession::Complain(LangStr(QStringLiteral("sCliConfirmNeeded")));
        return ceUsage;
    }
    const qint32 action = command->Name == QLatin1String("run restart")        ? acRestart
                          : command->Name == QLatin1String("run restart-wait") ? acRestartWait
                                                                               : acShutdown;
    return session.Run(action, targets, account, parser.isSet(dryRun), *notice);
}
