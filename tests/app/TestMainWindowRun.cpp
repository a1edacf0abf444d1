#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
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
#include <QTemporaryDir>
#include <QTest>

// The run as the window wires it: the Execute button, the action list and the log view.
class TestMainWindowRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void executeWaitsForACheckedNode();
    void runLogsIntoTheViewAndTheFile();

private:
    TEnglishTexts m_english;
    QTemporaryDir m_settings;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_dialogs;
    TScriptedConnectAsPrompt m_connectAs;
    TScriptedFileDialogs m_fileDialogs;
    std::unique_ptr<TDormivaForm> m_form;
};

void TestMainWindowRun::init() {
    m_options.SettingsFolder = m_settings.path() + u'/';
    m_options.AutoUpdateComputerList = false;
    m_form = std::make_unique<TDormivaForm>(m_options, m_prompts, m_dialogs, m_connectAs, m_fileDialogs);
}

void TestMainWindowRun::cleanup() {
    m_form.reset();
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
    m_form->actExecute->trigger();
    TAppLog& log = m_form->AppLog();
    QTRY_COMPARE(log.Count(), 3);
    QCOMPARE(log.Item(2).Text, QStringLiteral("Restart started for 1 computer."));
    QCOMPARE(log.Item(1).Text,
             name + QStringLiteral(": Restart not carried out. The IP address of the computer could not be found."));
    QCOMPARE(log.Item(1).Level, TAppLogLevel::Error);
    QCOMPARE(log.Item(0).Text, QStringLiteral("All jobs have finished."));

    TAppLogView* view = m_form->vstApplicationLog();
    QVERIFY(view->actLOGCopyAllToClipboard->isEnabled());
    view->actLOGCopyAllToClipboard->trigger();
    const QStringList rows = QApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows.at(0).endsWith(QStringLiteral("\tAll jobs have finished.")));
    QFile file(m_options.SettingsFolder + QStringLiteral("app.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("\r\n"), 3);
}

QTEST_MAIN(TestMainWindowRun)
#include "TestMainWindowRun.moc"
