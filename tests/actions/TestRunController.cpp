#include "LangChanger.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uRunController.h"
#include "uThreadPool.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The run built from the checked computers, with scripted prompts and a pool whose jobs only record
// what they were given.
class TestRunController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void promptModeThreeComputers_data();
    void promptModeThreeComputers();
    void singlePromptComputerIsNotAskedToReuse();
    void promptOnLastCheckedNodeIsNotAskedToReuse();
    void credentialsFollowEachComputer();
    void onlyEmptyGroupsCheckedMakesNoRun();
    void runVisitsCheckedComputersInTreeOrder();
    void logsStartEachOutcomeAndEndOnce_data();
    void logsStartEachOutcomeAndEndOnce();
    void outcomeText_data();
    void outcomeText();

private:
    TComputerObject* AddComputer(const QString& name, TUserConnectAs mode, TGroupObject* group = nullptr);
    QStringList LogTexts() const;

    QTemporaryDir m_dir;
    TProgramOptions m_options;
    std::unique_ptr<TScriptedPrompts> m_prompts;
    TScriptedEntryDialogs m_dialogs;
    std::unique_ptr<TComputerList> m_list;
    std::unique_ptr<TAppLog> m_log;
    std::unique_ptr<TPoolOfThreads> m_pool;
    std::unique_ptr<TRunController> m_run;
    // The "Connect As..." answers, in order: credentials entered, or none for Cancel.
    QList<std::optional<QPair<QString, QString>>> m_connectAsAnswers;
    QStringList m_connectAsAskedFor;
    std::shared_ptr<QList<TDataJob>> m_ran;
};

void TestRunController::initTestCase() {
    const QString english = m_dir.filePath(QStringLiteral("english.lng"));
    QVERIFY(QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"), english));
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(english);
    SetCurrentLangChanger(changer);
}

void TestRunController::init() {
    m_prompts = std::make_unique<TScriptedPrompts>();
    m_connectAsAnswers.clear();
    m_connectAsAskedFor.clear();
    m_list = std::make_unique<TComputerList>(m_options, *m_prompts, m_dialogs);
    QFile::remove(m_dir.filePath(QStringLiteral("app.log")));
    m_log = std::make_unique<TAppLog>(m_dir.path() + u'/', nullptr);
    m_ran = std::make_shared<QList<TDataJob>>();
    auto ranLock = std::make_shared<QMutex>();
    m_pool = std::make_unique<TPoolOfThreads>(
        m_options, [ran = m_ran, ranLock](TDataJob& job, const TProgramOptions&, const std::function<bool()>&) {
            // Names carry the outcome to act out: "…-down" does not answer, "…-err" fails with a text.
            if (job.Name.endsWith(QStringLiteral("-down")))
                job.Result = jrHostNotActive;
            else if (job.Name.endsWith(QStringLiteral("-err")))
                std::tie(job.Result, job.ErrorMessage) = std::pair(jrActionFailed, QStringLiteral("Access is denied."));
            QMutexLocker locker(ranLock.get());
            ran->append(job);
        });
    TCredentialRules rules;
    rules.NeedsCredentialsPrompt = [](const TPreObject& entry) { return entry.UserConnectAs() == ucPromptUser; };
    rules.ResolveCredentials = [this](const TPreObject& entry, QString& userName, QString& password) {
        if (entry.UserConnectAs() == ucFollowingUser) {
            userName = entry.UserName();
            password = entry.UserPassword();
            return true;
        }
        if (entry.UserConnectAs() != ucPromptUser)
            return true;
        m_connectAsAskedFor.append(entry.Name());
        if (m_connectAsAnswers.isEmpty()) {
            QTest::qFail("unexpected credentials prompt", __FILE__, __LINE__);
            return false;
        }
        const auto answer = m_connectAsAnswers.takeFirst();
        if (!answer)
            return false;
        std::tie(userName, password) = *answer;
        return true;
    };
    m_run = std::make_unique<TRunController>(*m_list, *m_pool, m_log.get(), *m_prompts, rules);
}

void TestRunController::cleanup() {
    m_run.reset();
    m_pool.reset();
    m_log.reset();
    m_list.reset();
}

TComputerObject* TestRunController::AddComputer(const QString& name, TUserConnectAs mode, TGroupObject* group) {
    TComputerObject* computer = m_list->NewComputer(name, QString(), group);
    computer->SetUserConnectAs(mode);
    if (mode == ucFollowingUser) {
        computer->SetUserName(name + QStringLiteral("-user"));
        computer->SetUserPassword(name + QStringLiteral("-password"));
    }
    computer->SetChecked(true);
    return computer;
}

QStringList TestRunController::LogTexts() const {
    QStringList texts;
    for (int i = m_log->Count() - 1; i >= 0; --i)
        texts.append(m_log->Item(i).Text);
    return texts;
}

void TestRunController::promptModeThreeComputers_data() {
    QTest::addColumn<QList<TPromptResult>>("questionAnswers");
    QTest::addColumn<int>("connectAsAnswers");
    QTest::addColumn<bool>("cancelLast");
    QTest::addColumn<QStringList>("expectedUsers");
    QTest::newRow("yes: one prompt for all")
        << QList<TPromptResult>{TPromptResult::Yes} << 1 << false << QStringList{"u1", "u1", "u1"};
    QTest::newRow("no: a prompt each, one question")
        << QList<TPromptResult>{TPromptResult::No} << 3 << false << QStringList{"u1", "u2", "u3"};
    QTest::newRow("cancel on the second prompt")
        << QList<TPromptResult>{TPromptResult::No} << 2 << true << QStringList{};
}

void TestRunController::promptModeThreeComputers() {
    QFETCH(QList<TPromptResult>, questionAnswers);
    QFETCH(int, connectAsAnswers);
    QFETCH(bool, cancelLast);
    QFETCH(QStringList, expectedUsers);
    for (const char* name : {"pc1", "pc2", "pc3"})
        AddComputer(QString::fromLatin1(name), ucPromptUser);
    for (const TPromptResult answer : questionAnswers)
        m_prompts->Answer(answer);
    for (int i = 1; i <= connectAsAnswers; ++i) {
        if (cancelLast && i == connectAsAnswers)
            m_connectAsAnswers.append(std::nullopt);
        else
            m_connectAsAnswers.append(QPair(QStringLiteral("u%1").arg(i), QStringLiteral("p%1").arg(i)));
    }

    m_run->Execute(acShutdown);
    QCOMPARE(m_connectAsAskedFor.size(), connectAsAnswers);
    QCOMPARE(m_prompts->Asked().size(), 1);
    QCOMPARE(m_prompts->Asked().at(0).Text, LangStr(QStringLiteral("sUseCredentialsForAll")));
    QCOMPARE(m_prompts->Asked().at(0).Caption, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
    QCOMPARE(m_prompts->Asked().at(0).Icon, TPromptIcon::Warning);
    if (expectedUsers.isEmpty()) {
        // Cancel abandons the whole run, the first computer's job included.
        QTest::qWait(100);
        QCOMPARE(m_log->Count(), 0);
        QVERIFY(m_ran->isEmpty());
        QVERIFY(!QFile::exists(m_log->FileName()));
        return;
    }
    QTRY_COMPARE(LogTexts().size(), 5);
    QStringList users;
    for (const TDataJob& job : *m_ran) {
        users.append(job.UserName);
        QCOMPARE(job.Password, QString(job.UserName).replace(u'u', u'p'));
    }
    users.sort();
    QCOMPARE(users, expectedUsers);
}

void TestRunController::singlePromptComputerIsNotAskedToReuse() {
    AddComputer(QStringLiteral("pc1"), ucPromptUser);
    m_connectAsAnswers.append(QPair(QStringLiteral("u"), QStringLiteral("p")));
    m_run->Execute(acRestart);
    QCOMPARE(m_connectAsAskedFor, QStringList{"pc1"});
    QVERIFY(m_prompts->Asked().isEmpty());
    QTRY_COMPARE(m_ran->size(), 1);
}

void TestRunController::promptOnLastCheckedNodeIsNotAskedToReuse() {
    // Tree order: the group "g" (checked with its computers), then "a-pc", then "z-pc" in prompt mode.
    TGroupObject* group = m_list->NewGroup(QStringLiteral("g"), QString(), nullptr);
    AddComputer(QStringLiteral("a-pc"), ucCurrentUser, group);
    AddComputer(QStringLiteral("z-pc"), ucPromptUser, group);
    m_connectAsAnswers.append(QPair(QStringLiteral("u"), QStringLiteral("p")));
    auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QCOMPARE(jobs->size(), size_t(2));
    QVERIFY(m_prompts->Asked().isEmpty());
    QCOMPARE(jobs->at(1)->UserName, QStringLiteral("u"));
}

void TestRunController::credentialsFollowEachComputer() {
    AddComputer(QStringLiteral("a-current"), ucCurrentUser);
    AddComputer(QStringLiteral("b-following"), ucFollowingUser);
    AddComputer(QStringLiteral("c-prompt"), ucPromptUser);
    AddComputer(QStringLiteral("d-following"), ucFollowingUser);
    AddComputer(QStringLiteral("e-prompt"), ucPromptUser);
    m_connectAsAnswers.append(QPair(QStringLiteral("entered"), QStringLiteral("secret")));
    m_prompts->Answer(TPromptResult::Yes);
    auto jobs = m_run->BuildRun(acRestart);
    QVERIFY(jobs);
    QStringList users;
    for (const auto& job : *jobs) {
        QCOMPARE(job->Action, qint32(acRestart));
        QCOMPARE(job->Result, qint32(jrDone));
        QVERIFY(!job->Alive);
        QVERIFY(job->Address.isEmpty());
        users.append(job->Name + u'=' + job->UserName + u'/' + job->Password);
    }
    QCOMPARE(users,
             (QStringList{"a-current=/", "b-following=b-following-user/b-following-password", "c-prompt=entered/secret",
                          "d-following=d-following-user/d-following-password", "e-prompt=entered/secret"}));
}

void TestRunController::onlyEmptyGroupsCheckedMakesNoRun() {
    m_list->NewGroup(QStringLiteral("empty"), QString(), nullptr)->SetChecked(true);
    AddComputer(QStringLiteral("unchecked"), ucCurrentUser)->SetChecked(false);
    m_run->Execute(acShutdown);
    QTest::qWait(50);
    QCOMPARE(m_log->Count(), 0);
    QVERIFY(m_ran->isEmpty());
}

void TestRunController::runVisitsCheckedComputersInTreeOrder() {
    TGroupObject* group = m_list->NewGroup(QStringLiteral("Lab"), QString(), nullptr);
    AddComputer(QStringLiteral("zeta"), ucCurrentUser);
    AddComputer(QStringLiteral("Beta"), ucCurrentUser, group);
    AddComputer(QStringLiteral("alpha"), ucCurrentUser, group);
    AddComputer(QStringLiteral("gamma"), ucCurrentUser)->SetChecked(false);
    AddComputer(QStringLiteral("Delta"), ucCurrentUser);
    auto jobs = m_run->BuildRun(acShutdown);
    QVERIFY(jobs);
    QStringList names;
    for (const auto& job : *jobs)
        names.append(job->Name);
    QCOMPARE(names, (QStringList{"alpha", "Beta", "Delta", "zeta"}));
}

void TestRunController::logsStartEachOutcomeAndEndOnce_data() {
    QTest::addColumn<QStringList>("computers");
    QTest::addColumn<QString>("startLine");
    QTest::newRow("one job") << QStringList{"pc1"} << "Shut down started for 1 computer.";
    QTest::newRow("three jobs") << QStringList{"pc1", "pc2-down", "pc3-err"} << "Shut down started for 3 computers.";
}

void TestRunController::logsStartEachOutcomeAndEndOnce() {
    QFETCH(QStringList, computers);
    QFETCH(QString, startLine);
    for (const QString& name : computers)
        AddComputer(name, ucCurrentUser);
    m_run->Execute(acShutdown);
    QCOMPARE(LogTexts(), QStringList{startLine});
    QTRY_COMPARE(LogTexts().size(), computers.size() + 2);
    QTest::qWait(50);
    const QStringList texts = LogTexts();
    QCOMPARE(texts.size(), computers.size() + 2);
    QCOMPARE(texts.last(), QStringLiteral("All jobs have finished."));
    QCOMPARE(m_log->Item(0).Level, TAppLogLevel::Info);
    QStringList outcomes = texts.mid(1, computers.size());
    outcomes.sort();
    QStringList expected{"pc1: Shut down carried out successfully."};
    if (computers.size() > 1)
        expected << "pc2-down: Shut down not carried out. The computer does not answer."
                 << "pc3-err: Shut down failed. Access is denied.";
    QCOMPARE(outcomes, expected);
}

void TestRunController::outcomeText_data() {
    QTest::addColumn<qint32>("action");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TAppLogLevel>("level");
    const auto Error = TAppLogLevel::Error;
    QTest::newRow("done") << qint32(acShutdown) << qint32(jrDone) << ""
                          << "pc: Shut down carried out successfully." << TAppLogLevel::Success;
    QTest::newRow("error text wins over code") << qint32(acRestart) << qint32(jrHostNotActive) << "Boom"
                                               << "pc: Restart failed. Boom" << Error;
    QTest::newRow("not active") << qint32(acRestart) << qint32(jrHostNotActive) << ""
                                << "pc: Restart not carried out. The computer does not answer." << Error;
    QTest::newRow("no address") << qint32(acShutdown) << qint32(jrNoAddress) << ""
                                << "pc: Shut down not carried out. The IP address of the computer could not be found."
                                << Error;
    QTest::newRow("no operating system") << qint32(acShutdown) << qint32(jrActionFailed) << ""
                                         << "pc: Shut down failed. The computer offered no operating system to act on."
                                         << Error;
    QTest::newRow("unknown code is a failure")
        << qint32(acShutdown) << qint32(7) << ""
        << "pc: Shut down failed. The computer offered no operating system to act on." << Error;
}

void TestRunController::outcomeText() {
    QFETCH(qint32, action);
    QFETCH(qint32, result);
    QFETCH(QString, error);
    QFETCH(QString, text);
    QFETCH(TAppLogLevel, level);
    TDataJob job;
    job.Name = QStringLiteral("pc");
    job.Action = action;
    job.Result = result;
    job.ErrorMessage = error;
    QCOMPARE(TRunController::JobOutcomeText(job), text);
    QCOMPARE(TRunController::JobOutcomeLevel(job), level);
}

QTEST_GUILESS_MAIN(TestRunController)
#include "TestRunController.moc"
