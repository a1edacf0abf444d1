#include "ERemoteError.h"
#include "LangChanger.h"
#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uRunJob.h"
#include "uShutdownReasons.h"
#include "uThreadPool.h"
#include "uWmiShutdown.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What the users are told before their computers go down, and the answers that say a computer is
// going down already. The simulated hosts live on 127.0.33.x:
//   127.0.33.1  accepts every call
//   127.0.33.2  answers 1190 (a shutdown is scheduled already)
//   127.0.33.3  answers 1191 (other users are logged on)
//   127.0.33.4  answers 1115 (a shutdown is under way)
class TestShutdownNotice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void noticeTravelsWithTheCall_data();
    void noticeTravelsWithTheCall();
    void refusalsSayWhatToDo_data();
    void refusalsSayWhatToDo();
    void runCountsComputersGoingDownApart();
    void reasonText_data();
    void reasonText();
    void everyOfferedReasonIsNamedInBothLanguages();

private:
    TProgramOptions Options() const;

    TTestHost m_host;
};

namespace {

// Makes a shipped language file the current one while the object lives.
class TShippedLanguage {
public:
    explicit TShippedLanguage(const QString& fileName) {
        const QString copy = m_folder.filePath(fileName);
        QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/") + fileName, copy);
        auto changer = std::make_shared<TLangChanger>();
        changer->SetLangFile(copy);
        SetCurrentLangChanger(changer);
        LoadMessageTable();
    }
    ~TShippedLanguage() {
        SetCurrentLangChanger(nullptr);
        LoadMessageTable();
    }

private:
    QTemporaryDir m_folder;
};

} // namespace

void TestShutdownNotice::initTestCase() {
    const QString error =
        m_host.Start({QStringLiteral("127.0.33.1"), QStringLiteral("127.0.33.2,return=1190"),
                      QStringLiteral("127.0.33.3,return=1191"), QStringLiteral("127.0.33.4,return=1115")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

TProgramOptions TestShutdownNotice::Options() const {
    TProgramOptions options;
    options.DefaultCheckState = 1;
    options.DefaultTCPPort = m_host.TcpPort();
    options.RemotePort = m_host.HttpPort();
    options.RemoteTimeout = 10;
    options.bConfirmExecute = false;
    return options;
}

void TestShutdownNotice::noticeTravelsWithTheCall_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("message");
    QTest::addColumn<quint32>("reason");
    QTest::addColumn<bool>("tracker");
    QTest::addColumn<int>("flags");
    QTest::newRow("nothing set: the plain call") << 1 << 0 << "" << 0u << false << 6;
    QTest::newRow("delay alone, power off") << 0 << 30 << "" << 0u << true << 12;
    QTest::newRow("longest delay") << 1 << 600 << "" << 0u << true << 6;
    QTest::newRow("message with markup and umlauts")
        << 1 << 0 << "Wartung <heute> & \"morgen\" – bitte speichern" << 0u << true << 6;
    QTest::newRow("message over several lines") << 0 << 0 << "Line one\nLine two" << 0u << true << 12;
    QTest::newRow("planned application maintenance") << 1 << 0 << "" << 0x80040001u << true << 6;
    QTest::newRow("highest code") << 1 << 0 << "" << 0xFFFFFFFFu << true << 6;
    QTest::newRow("all three") << 1 << 120 << "Back at ten." << 0x80020003u << true << 6;
}

void TestShutdownNotice::noticeTravelsWithTheCall() {
    QFETCH(int, type);
    QFETCH(int, delay);
    QFETCH(QString, message);
    QFETCH(quint32, reason);
    QFETCH(bool, tracker);
    QFETCH(int, flags);
    const int before = int(m_host.Shutdowns().size());
    const TShutdownNotice notice{delay, message, reason};
    QCOMPARE(ShutdownComputer(QStringLiteral("127.0.33.1"), TTestHost::UserName, TTestHost::Password, type, true,
                              m_host.Settings(), notice),
             0);
    const QList<TTestHost::TShutdown> calls = m_host.Shutdowns(before + 1);
    QCOMPARE(calls.size(), before + 1);
    const TTestHost::TShutdown& call = calls.last();
    QCOMPARE(call.Address, QStringLiteral("127.0.33.1"));
    QCOMPARE(call.Tracker, tracker);
    QCOMPARE(call.Flags, flags);
    QCOMPARE(call.Timeout, quint32(delay));
    QCOMPARE(call.Comment, message);
    QCOMPARE(call.ReasonCode, reason);
}

void TestShutdownNotice::refusalsSayWhatToDo_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<TAppLogLevel>("level");
    QTest::addColumn<QString>("advice");
    const auto goingDown = qint32(jrAlreadyGoingDown);
    const auto failed = qint32(jrActionFailed);
    const auto Warning = TAppLogLevel::Warning;
    QTest::newRow("1190 English") << "english.lng"
                                  << "127.0.33.2" << goingDown << Warning
                                  << "A shutdown is already scheduled on the computer (code 1190). Nothing more to do";
    QTest::newRow("1190 German") << "deutsch.lng"
                                 << "127.0.33.2" << goingDown << Warning
                                 << "Auf dem Computer ist bereits ein Herunterfahren geplant (Code 1190).";
    QTest::newRow("1191 English") << "english.lng"
                                  << "127.0.33.3" << failed << TAppLogLevel::Error
                                  << "(code 1191). Use Forced to go ahead anyway";
    QTest::newRow("1191 German") << "deutsch.lng"
                                 << "127.0.33.3" << failed << TAppLogLevel::Error
                                 << "(Code 1191). Verwenden Sie „Erzwingen“";
    QTest::newRow("1115 English") << "english.lng"
                                  << "127.0.33.4" << goingDown << Warning
                                  << "The computer is already shutting down (code 1115). Nothing more to do";
    QTest::newRow("1115 German") << "deutsch.lng"
                                 << "127.0.33.4" << goingDown << Warning
                                 << "Der Computer wird bereits heruntergefahren (Code 1115).";
}

void TestShutdownNotice::refusalsSayWhatToDo() {
    QFETCH(QString, language);
    QFETCH(QString, computer);
    QFETCH(qint32, result);
    QFETCH(TAppLogLevel, level);
    QFETCH(QString, advice);
    TShippedLanguage texts(language);
    TDataJob job;
    job.Name = computer;
    job.Action = acRestart;
    job.UserName = TTestHost::UserName;
    job.Password = TTestHost::Password;
    ExecuteAction(job, Options());
    QCOMPARE(job.Result, result);
    QVERIFY2(job.ErrorMessage.contains(advice), qPrintable(job.ErrorMessage));
    QVERIFY2(TRunController::JobOutcomeText(job).contains(advice), qPrintable(TRunController::JobOutcomeText(job)));
    QCOMPARE(TRunController::JobOutcomeLevel(job), level);
    // The single-computer dialog gets the same words from the call itself.
    try {
        ShutdownComputer(computer, TTestHost::UserName, TTestHost::Password, acRestart, false, m_host.Settings());
        QFAIL("the refusal was not raised");
    } catch (const ERemoteError& error) {
        QVERIFY2(error.Text().contains(advice), qPrintable(error.Text()));
    }
}

void TestShutdownNotice::runCountsComputersGoingDownApart() {
    TEnglishTexts english;
    const TProgramOptions options = Options();
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TScriptedConnectAsPrompt connectAs;
    TComputerList list(options, prompts, dialogs);
    for (int i = 1; i <= 4; ++i) {
        TComputerObject* computer = list.NewComputer(QStringLiteral("127.0.33.%1").arg(i), QString(), nullptr);
        computer->SetUserConnectAs(ucFollowingUser);
        computer->SetUserName(TTestHost::UserName);
        computer->SetUserPassword(TTestHost::Password);
        computer->SetChecked(true);
    }
    QTemporaryDir folder;
    TAppLog log(folder.path() + u'/', nullptr);
    TPoolOfThreads pool(options, RunJob);
    TRunController run(list, pool, &log, options, prompts, connectAs);
    run.Execute(acShutdown, {0, QStringLiteral("Closing down for the night"), 0});
    QTRY_VERIFY_WITH_TIMEOUT(!run.IsRunning(), 30000);
    const TRunProgress& progress = run.Progress();
    QCOMPARE(progress.Succeeded, 1);
    QCOMPARE(progress.AlreadyGoingDown, 2);
    QCOMPARE(progress.Failed, 1);
    QCOMPARE(progress.Done(), progress.Total);
    QStringList texts;
    for (int i = 0; i < log.Count(); ++i)
        texts.append(log.Item(i).Text);
    QVERIFY2(texts.contains(QStringLiteral("Run summary: 1 succeeded, 2 already going down, 1 failed, 0 without "
                                           "answer, 0 not attempted.")),
             qPrintable(texts.join(u'\n')));
}

void TestShutdownNotice::reasonText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("code");
    QTest::newRow("planned application maintenance") << "p:4:1" << true << 0x80040001u;
    QTest::newRow("unplanned hot fix") << "u:2:17" << true << 0x00020011u;
    QTest::newRow("no kind is unplanned") << "4:1" << true << 0x00040001u;
    QTest::newRow("kind in capitals") << "P:0:0" << true << 0x80000000u;
    QTest::newRow("largest major and minor") << "p:255:65535" << true << 0x80FFFFFFu;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("unknown kind") << "x:4:1" << false << 0u;
    QTest::newRow("major too large") << "256:0" << false << 0u;
    QTest::newRow("minor too large") << "1:65536" << false << 0u;
    QTest::newRow("minor missing") << "p:4" << false << 0u;
    QTest::newRow("negative") << "-1:2" << false << 0u;
    QTest::newRow("one part too many") << "p:4:1:2" << false << 0u;
    QTest::newRow("hexadecimal is not the form") << "0x4:1" << false << 0u;
}

void TestShutdownNotice::reasonText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint32, code);
    const std::optional<quint32> parsed = ParseShutdownReason(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, code);
}

void TestShutdownNotice::everyOfferedReasonIsNamedInBothLanguages() {
    QCOMPARE(ShutdownReasons().first().Code, 0u);
    for (const QString& language : {QStringLiteral("english.lng"), QStringLiteral("deutsch.lng")}) {
        TShippedLanguage texts(language);
        QStringList names;
        for (const TShutdownReason& reason : ShutdownReasons()) {
            const QString name = LangStr(QLatin1String(reason.Key));
            QVERIFY2(name != QLatin1String(reason.Key), qPrintable(language + u' ' + QLatin1String(reason.Key)));
            names.append(name);
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), ShutdownReasons().size());
    }
}

QTEST_GUILESS_MAIN(TestShutdownNotice)
#include "TestShutdownNotice.moc"
