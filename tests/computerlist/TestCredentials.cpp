#include "TEnglishTexts.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uConnectAsPrompt.h"
#include "uCredentials.h"
#include "uProgramOptions.h"

#include <QTest>

namespace {

// Answers "Connect As..." with OK and an account, or with Cancel when Ok is false; records the fields
// each call was opened with.
class TScriptedConnectAs : public IConnectAsPrompt {
public:
    bool Ok = true;
    QString EnteredUser;
    QString EnteredPassword;
    QList<QStringList> OpenedWith;
    QStringList Subjects;

    bool ExecuteConnectAsDialog(const QString& subject, QString& userName, QString& password) override {
        OpenedWith.append({userName, password});
        Subjects.append(subject);
        if (!Ok)
            return false;
        userName = EnteredUser;
        password = EnteredPassword;
        return true;
    }
};

} // namespace

class TestCredentials : public QObject {
    Q_OBJECT
private slots:
    void resolve_data();
    void resolve();
    void noEntryUsesDefaults();
    void promptNamesWhatItAsksFor();
};

void TestCredentials::resolve_data() {
    // A computer inside an inner group inside an outer group; the outer group's account is ("outer",
    // "pw-o"), the inner one's ("inner", "pw-i"), the computer's own ("own", "pw-c"), the defaults
    // ("dflt", "pw-d"). The prompt, when asked, answers OK with ("typed", "pw-t") unless it cancels.
    QTest::addColumn<int>("computer");
    QTest::addColumn<int>("inner");
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("defaults");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("needsPrompt");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("0 in 0 in 2: the outer group's account") << 0 << 0 << 2 << 1 << false << false << true << "outer"
                                                            << "pw-o";
    QTest::newRow("own account") << 2 << 2 << 2 << 1 << false << false << true << "own"
                                 << "pw-c";
    QTest::newRow("current user inside a group with an account") << 1 << 2 << 2 << 2 << false << false << true << ""
                                                                 << "";
    QTest::newRow("inherited to the top, default current user") << 0 << 0 << 0 << 1 << false << false << true << ""
                                                                << "";
    QTest::newRow("inherited to the top, default account") << 0 << 0 << 0 << 2 << false << false << true << "dflt"
                                                           << "pw-d";
    QTest::newRow("inherited to the top, default prompt") << 0 << 0 << 0 << 255 << false << true << true << "typed"
                                                          << "pw-t";
    QTest::newRow("default prompt cancelled") << 0 << 0 << 0 << 255 << true << true << false << ""
                                              << "";
    QTest::newRow("prompt inside a group with an account") << 255 << 2 << 2 << 1 << false << true << true << "typed"
                                                           << "pw-t";
    QTest::newRow("group prompts for its computers") << 0 << 255 << 2 << 1 << true << true << false << ""
                                                     << "";
    QTest::newRow("unknown value 7") << 7 << 2 << 2 << 1 << false << false << false << ""
                                     << "";
    QTest::newRow("unknown value inherited") << 0 << 7 << 2 << 1 << false << false << false << ""
                                             << "";
    QTest::newRow("unknown default") << 0 << 0 << 0 << 7 << false << false << false << ""
                                     << "";
}

void TestCredentials::resolve() {
    QFETCH(int, computer);
    QFETCH(int, inner);
    QFETCH(int, outer);
    QFETCH(int, defaults);
    QFETCH(bool, cancel);
    QFETCH(bool, needsPrompt);
    QFETCH(bool, success);
    QFETCH(QString, user);
    QFETCH(QString, password);

    TProgramOptions options;
    options.DefaultUserConnectAs = quint8(defaults);
    options.DefaultUserName = QStringLiteral("dflt");
    options.DefaultUserPassword = QStringLiteral("pw-d");
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(options, prompts, dialogs);
    const auto account = [](TPreObject* entry, int mode, const QString& name, const QString& secret) {
        entry->SetUserConnectAs(TUserConnectAs(mode));
        entry->SetUserName(name);
        entry->SetUserPassword(secret);
    };
    TGroupObject* outerGroup = list.NewGroup(QStringLiteral("Outer"), QString(), nullptr);
    account(outerGroup, outer, QStringLiteral("outer"), QStringLiteral("pw-o"));
    TGroupObject* innerGroup = list.NewGroup(QStringLiteral("Inner"), QString(), outerGroup);
    account(innerGroup, inner, QStringLiteral("inner"), QStringLiteral("pw-i"));
    TComputerObject* pc = list.NewComputer(QStringLiteral("pc1"), QString(), innerGroup);
    account(pc, computer, QStringLiteral("own"), QStringLiteral("pw-c"));

    TScriptedConnectAs prompt;
    prompt.Ok = !cancel;
    prompt.EnteredUser = QStringLiteral("typed");
    prompt.EnteredPassword = QStringLiteral("pw-t");

    QCOMPARE(NeedsCredentialsPrompt(pc, options), needsPrompt);
    const TResolvedCredentials result = ResolveCredentials(pc, options, prompt);
    QCOMPARE(result.Success, success);
    QCOMPARE(result.UserName, user);
    QCOMPARE(result.Password, password);
    // The prompt is asked exactly when announced, and always opens empty: no stored account is offered.
    QCOMPARE(prompt.OpenedWith.size(), needsPrompt ? 1 : 0);
    if (needsPrompt)
        QCOMPARE(prompt.OpenedWith.first(), QStringList({QString(), QString()}));
}

void TestCredentials::noEntryUsesDefaults() {
    TProgramOptions options;
    TScriptedConnectAs prompt;
    options.DefaultUserConnectAs = 2;
    options.DefaultUserName = QStringLiteral("admin");
    options.DefaultUserPassword = QStringLiteral("secret");
    QVERIFY(!NeedsCredentialsPrompt(nullptr, options));
    TResolvedCredentials result = ResolveCredentials(nullptr, options, prompt);
    QVERIFY(result.Success);
    QCOMPARE(result.UserName, QStringLiteral("admin"));

    // OK with "Current user" chosen gives success with empty credentials.
    options.DefaultUserConnectAs = 255;
    prompt.EnteredUser.clear();
    prompt.EnteredPassword.clear();
    QVERIFY(NeedsCredentialsPrompt(nullptr, options));
    result = ResolveDefaultCredentials(options, prompt);
    QVERIFY(result.Success);
    QVERIFY(result.UserName.isEmpty() && result.Password.isEmpty());
}

// "Connect As..." says whom the account is for: the computer or group resolved, nothing for the defaults.
void TestCredentials::promptNamesWhatItAsksFor() {
    TEnglishTexts english;
    QVERIFY(english.IsLoaded());
    TProgramOptions options;
    options.DefaultUserConnectAs = ucPromptUser;
    TScriptedPrompts prompts;
    TScriptedEntryDialogs dialogs;
    TComputerList list(options, prompts, dialogs);
    TGroupObject* lab = list.NewGroup(QStringLiteral("Lab"), QString(), nullptr);
    TComputerObject* pc = list.NewComputer(QStringLiteral("pc1"), QString(), lab);
    TScriptedConnectAs prompt;
    ResolveCredentials(pc, options, prompt);
    ResolveCredentials(lab, options, prompt);
    ResolveDefaultCredentials(options, prompt);
    QCOMPARE(prompt.Subjects,
             (QStringList{QStringLiteral("Connect to the computer pc1 as:"),
                          QStringLiteral("Connect to the computers of the group Lab as:"), QString()}));
}

QTEST_GUILESS_MAIN(TestCredentials)
#include "TestCredentials.moc"
