#include "LangChanger.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uTranslateForm.h"
#include "udlgOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestOptionsDialog : public QObject {
    Q_OBJECT
private slots:
    void fillsControlsFromOptions();
    void portCheck_data();
    void portCheck();
    void noCheckKeepsPortAndTimeout();
    void enableRules();
    void clampsToRanges();
    void remotePageRoundTrip();
    void caFileOnlyWhereCertificatesAreChecked();
    void wakeUpWaitRoundTrip();
    void directoryPageRoundTrip();
    void unencryptedBasicIsShownAsAWarning();
    void sharedSettingsAreSaidToShareThePasswords_data();
    void sharedSettingsAreSaidToShareThePasswords();
    void translatesTheRealDialog();
    void numberFieldsKeepTheirWidth_data();
    void numberFieldsKeepTheirWidth();

private:
    template <typename T> static T* Find(const TdlgOptions& dialog, const char* name) {
        T* child = dialog.findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no %s", name);
        return child;
    }
};

void TestOptionsDialog::fillsControlsFromOptions() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.DontShowAskWizardIfEmpty = true;
    options.DefaultCheckState = 1;
    options.DefaultTCPPort = 445;
    options.DefaultTimeout = 900;
    options.IntervalUpdateComputerList = 61500;
    options.AutoUpdateComputerList = false;
    options.iMaxThreads = 33;
    options.bConfirmExecute = false;
    options.ComputerCaptionStyle = 3;
    dialog.LoadFrom(options);

    QVERIFY(!Find<QCheckBox>(dialog, "cbDontShowAskWizardIfEmpty")->isChecked()); // shows the inverse
    QVERIFY(Find<QAction>(dialog, "actCheckStateTCPConnect")->isChecked());
    QCOMPARE(Find<QLineEdit>(dialog, "edTCPPort")->text(), "445");
    QCOMPARE(Find<QSpinBox>(dialog, "udTimeout")->value(), 900);
    QCOMPARE(Find<QSpinBox>(dialog, "udIntervalUpdateComputerList")->value(), 61);
    QVERIFY(!Find<QCheckBox>(dialog, "cbAutoUpdateComputerList")->isChecked());
    QCOMPARE(Find<QSpinBox>(dialog, "udThreads")->value(), 33);
    QVERIFY(!Find<QCheckBox>(dialog, "cbConfirmExecute")->isChecked());
    auto* styles = Find<QComboBox>(dialog, "cmbComputerCaptionStyle");
    QCOMPARE(styles->count(), 4);
    for (int style = 0; style < 4; ++style)
        QCOMPARE(styles->itemText(style), FormatComputerCaption("sName", "sDescription", style));
    QCOMPARE(styles->currentIndex(), 3);
    QCOMPARE(Find<QTabWidget>(dialog, "pcOptions")->currentIndex(), 0);

    TProgramOptions stored;
    dialog.StoreInto(stored);
    QCOMPARE(stored.DontShowAskWizardIfEmpty, true);
    QCOMPARE(stored.DefaultCheckState, 1);
    QCOMPARE(int(stored.DefaultTCPPort), 445);
    QCOMPARE(stored.IntervalUpdateComputerList, 61000);
    QCOMPARE(stored.AutoUpdateComputerList, false);
    QCOMPARE(stored.bConfirmExecute, false);
    QCOMPARE(int(stored.ComputerCaptionStyle), 3);
}

void TestOptionsDialog::portCheck_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("storedPort");
    QTest::newRow("tcp 0") << "actCheckStateTCPConnect"
                           << "0" << false << 0;
    QTest::newRow("tcp 65536") << "actCheckStateTCPConnect"
                               << "65536" << false << 0;
    QTest::newRow("tcp huge") << "actCheckStateTCPConnect"
                              << "99999999999" << false << 0;
    QTest::newRow("tcp empty") << "actCheckStateTCPConnect"
                               << "" << false << 0;
    QTest::newRow("tcp 1") << "actCheckStateTCPConnect"
                           << "1" << true << 1;
    QTest::newRow("tcp 65535") << "actCheckStateTCPConnect"
                               << "65535" << true << 65535;
    QTest::newRow("ping 0 keeps port") << "actCheckStatePing"
                                       << "0" << true << 139;
    QTest::newRow("ping empty keeps port") << "actCheckStatePing"
                                           << "" << true << 139;
}

void TestOptionsDialog::portCheck() {
    QFETCH(QString, method);
    QFETCH(QString, port);
    QFETCH(bool, accepted);
    QFETCH(int, storedPort);
    TScriptedPrompts prompts;
    if (!accepted)
        prompts.Answer(TPromptResult::OK);
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    dialog.LoadFrom(options);
    Find<QTabWidget>(dialog, "pcOptions")->setCurrentIndex(2);
    dialog.findChild<QAction*>(method)->setChecked(true);
    Find<QLineEdit>(dialog, "edTCPPort")->setText(port);
    QSignalSpy acceptedSpy(&dialog, &QDialog::accepted);

    dialog.OKBtnClick();
    QCOMPARE(acceptedSpy.size(), accepted ? 1 : 0);
    QVERIFY(prompts.AllAnswersUsed());
    if (!accepted) {
        QCOMPARE(prompts.Asked().size(), 1);
        QCOMPARE(prompts.Asked()[0].Text, "sErrorTCPConnectPortNumber");
        QCOMPARE(prompts.Asked()[0].Caption, "sError");
        QCOMPARE(prompts.Asked()[0].Icon, TPromptIcon::Error);
        QCOMPARE(Find<QTabWidget>(dialog, "pcOptions")->currentWidget()->objectName(), "tsGeneral");
        return;
    }
    dialog.StoreInto(options);
    QCOMPARE(int(options.DefaultTCPPort), storedPort);
}

void TestOptionsDialog::noCheckKeepsPortAndTimeout() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.DefaultTCPPort = 22;
    options.DefaultTimeout = 1234;
    options.MaxProbesInFlight = 7;
    options.DefaultCheckState = 1;
    dialog.LoadFrom(options);
    QCOMPARE(Find<QSpinBox>(dialog, "udMaxProbesInFlight")->value(), 7);
    Find<QAction>(dialog, "actCheckStateNone")->trigger();
    Find<QLineEdit>(dialog, "edTCPPort")->setText("80");
    Find<QSpinBox>(dialog, "udTimeout")->setValue(50);
    Find<QSpinBox>(dialog, "udMaxProbesInFlight")->setValue(1);
    dialog.StoreInto(options);
    QCOMPARE(options.DefaultCheckState, -1);
    QCOMPARE(int(options.DefaultTCPPort), 22);
    QCOMPARE(options.DefaultTimeout, 1234);
    QCOMPARE(options.MaxProbesInFlight, 7);

    Find<QAction>(dialog, "actCheckStatePing")->trigger();
    dialog.StoreInto(options);
    QCOMPARE(options.DefaultCheckState, 0);
    QCOMPARE(int(options.DefaultTCPPort), 22);
    QCOMPARE(options.DefaultTimeout, 50);
    QCOMPARE(options.MaxProbesInFlight, 1);
}

void TestOptionsDialog::wakeUpWaitRoundTrip() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.iWakeUpWaitSeconds = 90;
    dialog.LoadFrom(options);
    auto* wait = Find<QSpinBox>(dialog, "udWakeUpWaitSeconds");
    QCOMPARE(wait->value(), 90);
    QCOMPARE(wait->maximum(), TProgramOptions::WakeUpWaitLimit);
    wait->setValue(0);
    dialog.StoreInto(options);
    QCOMPARE(options.iWakeUpWaitSeconds, 0);
}

void TestOptionsDialog::enableRules() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    dialog.LoadFrom(TProgramOptions());
    auto* port = Find<QLineEdit>(dialog, "edTCPPort");
    auto* timeout = Find<QSpinBox>(dialog, "udTimeout");
    auto* ms = Find<QLabel>(dialog, "lblMs");
    auto* probes = Find<QSpinBox>(dialog, "udMaxProbesInFlight");
    auto* interval = Find<QSpinBox>(dialog, "udIntervalUpdateComputerList");

    Find<QAction>(dialog, "actCheckStateNone")->trigger();
    QVERIFY(!port->isEnabled() && !timeout->isEnabled() && !ms->isEnabled() && !probes->isEnabled());
    Find<QAction>(dialog, "actCheckStatePing")->trigger();
    QVERIFY(!port->isEnabled() && timeout->isEnabled() && ms->isEnabled() && probes->isEnabled());
    Find<QAction>(dialog, "actCheckStateTCPConnect")->trigger();
    QVERIFY(port->isEnabled() && timeout->isEnabled());

    QVERIFY(interval->isEnabled());
    Find<QCheckBox>(dialog, "cbAutoUpdateComputerList")->click();
    QVERIFY(!interval->isEnabled() && !Find<QLabel>(dialog, "lblSec")->isEnabled());
    QVERIFY(!Find<QAction>(dialog, "actAutoUpdateComputerList")->isChecked());
}

void TestOptionsDialog::clampsToRanges() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.iMaxThreads = 500;
    options.DefaultTimeout = 1;
    options.IntervalUpdateComputerList = 1000;
    options.MaxProbesInFlight = 100000;
    dialog.LoadFrom(options);
    dialog.StoreInto(options);
    QCOMPARE(options.MaxProbesInFlight, TProgramOptions::MaxProbesInFlightLimit);
    QCOMPARE(options.iMaxThreads, 100);
    QCOMPARE(options.DefaultTimeout, 10);
    QCOMPARE(options.IntervalUpdateComputerList, 5000);
}

void TestOptionsDialog::directoryPageRoundTrip() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.DirectoryServer = "dc1.corp.example";
    options.DirectoryDomain = "corp.example";
    dialog.LoadFrom(options);
    auto* server = Find<QLineEdit>(dialog, "edDirectoryServer");
    auto* domain = Find<QLineEdit>(dialog, "edDirectoryDomain");
    QCOMPARE(server->text(), "dc1.corp.example");
    QCOMPARE(domain->text(), "corp.example");
    // Pasted names often bring blanks, which no server name has.
    server->setText("  ");
    domain->setText(" other.example ");
    TProgramOptions stored;
    dialog.StoreInto(stored);
    QCOMPARE(stored.DirectoryServer, "");
    QCOMPARE(stored.DirectoryDomain, "other.example");
}

void TestOptionsDialog::remotePageRoundTrip() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.RemoteProtocol = "https";
    options.RemotePort = 5986;
    options.RemoteAuthentication = "basic";
    options.RemoteVerifyCertificate = false;
    options.RemoteTimeout = 15;
    options.iRestartWaitLimit = 90; // seconds, set in the file
    dialog.LoadFrom(options);
    QCOMPARE(Find<QSpinBox>(dialog, "udRestartWaitLimit")->value(), 2);
    QVERIFY(Find<QCheckBox>(dialog, "cbRemoteVerifyCertificate")->isEnabled());
    TProgramOptions stored;
    dialog.StoreInto(stored);
    QCOMPARE(stored.RemoteProtocol, "https");
    QCOMPARE(stored.RemotePort, 5986);
    QCOMPARE(stored.RemoteAuthentication, "basic");
    QCOMPARE(stored.RemoteVerifyCertificate, false);
    QCOMPARE(stored.RemoteTimeout, 15);
    QCOMPARE(stored.iRestartWaitLimit, 90); // untouched, so not rounded to minutes
    Find<QSpinBox>(dialog, "udRestartWaitLimit")->setValue(20);
    dialog.StoreInto(stored);
    QCOMPARE(stored.iRestartWaitLimit, 1200);

    Find<QComboBox>(dialog, "cmbRemoteProtocol")->setCurrentIndex(0);
    Find<QComboBox>(dialog, "cmbRemoteAuthentication")->setCurrentIndex(1);
    QVERIFY(!Find<QCheckBox>(dialog, "cbRemoteVerifyCertificate")->isEnabled());
    dialog.StoreInto(stored);
    QCOMPARE(stored.RemoteProtocol, "http");
    QCOMPARE(stored.RemoteAuthentication, "ntlm");
}

void TestOptionsDialog::caFileOnlyWhereCertificatesAreChecked() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.RemoteProtocol = "https";
    options.RemoteCaFile = "/etc/ssl/corp-ca.pem";
    dialog.LoadFrom(options);
    auto* caFile = Find<QLineEdit>(dialog, "edRemoteCaFile");
    QCOMPARE(caFile->text(), "/etc/ssl/corp-ca.pem");
    QVERIFY(caFile->isEnabled());
    caFile->setText(" /etc/ssl/lab ca.pem ");
    TProgramOptions stored;
    dialog.StoreInto(stored);
    QCOMPARE(stored.RemoteCaFile, "/etc/ssl/lab ca.pem");

    Find<QCheckBox>(dialog, "cbRemoteVerifyCertificate")->setChecked(false);
    QVERIFY(!caFile->isEnabled());
    Find<QCheckBox>(dialog, "cbRemoteVerifyCertificate")->setChecked(true);
    QVERIFY(caFile->isEnabled());
    Find<QComboBox>(dialog, "cmbRemoteProtocol")->setCurrentIndex(0);
    QVERIFY(!caFile->isEnabled());
}

void TestOptionsDialog::unencryptedBasicIsShownAsAWarning() {
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    QVERIFY(!options.RemoteAllowUnencrypted);
    dialog.LoadFrom(options);
    auto* allow = Find<QCheckBox>(dialog, "cbRemoteAllowUnencrypted");
    auto* warning = Find<QLabel>(dialog, "lblRemoteUnencryptedWarning");
    QVERIFY(allow->isEnabled() && !allow->isChecked());
    QVERIFY(warning->isHidden());

    allow->setChecked(true);
    QVERIFY(!warning->isHidden());
    TProgramOptions stored;
    dialog.StoreInto(stored);
    QVERIFY(stored.RemoteAllowUnencrypted);

    // HTTPS never needs it: the box and its warning step aside, and the choice is kept.
    Find<QComboBox>(dialog, "cmbRemoteProtocol")->setCurrentIndex(1);
    QVERIFY(!allow->isEnabled());
    QVERIFY(warning->isHidden());
    dialog.StoreInto(stored);
    QVERIFY(stored.RemoteAllowUnencrypted);
}

void TestOptionsDialog::sharedSettingsAreSaidToShareThePasswords_data() {
    QTest::addColumn<bool>("systemWide");
    QTest::newRow("own settings") << false;
    QTest::newRow("-systemwideconfig") << true;
}

void TestOptionsDialog::sharedSettingsAreSaidToShareThePasswords() {
    QFETCH(bool, systemWide);
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TProgramOptions options;
    options.SystemWideConfig = systemWide;
    dialog.LoadFrom(options);
    QVERIFY(!Find<QLabel>(dialog, "lblPasswordProtection")->isHidden());
    QCOMPARE(!Find<QLabel>(dialog, "lblSharedSettings")->isHidden(), systemWide);

    auto* secretStore = Find<QCheckBox>(dialog, "cbPasswordsInSecretStore");
    QVERIFY(!secretStore->isChecked()); // the list file's own format stays the default
    secretStore->setChecked(true);
    dialog.StoreInto(options);
    QVERIFY(options.bPasswordsInSecretStore);
}

void TestOptionsDialog::translatesTheRealDialog() {
    QTemporaryDir dir;
    const QString path = dir.filePath("test.lng");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Translations]\r\n"
               "DLGOPTIONS.Caption=Einstellungen\r\n"
               "dlgOptions.tsGeneral.Caption=Allgemein\r\n"
               "dlgOptions.btnOK.Hint=Speichern\r\n"
               "dlgOptions.actCheckStatePing.Caption=Echo\r\n"
               "dlgOptions.cmbRemoteAuthentication.Items=A, ,B,\r\n"
               "dlgOther.Caption=Falsch\r\n");
    file.close();
    TLangChanger changer;
    changer.SetLangFile(path);
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    TranslateForm(changer, &dialog);
    QCOMPARE(dialog.windowTitle(), "Einstellungen");
    QCOMPARE(Find<QTabWidget>(dialog, "pcOptions")->tabText(0), "Allgemein");
    QCOMPARE(Find<QPushButton>(dialog, "btnOK")->toolTip(), "Speichern");
    QCOMPARE(dialog.findChild<QWidget*>("rbCheckStatePing")->property("text").toString(), "Echo");
    auto* combo = Find<QComboBox>(dialog, "cmbRemoteAuthentication");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(1), "");
    QCOMPARE(combo->itemText(2), "B");
}

void TestOptionsDialog::numberFieldsKeepTheirWidth_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("field");
    QTest::newRow("threads") << "tsAction"
                             << "udThreads";
    QTest::newRow("remote port") << "tsRemote"
                                 << "udRemotePort";
    QTest::newRow("remote time limit") << "tsRemote"
                                       << "udRemoteTimeout";
    QTest::newRow("restart wait limit") << "tsRemote"
                                        << "udRestartWaitLimit";
}

void TestOptionsDialog::numberFieldsKeepTheirWidth() {
    QFETCH(QString, page);
    QFETCH(QString, field);
    TScriptedPrompts prompts;
    TdlgOptions dialog(prompts);
    dialog.resize(1000, 500);
    auto* pages = Find<QTabWidget>(dialog, "pcOptions");
    pages->setCurrentWidget(dialog.findChild<QWidget*>(page));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto* box = dialog.findChild<QSpinBox*>(field);
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->width(), box->sizeHint().width());
}

QTEST_MAIN(TestOptionsDialog)
#include "TestOptionsDialog.moc"
