#include "TEnglishTexts.h"
#include "TScriptedPrompts.h"
#include "TTestHost.h"
#include "udlgShutdownComputer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>

// The dialog against simulated hosts on 127.0.45.x.
class TestShutdownComputerDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void successSendsTheFlagsAndCloses_data();
    void successSendsTheFlagsAndCloses();
    void failureShowsTheErrorAndStaysOpen_data();
    void failureShowsTheErrorAndStaysOpen();
    void closingIsRefusedWhileWorking();
    void destroyedWhileWorkingWaitsForTheAttempt();

private:
    std::unique_ptr<TdlgShutdownComputer> MakeDialog(const QString& computer, const QString& password);

    TEnglishTexts m_english;
    TTestHost m_host;
    TScriptedPrompts m_prompts;
};

void TestShutdownComputerDialog::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    const QString error = m_host.Start(
        {QStringLiteral("127.0.45.2"), QStringLiteral("127.0.45.3,delay=1500"), QStringLiteral("127.0.45.4,noos")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

std::unique_ptr<TdlgShutdownComputer> TestShutdownComputerDialog::MakeDialog(const QString& computer,
                                                                             const QString& password) {
    auto dialog = std::make_unique<TdlgShutdownComputer>(nullptr, m_prompts, computer, TTestHost::UserName, password,
                                                         m_host.Settings(false, 10));
    dialog->show();
    return dialog;
}

void TestShutdownComputerDialog::successSendsTheFlagsAndCloses_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<int>("flags");
    QTest::newRow("turn off") << 0 << false << 8;
    QTest::newRow("restart") << 1 << false << 2;
    QTest::newRow("log off") << 2 << false << 0;
    QTest::newRow("turn off, forced") << 0 << true << 12;
    QTest::newRow("restart, forced") << 1 << true << 6;
    QTest::newRow("log off, forced") << 2 << true << 4;
}

void TestShutdownComputerDialog::successSendsTheFlagsAndCloses() {
    QFETCH(int, item);
    QFETCH(bool, forced);
    QFETCH(int, flags);
    const auto dialog = MakeDialog(QStringLiteral("127.0.45.2"), TTestHost::Password);
    QVERIFY(!dialog->cbForced->isChecked());
    dialog->cmbShutdown->setCurrentIndex(item);
    dialog->cbForced->setChecked(forced);
    const qsizetype before = m_host.Shutdowns().size();
    const qsizetype asked = m_prompts.Asked().size();
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 20000);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const QList<TTestHost::TShutdown> shutdowns = m_host.Shutdowns(int(before) + 1);
    QCOMPARE(shutdowns.size(), before + 1);
    QCOMPARE(shutdowns.last().Address, QStringLiteral("127.0.45.2"));
    QCOMPARE(shutdowns.last().Flags, flags);
    QCOMPARE(m_prompts.Asked().size(), asked);
}

void TestShutdownComputerDialog::failureShowsTheErrorAndStaysOpen_data() {
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused password") << "127.0.45.2"
                                      << "wrong"
                                      << "Restart failed:\r\nAccess is denied.";
    QTest::newRow("no operating system") << "127.0.45.4" << TTestHost::Password
                                         << "Restart failed:\r\nThe computer offered no operating system to act on.";
    QTest::newRow("no computer named")
        << "" << TTestHost::Password
        << "Restart failed:\r\nNo computer is named. Give the name or the address of the computer.";
}

void TestShutdownComputerDialog::failureShowsTheErrorAndStaysOpen() {
    QFETCH(QString, computer);
    QFETCH(QString, password);
    QFETCH(QString, message);
    const auto dialog = MakeDialog(computer, password);
    dialog->cmbShutdown->setCurrentIndex(1);
    const qsizetype before = m_host.Shutdowns().size();
    m_prompts.Answer(TPromptResult::OK);
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_prompts.AllAnswersUsed(), 20000);
    const TScriptedPrompts::TQuestion error = m_prompts.Asked().last();
    QCOMPARE(error.Text, message);
    QCOMPARE(error.Caption, QStringLiteral("Error"));
    QCOMPARE(error.Icon, TPromptIcon::Error);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->IsWorking());
    QVERIFY(dialog->btnOK->isEnabled() && dialog->cmbShutdown->isEnabled() && dialog->cbForced->isEnabled());
    QCOMPARE(dialog->pbProgress->maximum(), 1); // the running bar stopped
    QCOMPARE(m_host.Shutdowns().size(), before);
    // After a failure Cancel closes the dialog.
    QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void TestShutdownComputerDialog::closingIsRefusedWhileWorking() {
    const auto dialog = MakeDialog(QStringLiteral("127.0.45.3"), TTestHost::Password);
    const qsizetype before = m_host.Shutdowns().size();
    const qsizetype asked = m_prompts.Asked().size();
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    QVERIFY(dialog->IsWorking());
    QVERIFY(!dialog->btnOK->isEnabled() && !dialog->cmbShutdown->isEnabled() && !dialog->cbForced->isEnabled());
    QCOMPARE(dialog->pbProgress->maximum(), 0); // running
    QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    dialog->close();
    QVERIFY(dialog->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 20000);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_host.Shutdowns(int(before) + 1).last().Flags, 8);
    QCOMPARE(m_prompts.Asked().size(), asked);
}

// An owner that goes away takes the dialog with it; the attempt still ends before the thread is freed.
void TestShutdownComputerDialog::destroyedWhileWorkingWaitsForTheAttempt() {
    auto dialog = MakeDialog(QStringLiteral("127.0.45.3"), TTestHost::Password);
    const qsizetype before = m_host.Shutdowns().size();
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    QVERIFY(dialog->IsWorking());
    dialog.reset();
    QCOMPARE(m_host.Shutdowns(int(before) + 1).size(), before + 1);
}

QTEST_MAIN(TestShutdownComputerDialog)
#include "TestShutdownComputerDialog.moc"
