#include "LangChanger.h"
#include "TScriptedPrompts.h"
#include "uComputerBrowser.h"
#include "uComputerList.h"
#include "uCredentialDialogs.h"
#include "uDlgAlternateCredentials.h"
#include "uDlgGetUserNameAndPassword.h"
#include "uFormat.h"
#include "uProgramOptions.h"
#include "udlgAddressComputerAndDescriptionEdit.h"
#include "udlgAddressGroupEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

template <typename T> T* Child(QWidget* form, const char* name) {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

void Click(QWidget* form, const char* name) {
    Child<QAbstractButton>(form, name)->click();
}
void Type(QWidget* form, const char* name, const QString& text) {
    Child<QLineEdit>(form, name)->setText(text);
}

// Runs the steps on the modal dialog that the code under test is about to open, one after the other.
void OnNextModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, qApp, [step = std::move(step)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) {
            QTimer::singleShot(10, qApp, [step] { step(QApplication::activeModalWidget()); });
            return;
        }
        step(dialog);
    });
}

void ShowActive(QWidget* form) {
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

class TListBrowser : public IComputerBrowser {
public:
    QStringList BrowseComputers() override { return {QStringLiteral("SRV2"), QStringLiteral("pc7")}; }
};

} // namespace

class TestCredentialDialogs : public QObject {
    Q_OBJECT
private slots:
    void groupNeedsCompleteInput();
    void connectAsNamesWhatItAsksFor();
    void groupSwitchedToCurrentUserClearsAccount();
    void groupCancelChangesNothing();
    void computerAsksAboutEmptyPassword();
    void computerChecksInOrder();
    void computerCaptions();
    void computerHardwareAddress_data();
    void computerHardwareAddress();
    void browsingPicksOrKeepsName();
    void choicesEnableFieldsAndShowPassword();
    void defaultCredentialsModes_data();
    void defaultCredentialsModes();
    void connectAsStartsOnCurrentUser();
    void connectAsFocusAndEmptyPassword();
    void computerListAddsAndEditsThroughDialogs();
};

void TestCredentialDialogs::groupNeedsCompleteInput() {
    TdlgAddressGroupEdit form(nullptr);
    form.SetValues(QStringLiteral("Lab"), ucInherited, QString(), QString(), true);
    auto* ok = Child<QPushButton>(&form, "OKBtn");
    QVERIFY(ok->isEnabled());
    Click(&form, "btnFolllowingUser");
    QVERIFY(!ok->isEnabled());
    Type(&form, "edUserName", QStringLiteral("admin"));
    QVERIFY(!ok->isEnabled()); // a user name and an empty password cannot be accepted
    ok->click();
    QCOMPARE(form.result(), int(QDialog::Rejected));
    Type(&form, "edUserPassword", QStringLiteral("pw"));
    QVERIFY(ok->isEnabled());
    Type(&form, "edName", QString());
    QVERIFY(!ok->isEnabled());
    Type(&form, "edName", QStringLiteral("Lab 2"));
    ok->click();
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestCredentialDialogs::groupSwitchedToCurrentUserClearsAccount() {
    QString name = QStringLiteral("Servers");
    TUserConnectAs mode = ucFollowingUser;
    QString user = QStringLiteral("admin");
    QString password = QStringLiteral("secret");
    OnNextModal([](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), LangStr(QStringLiteral("sAddressGroupEditTitle")));
        QCOMPARE(Child<QTabWidget>(dialog, "pcParameters")->currentIndex(), 0);
        QVERIFY(Child<QRadioButton>(dialog, "btnFolllowingUser")->isChecked());
        Click(dialog, "btnCurrentUser");
        QCOMPARE(Child<QLineEdit>(dialog, "edUserName")->text(), QStringLiteral("admin")); // still shown
        Click(dialog, "OKBtn");
    });
    QVERIFY(ExecuteGroupEditDialog(nullptr, name, mode, user, password, true, false));
    QCOMPARE(name, QStringLiteral("Servers"));
    QCOMPARE(mode, ucCurrentUser);
    QCOMPARE(user, QString());
    QCOMPARE(password, QString());
}

void TestCredentialDialogs::groupCancelChangesNothing() {
    QString name = QStringLiteral("New group");
    TUserConnectAs mode = ucInherited;
    QString user, password;
    OnNextModal([](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), LangStr(QStringLiteral("sAddressGroupAddTitle")));
        Type(dialog, "edName", QStringLiteral("changed"));
        Click(dialog, "btnPromptUser");
        Click(dialog, "CancelBtn");
    });
    QVERIFY(!ExecuteGroupEditDialog(nullptr, name, mode, user, password, true, true));
    QCOMPARE(name, QStringLiteral("New group"));
    QCOMPARE(mode, ucInherited);
}

void TestCredentialDialogs::computerAsksAboutEmptyPassword() {
    TScriptedPrompts prompts;
    prompts.Answer(TPromptResult::No);
    prompts.Answer(TPromptResult::Yes);
    TdlgAddressComputerAndDescriptionEdit form(nullptr, prompts, nullptr);
    form.SetValues(QStringLiteral("pc1"), QStringLiteral("desk"), QString(), ucFollowingUser, QStringLiteral("admin"),
                   QString(), true);
    Click(&form, "OKBtn");
    QCOMPARE(form.result(), int(QDialog::Rejected)); // No keeps the dialog open
    Click(&form, "OKBtn");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(prompts.Asked().size(), 2);
    QCOMPARE(prompts.Asked()[0].Text, LangStr(QStringLiteral("sPasswordIsEmpty")));
    QCOMPARE(prompts.Asked()[0].Caption, LangStr(QStringLiteral("sWarning")));
    QCOMPARE(prompts.Asked()[0].Buttons, TPromptButtons::YesNo);
    QString name, description, hardwareAddress, user, password = QStringLiteral("old");
    TUserConnectAs mode = ucInherited;
    form.ReadValues(name, description, hardwareAddress, mode, user, password);
    QCOMPARE(mode, ucFollowingUser);
    QCOMPARE(user, QStringLiteral("admin"));
    QCOMPARE(password, QString());
    QCOMPARE(description, QStringLiteral("desk"));
}

void TestCredentialDialogs::computerChecksInOrder() {
    TScriptedPrompts prompts;
    prompts.Answer(TPromptResult::OK);
    prompts.Answer(TPromptResult::OK);
    TdlgAddressComputerAndDescriptionEdit form(nullptr, prompts, nullptr);
    form.SetValues(QString(), QString(), QString(), ucFollowingUser, QString(), QString(), true);
    ShowActive(&form);
    Type(&form, "edComputerName", QStringLiteral("   "));
    Click(&form, "OKBtn");
    Type(&form, "edComputerName", QStringLiteral("10.0.0.7"));
    Click(&form, "OKBtn");
    QVERIFY(form.isVisible());
    QCOMPARE(prompts.Asked().size(), 2);
    QCOMPARE(prompts.Asked()[0].Text, LangStr(QStringLiteral("sEnterValidCompName")));
    QCOMPARE(prompts.Asked()[0].Caption, LangStr(QStringLiteral("sError")));
    QCOMPARE(prompts.Asked()[0].Icon, TPromptIcon::Error);
    QCOMPARE(prompts.Asked()[1].Text, LangStr(QStringLiteral("sUserNameEmpty")));
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(&form, "edUserName"));
    Click(&form, "btnInherited");
    Click(&form, "OKBtn");
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestCredentialDialogs::computerCaptions() {
    TScriptedPrompts prompts;
    QString name, description = QStringLiteral("ignored"), hardwareAddress, user, password;
    TUserConnectAs mode = ucInherited;
    OnNextModal([](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), LangStr(QStringLiteral("sAddressComputerAddTitle")));
        QCOMPARE(Child<QLineEdit>(dialog, "edDescription")->text(), QString());
        Click(dialog, "CancelBtn");
    });
    QVERIFY(!ExecuteComputerEditDialog(nullptr, prompts, nullptr, name, description, hardwareAddress, mode, user,
                                       password, true));
    QCOMPARE(description, QStringLiteral("ignored"));

    name = QStringLiteral("pc1");
    description = QStringLiteral("front desk");
    OnNextModal([](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), LangStr(QStringLiteral("sAddressComputerEditTitle")));
        QCOMPARE(Child<QLineEdit>(dialog, "edDescription")->text(), QStringLiteral("front desk"));
        Type(dialog, "edComputerName", QStringLiteral("pc2"));
        Click(dialog, "btnPromptUser");
        Click(dialog, "OKBtn");
    });
    QVERIFY(ExecuteComputerEditDialog(nullptr, prompts, nullptr, name, description, hardwareAddress, mode, user,
                                      password, true));
    QCOMPARE(name, QStringLiteral("pc2"));
    QCOMPARE(mode, ucPromptUser);
}

// The forms themselves are told apart in TestHardwareAddress; here, what the dialog does with each outcome.
void TestCredentialDialogs::computerHardwareAddress_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");
    const QString form = QStringLiteral("00-1A-2B-3C-4D-5E");
    QTest::newRow("colons") << "00:1a:2b:3c:4d:5e" << true << form;
    QTest::newRow("hyphens") << "00-1a-2B-3c-4D-5e" << true << form;
    QTest::newRow("left empty") << "" << true << "";
    QTest::newRow("not hexadecimal") << "00:1a:2b:3c:4d:zz" << false << "";
    QTest::newRow("broadcast") << "FF-FF-FF-FF-FF-FF" << false << "";
}

// A bad address keeps the dialog open with an error naming it; a good one is stored in one form.
void TestCredentialDialogs::computerHardwareAddress() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);
    TScriptedPrompts prompts;
    prompts.Answer(TPromptResult::OK);
    TdlgAddressComputerAndDescriptionEdit form(nullptr, prompts, nullptr);
    form.SetValues(QStringLiteral("pc1"), QString(), QStringLiteral("00-00-5E-00-53-01"), ucInherited, QString(),
                   QString(), true);
    ShowActive(&form);
    QCOMPARE(Child<QLineEdit>(&form, "edHardwareAddress")->text(), QStringLiteral("00-00-5E-00-53-01"));
    Type(&form, "edHardwareAddress", typed);
    Click(&form, "OKBtn");
    QCOMPARE(form.result() == QDialog::Accepted, accepted);
    if (!accepted) {
        QCOMPARE(prompts.Asked().size(), 1);
        QCOMPARE(prompts.Asked()[0].Text, Format(LangStr(QStringLiteral("sInvalidHardwareAddress")), {typed}));
        QCOMPARE(prompts.Asked()[0].Icon, TPromptIcon::Error);
        QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(&form, "edHardwareAddress"));
        return;
    }
    QVERIFY(prompts.Asked().isEmpty());
    QString name, description, hardwareAddress, user, password;
    TUserConnectAs mode = ucInherited;
    form.ReadValues(name, description, hardwareAddress, mode, user, password);
    QCOMPARE(hardwareAddress, stored);
}

void TestCredentialDialogs::browsingPicksOrKeepsName() {
    TScriptedPrompts prompts;
    TListBrowser browser;
    for (IComputerBrowser* source :
         {static_cast<IComputerBrowser*>(nullptr), static_cast<IComputerBrowser*>(&browser)}) {
        TdlgAddressComputerAndDescriptionEdit form(nullptr, prompts, source);
        form.SetValues(QString(), QString(), QString(), ucInherited, QString(), QString(), true);
        Type(&form, "edComputerName", QStringLiteral("typed"));
        // Cancelling keeps what was typed.
        OnNextModal([](QWidget* dialog) { Click(dialog, "CancelBtn"); });
        Click(&form, "sbSelectComputer");
        QCOMPARE(Child<QLineEdit>(&form, "edComputerName")->text(), QStringLiteral("typed"));
        OnNextModal([source](QWidget* dialog) {
            auto* list = Child<QListWidget>(dialog, "lstComputers");
            QCOMPARE(list->count(), source ? 2 : 0);
            if (source)
                list->setCurrentRow(1);
            QCOMPARE(Child<QPushButton>(dialog, "OKBtn")->isEnabled(), source != nullptr);
            Click(dialog, source ? "OKBtn" : "CancelBtn");
        });
        Click(&form, "sbSelectComputer");
        QCOMPARE(Child<QLineEdit>(&form, "edComputerName")->text(),
                 source ? QStringLiteral("SRV2") : QStringLiteral("typed"));
    }
}

void TestCredentialDialogs::choicesEnableFieldsAndShowPassword() {
    TScriptedPrompts prompts;
    TDlgAlternateCredentials form(nullptr, prompts);
    form.SetValues(1, QString(), QString());
    auto* user = Child<QLineEdit>(&form, "edUserName");
    auto* password = Child<QLineEdit>(&form, "edUserPassword");
    auto* show = Child<QCheckBox>(&form, "chkShowPassword");
    QVERIFY(!user->isEnabled() && !password->isEnabled() && !show->isEnabled());
    QVERIFY(form.findChild<QRadioButton*>(QStringLiteral("btnInherited")) == nullptr); // not offered here
    Click(&form, "btnFolllowingUser");
    QVERIFY(user->isEnabled() && password->isEnabled() && show->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    show->click();
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
    show->click();
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    Click(&form, "btnFolllowingUser"); // a second click keeps the choice
    QVERIFY(Child<QRadioButton>(&form, "btnFolllowingUser")->isChecked());
    Click(&form, "btnPromptUser");
    QVERIFY(!user->isEnabled() && !password->isEnabled());
    QVERIFY(!Child<QRadioButton>(&form, "btnFolllowingUser")->isChecked());
}

void TestCredentialDialogs::defaultCredentialsModes_data() {
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("returned");
    QTest::newRow("inherited shows current user") << 0 << 1;
    QTest::newRow("current user") << 1 << 1;
    QTest::newRow("prompt") << 255 << 255;
    QTest::newRow("account") << 2 << 2;
}

void TestCredentialDialogs::defaultCredentialsModes() {
    QFETCH(int, opened);
    QFETCH(int, returned);
    TScriptedPrompts prompts;
    quint8 mode = quint8(opened);
    QString user = QStringLiteral("admin"), password = QStringLiteral("pw");
    OnNextModal([](QWidget* dialog) { Click(dialog, "OKBtn"); });
    QVERIFY(ExecuteDefaultCredentialsDialog(nullptr, prompts, mode, user, password));
    QCOMPARE(int(mode), returned);
    QCOMPARE(user.isEmpty(), returned != 2);
    QCOMPARE(password.isEmpty(), returned != 2);
}

void TestCredentialDialogs::connectAsStartsOnCurrentUser() {
    TScriptedPrompts prompts;
    QString user, password;
    OnNextModal([](QWidget* dialog) {
        QVERIFY(Child<QRadioButton>(dialog, "btnCurrentUser")->isChecked());
        Click(dialog, "OKBtn");
    });
    QVERIFY(ExecuteConnectAsDialog(nullptr, prompts, user, password));
    QVERIFY(user.isEmpty() && password.isEmpty());

    // Through the list's interface: Cancel gives false and leaves the fields.
    TCredentialDialogs dialogs(prompts);
    user = QStringLiteral("kept");
    OnNextModal([](QWidget* dialog) { Click(dialog, "CancelBtn"); });
    QVERIFY(!dialogs.ExecuteConnectAsDialog(QString(), user, password));
    QCOMPARE(user, QStringLiteral("kept"));
}

void TestCredentialDialogs::connectAsFocusAndEmptyPassword() {
    TScriptedPrompts prompts;
    TDlgGetUserNameAndPassword form(nullptr, prompts);
    form.SetValues(QStringLiteral("admin"), QString());
    ShowActive(&form);
    QVERIFY(Child<QRadioButton>(&form, "btnFolllowingUser")->isChecked());
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(&form, "edUserPassword"));
    Click(&form, "btnCurrentUser");
    Click(&form, "btnFolllowingUser");
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(&form, "edUserName"));

    prompts.Answer(TPromptResult::Yes);
    Click(&form, "OKBtn");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(prompts.Asked().size(), 1);
    QCOMPARE(prompts.Asked()[0].Text, LangStr(QStringLiteral("sPasswordIsEmpty")));
    QString user, password = QStringLiteral("x");
    form.ReadValues(user, password);
    QCOMPARE(user, QStringLiteral("admin"));
    QCOMPARE(password, QString());
}

void TestCredentialDialogs::computerListAddsAndEditsThroughDialogs() {
    TProgramOptions options;
    TScriptedPrompts prompts;
    TCredentialDialogs dialogs(prompts);
    TComputerList list(options, prompts, dialogs);

    const QString proposal = list.GetNewGroupName();
    OnNextModal([proposal](QWidget* dialog) {
        QCOMPARE(Child<QLineEdit>(dialog, "edName")->text(), proposal);
        QVERIFY(Child<QRadioButton>(dialog, "btnInherited")->isChecked());
        Click(dialog, "btnFolllowingUser");
        Type(dialog, "edUserName", QStringLiteral("admin"));
        Type(dialog, "edUserPassword", QStringLiteral("pw"));
        Click(dialog, "OKBtn");
    });
    list.AddGroupWithDialog();
    QCOMPARE(list.Items().size(), size_t(1));
    TPreObject* group = list.Items().front().get();
    QCOMPARE(group->Name(), proposal);
    QCOMPARE(group->UserConnectAs(), ucFollowingUser);
    QCOMPARE(group->UserPassword(), QStringLiteral("pw"));

    OnNextModal([](QWidget* dialog) {
        Type(dialog, "edComputerName", QStringLiteral("pc1"));
        Click(dialog, "OKBtn");
    });
    list.AddComputerWithDialog(); // into the selected group
    QCOMPARE(static_cast<TGroupObject*>(group)->Items().size(), size_t(1));

    list.SelectionModel()->setCurrentIndex(list.NodeOf(group), QItemSelectionModel::ClearAndSelect);
    OnNextModal([](QWidget* dialog) {
        Click(dialog, "btnCurrentUser");
        Click(dialog, "OKBtn");
    });
    list.EditSelected();
    QCOMPARE(group->UserConnectAs(), ucCurrentUser);
    QVERIFY(group->UserName().isEmpty() && group->UserPassword().isEmpty());
    QVERIFY(list.Modified());
}

void TestCredentialDialogs::connectAsNamesWhatItAsksFor() {
    TScriptedPrompts prompts;
    TCredentialDialogs dialogs(prompts);
    for (const QString& subject : {QString(), QStringLiteral("Connect to the computer pc1 as:")}) {
        QString user, password;
        OnNextModal([subject](QWidget* dialog) {
            const auto* label = Child<QLabel>(dialog, "lblConnectAsFor");
            QCOMPARE(label->text(), subject);
            QCOMPARE(label->isHidden(), subject.isEmpty());
            Click(dialog, "OKBtn");
        });
        QVERIFY(dialogs.ExecuteConnectAsDialog(subject, user, password));
    }
}

QTEST_MAIN(TestCredentialDialogs)
#include "TestCredentialDialogs.moc"
