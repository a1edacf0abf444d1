#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "uActionPanel.h"
#include "uAppLog.h"
#include "uAppLogView.h"
#include "uComputerList.h"
#include "uMain.h"
#include "uProgramOptions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

// The run as the window wires it: the Execute button, the action list, the status bar and the log
// view. Simulated hosts 127.0.41.1-20 answer each Win32Shutdown after 300 ms.
class TestMainWindowRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void executeWaitsForACheckedNode();
    void runLogsIntoTheViewAndTheFile();
    void confirmationProgressAndStop();
    void closingDuringARunAsksAndLogsTheRest();

private:
    void AddHosts(int first, int last);
    QStringList LogTexts() const;
    bool IsRunning() const { return !m_form->pnlAction()->btnStop->isHidden(); }

    TTestHost m_host;
    TEnglishTexts m_english;
    QTemporaryDir m_settings;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_dialogs;
    TScriptedConnectAsPrompt m_connectAs;
    TScriptedFileDialogs m_fileDialogs;
    std::unique_ptr<TDormivaForm> m_form;
};

void TestMainWindowRun::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    const QString error = m_host.Start({QStringLiteral("127.0.41.1-127.0.41.20,delay=300")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_options.DefaultCheckState = 1;
    m_options.DefaultTCPPort = m_host.TcpPort();
    m_options.RemotePort = m_host.HttpPort();
    m_options.RemoteTimeout = 10;
    m_options.iMaxThreads = 1;
}

void TestMainWindowRun::init() {
    m_prompts = TScriptedPrompts();
    QFile::remove(m_settings.filePath(QStringLiteral("app.log")));
    m_options.SettingsFolder = m_settings.path() + u'/';
    m_options.AutoUpdateComputerList = false;
    m_form = std::make_unique<TDormivaForm>(m_options, m_prompts, m_dialogs, m_connectAs, m_fileDialogs);
}

void TestMainWindowRun::cleanup() {
    m_form.reset();
    QVERIFY(m_prompts.AllAnswersUsed());
}

void TestMainWindowRun::AddHosts(int first, int last) {
    for (int i = first; i <= last; ++i)
        m_form->ComputerList()
            .AddComputer(QStringLiteral("127.0.41.%1").arg(i), {}, nullptr, ucFollowingUser, TTestHost::UserName,
                         TTestHost::Password)
            ->SetChecked(true);
}

QStringList TestMainWindowRun::LogTexts() const {
    QStringList texts;
    for (int i = m_form->AppLog().Count() - 1; i >= 0; --i)
        texts.append(m_form->AppLog().Item(i).Text);
    return texts;
}

void TestMainWindowRun::executeWaitsForACheckedNode() {
    TComputerList& list = m_form->ComputerList();
    QVERIFY(!m_form->actExecute->isEnabled());
    TGroupObject* group = list.AddGroup(QStringLiteral("empty"), ucInherited, nullptr, {}, {});
    TComputerObject* pc = list.AddComputer(QStringLiteral("pc"), {}, nullptr, ucInherited, {}, {});
    QVERIFY(!m_form->actExecute->isEnabled());
    pc->SetChecked(true);
    QVERIFY(m_form->actExecute->isEnabled());
    pc->SetChecked(false);
    QVERIFY(!m_form->actExecute->isEnabled());
    // An empty group counts: Execute is enabled, though the run then makes no job.
    group->SetChecked(true);
    QVERIFY(m_form->actExecute->isEnabled());
    m_form->actExecute->trigger();
    QTest::qWait(100);
    QCOMPARE(m_form->AppLog().Count(), 0);
}

void TestMainWindowRun::runLogsIntoTheViewAndTheFile() {
    // A label longer than 63 characters never reaches a name server: the job fails on this machine.
    const QString name = QString(70, u'x') + QStringLiteral(".invalid");
    m_form->ComputerList().AddComputer(name, {}, nullptr, ucInherited, {}, {})->SetChecked(true);
    m_form->pnlAction()->cmbShutdownAction->setCurrentIndex(1);
    m_prompts.Answer(TPromptResult::Yes);
    m_form->actExecute->trigger();
    TAppLog& log = m_form->AppLog();
    QTRY_COMPARE(log.Count(), 4);
    QCOMPARE(log.Item(3).Text, QStringLiteral("Restart started for 1 computer."));
    QCOMPARE(log.Item(2).Text,
             name + QStringLiteral(": Restart not carried out. The IP address of the computer could not be found."));
    QCOMPARE(log.Item(2).Level, TAppLogLevel::Error);
    QCOMPARE(log.Item(1).Text,
             QStringLiteral("Run summary: 0 succeeded, 1 failed, 0 without answer, 0 not attempted."));
    QCOMPARE(log.Item(0).Text, QStringLiteral("All jobs have finished."));

    TAppLogView* view = m_form->vstApplicationLog();
    QVERIFY(view->actLOGCopyAllToClipboard->isEnabled());
    view->actLOGCopyAllToClipboard->trigger();
    const QStringList rows = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(rows.size(), 4);
    QVERIFY(rows.at(0).endsWith(QStringLiteral("\tAll jobs have finished.")));
    QFile file(m_options.SettingsFolder + QStringLiteral("app.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("\r\n"), 4);
}

void TestMainWindowRun::confirmationProgressAndStop() {
    AddHosts(1, 6);
    m_prompts.Answer(TPromptResult::Yes);
    m_form->actExecute->trigger();
    QCOMPARE(m_prompts.Asked().size(), 1);
    QVERIFY(m_prompts.Asked().at(0).Text.startsWith(QStringLiteral("Shut down 6 computers?\r\n\r\n127.0.41.1\r\n")));
    QVERIFY(m_prompts.Asked().at(0).Text.endsWith(QStringLiteral("127.0.41.5\r\n... and 1 more")));

    // While the run goes on, Stop stands in the place of Execute and the status bar counts.
    TActionPanel* panel = m_form->pnlAction();
    QVERIFY(IsRunning());
    QVERIFY(panel->btnExecute->isHidden());
    QVERIFY(!m_form->actExecute->isEnabled());
    QCOMPARE(m_form->lblRunProgress->text(), QStringLiteral("Shut down: 0 of 6 done, 0 failed"));
    QTRY_COMPARE_WITH_TIMEOUT(m_form->lblRunProgress->text(), QStringLiteral("Shut down: 1 of 6 done, 0 failed"),
                              20000);
    m_form->actStop->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!IsRunning(), 20000);
    QVERIFY(!panel->btnExecute->isHidden());
    QVERIFY(m_form->actExecute->isEnabled());
    QCOMPARE(m_form->lblRunProgress->text(), QStringLiteral("Shut down: 6 of 6 done, 0 failed"));
    const QStringList log = LogTexts();
    const int dropped = static_cast<int>(log.filter(QStringLiteral("not attempted. The run was stopped.")).size());
    QVERIFY2(dropped >= 1 && dropped <= 4, qPrintable(log.join(u'\n')));
    QCOMPARE(log.value(log.size() - 2), QStringLiteral("Run summary: %1 succeeded, 0 failed, 0 without answer, %2 not "
                                                       "attempted.")
                                            .arg(6 - dropped)
                                            .arg(dropped));
}

// Closing during a run asks first; closing anyway names every computer the run did not report.
void TestMainWindowRun::closingDuringARunAsksAndLogsTheRest() {
    m_options.bConfirmExecute = false;
    AddHosts(11, 14);
    m_form->actExecute->trigger();
    m_options.bConfirmExecute = true;
    QVERIFY(IsRunning());

    m_prompts.Answer(TPromptResult::No);
    QVERIFY(!m_form->close());
    QVERIFY(m_prompts.Asked().last().Text.startsWith(QStringLiteral("A run is going on: ")));
    QCOMPARE(m_prompts.Asked().last().Buttons, TPromptButtons::YesNo);
    QVERIFY(IsRunning());

    QTRY_VERIFY_WITH_TIMEOUT(m_form->lblRunProgress->text().startsWith(QStringLiteral("Shut down: 1 of 4")), 20000);
    m_prompts.Answer(TPromptResult::Yes);
    m_prompts.Answer(TPromptResult::No); // the list's changes are not saved
    QVERIFY(m_form->close());
    m_form.reset(); // as the program ends once its window has closed
    QFile file(m_options.SettingsFolder + QStringLiteral("app.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    const qsizetype done = written.count(QStringLiteral("carried out successfully"));
    const qsizetype dropped = written.count(QStringLiteral("not attempted. The program was closed."));
    const qsizetype unknown = written.count(QStringLiteral("was under way when the program was closed"));
    QVERIFY2(done >= 1 && dropped >= 1 && done + dropped + unknown == 4, qPrintable(written));
    QVERIFY(written.contains(QStringLiteral("127.0.41.14: Shut down not attempted. The program was closed.")));
    QVERIFY(written.contains(QStringLiteral("Run summary: %1 succeeded, 0 failed, %2 without answer, %3 not attempted.")
                                 .arg(done)
                                 .arg(unknown)
                                 .arg(dropped)));
}

QTEST_MAIN(TestMainWindowRun)
#include "TestMainWindowRun.moc"
