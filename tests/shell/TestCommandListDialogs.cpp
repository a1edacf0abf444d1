#include "TEnglishTexts.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uDlgCommandListEdit.h"
#include "uDlgCommandListManage.h"
#include "uToolDialogs.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Answers the edit dialog from a queue of results (none: Cancel) and records the tools it was given.
struct TScriptedToolDialogs : IToolDialogs {
    QList<TCommandListItem> Results;
    QList<TCommandListItem> Given;
    bool ExecuteCommandListEditDialog(TCommandListItem& tool) override {
        Given << tool;
        if (Results.isEmpty())
            return false;
        const TCommandListItem result = Results.takeFirst();
        tool.Name = result.Name;
        tool.FileName = result.FileName;
        tool.Parameters = result.Parameters;
        tool.Directory = result.Directory;
        return true;
    }
    bool ManageCommandList(TCommandList&) override { return false; }
    bool ExecuteShutdownDialog(const QString&, const QString&, const QString&, int) override { return false; }
};

// The first count of the tools A, B and C.
TCommandList ThreeTools(int count = 3) {
    TCommandList list(QStringLiteral("Nettools"));
    for (const char* name : {"A", "B", "C"})
        list.AddCommand(QLatin1String(name), QStringLiteral("explore"), QLatin1String(name).toString().toLower(),
                        QStringLiteral("-p"), QStringLiteral("/d"), 5);
    list.Items().resize(count);
    return list;
}

// The manage dialog over a list of tools, with scripted edit dialog and questions.
struct TManageFixture {
    explicit TManageFixture(int count) : List(ThreeTools(count)), Dialog(nullptr, List, Dialogs, Prompts) {}
    TCommandList List;
    TScriptedToolDialogs Dialogs;
    TScriptedPrompts Prompts;
    TDlgCommandListManage Dialog;
};

QStringList Names(const TCommandList& list) {
    QStringList names;
    for (const TCommandListItem& tool : list.Items())
        names << tool.Name;
    return names;
}

QStringList Rows(const QListWidget* view) {
    QStringList rows;
    for (int i = 0; i < view->count(); ++i)
        rows << view->item(i)->text();
    return rows;
}

// Which of Up, Down, Edit, Remove are enabled, as "UDER" with "-" for a disabled one.
QString Enabled(const TDlgCommandListManage& dialog) {
    QString state;
    for (auto [action, letter] : {std::pair{dialog.actMoveUP, 'U'}, std::pair{dialog.actMoveDown, 'D'},
                                  std::pair{dialog.actEditTool, 'E'}, std::pair{dialog.actRemoveTool, 'R'}})
        state += action->isEnabled() ? QLatin1Char(letter) : QLatin1Char('-');
    return state;
}

} // namespace

class TestCommandListDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_english.IsLoaded()); }
    void enableRulesFollowTheFocusedRow_data();
    void enableRulesFollowTheFocusedRow();
    void removeSelectsTheNextRow_data();
    void removeSelectsTheNextRow();
    void addAndEdit();
    void okHandsOverCancelDrops_data();
    void okHandsOverCancelDrops();
    void editDialogFieldsAndOK_data();
    void editDialogFieldsAndOK();
    void editDialogBrowseButtons();
    void editDialogWritesBackOnlyOnOK_data();
    void editDialogWritesBackOnlyOnOK();

private:
    TEnglishTexts m_english;
};

void TestCommandListDialogs::enableRulesFollowTheFocusedRow_data() {
    QTest::addColumn<int>("tools");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("first of three") << 3 << 0 << "-DER";
    QTest::newRow("middle") << 3 << 1 << "UDER";
    QTest::newRow("last") << 3 << 2 << "U-ER";
    QTest::newRow("only row") << 1 << 0 << "--ER";
    QTest::newRow("empty list") << 0 << -1 << "----";
}

void TestCommandListDialogs::enableRulesFollowTheFocusedRow() {
    QFETCH(int, tools);
    QFETCH(int, row);
    QFETCH(QString, enabled);
    TManageFixture fixture(tools);
    TDlgCommandListManage& dialog = fixture.Dialog;
    QCOMPARE(dialog.vstCommandList->currentRow(), tools > 0 ? 0 : -1); // the first row starts focused
    dialog.vstCommandList->setCurrentRow(row);
    QCOMPARE(Enabled(dialog), enabled);
    QVERIFY(dialog.actAddTool->isEnabled());
}

void TestCommandListDialogs::removeSelectsTheNextRow_data() {
    QTest::addColumn<int>("tools");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("first: the next") << 3 << 0 << QStringList{"B", "C"} << 0 << "-DER";
    QTest::newRow("middle: the next") << 3 << 1 << QStringList{"A", "C"} << 1 << "U-ER";
    QTest::newRow("last: the one above") << 3 << 2 << QStringList{"A", "B"} << 1 << "U-ER";
    QTest::newRow("only: empty") << 1 << 0 << QStringList{} << -1 << "----";
}

void TestCommandListDialogs::removeSelectsTheNextRow() {
    QFETCH(int, tools);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    QFETCH(int, focused);
    QFETCH(QString, enabled);
    TManageFixture fixture(tools);
    TDlgCommandListManage& dialog = fixture.Dialog;
    TScriptedPrompts& prompts = fixture.Prompts;
    dialog.vstCommandList->setCurrentRow(row);
    prompts.Answer(TPromptResult::No);
    dialog.actRemoveTool->trigger();
    QCOMPARE(dialog.WorkingList().Count(), tools);
    prompts.Answer(TPromptResult::Yes);
    dialog.actRemoveTool->trigger();
    const TScriptedPrompts::TQuestion question = prompts.Asked().last();
    QCOMPARE(question.Text, QStringLiteral("Remove the tool \"%1\"?").arg(QChar(u'A' + row)));
    QCOMPARE(question.Caption, QStringLiteral("Remove tool"));
    QCOMPARE(question.Buttons, TPromptButtons::YesNo);
    QCOMPARE(question.Icon, TPromptIcon::Warning);
    QCOMPARE(Names(dialog.WorkingList()), left);
    QCOMPARE(Rows(dialog.vstCommandList), left);
    QCOMPARE(dialog.vstCommandList->currentRow(), focused);
    QCOMPARE(Enabled(dialog), enabled);
    QCOMPARE(fixture.List.Count(), tools); // only the working copy changed
}

void TestCommandListDialogs::addAndEdit() {
    TManageFixture fixture(3);
    TDlgCommandListManage& dialog = fixture.Dialog;
    TScriptedToolDialogs& dialogs = fixture.Dialogs;
    // Add starts from an empty tool that opens, shown normally; a cancelled edit adds nothing.
    dialog.actAddTool->trigger();
    QCOMPARE(dialogs.Given.last().Name, QString());
    QCOMPARE(dialogs.Given.last().Operation, QStringLiteral("open"));
    QCOMPARE(dialogs.Given.last().ShowCmd, 1);
    QCOMPARE(dialog.WorkingList().Count(), 3);
    dialogs.Results << TCommandListItem{"D & <d>", {}, "d", "%path%", "/w", 0};
    dialog.actAddTool->trigger();
    QCOMPARE(Rows(dialog.vstCommandList), (QStringList{"A", "B", "C", "D & <d>"}));
    QCOMPARE(dialog.vstCommandList->currentRow(), 3);
    const TCommandListItem added = dialog.WorkingList().Items()[3];
    QCOMPARE(QStringList({added.Name, added.Operation, added.FileName, added.Parameters, added.Directory}),
             (QStringList{"D & <d>", "open", "d", "%path%", "/w"}));
    QCOMPARE(added.ShowCmd, 1);

    // Edit replaces the four fields of the focused tool; operation and show command stay.
    dialog.vstCommandList->setCurrentRow(1);
    dialogs.Results << TCommandListItem{"B2", "ignored", "b2", "-q", "/e", 9};
    dialog.actEditTool->trigger();
    QCOMPARE(dialogs.Given.last().Name, QStringLiteral("B"));
    const TCommandListItem edited = dialog.WorkingList().Items()[1];
    QCOMPARE(QStringList({edited.Name, edited.Operation, edited.FileName, edited.Parameters, edited.Directory}),
             (QStringList{"B2", "explore", "b2", "-q", "/e"}));
    QCOMPARE(edited.ShowCmd, 5);
    QCOMPARE(dialog.vstCommandList->item(1)->text(), QStringLiteral("B2"));
}

void TestCommandListDialogs::okHandsOverCancelDrops_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

// Adding, moving and removing change the list only when the dialog ends with OK.
void TestCommandListDialogs::okHandsOverCancelDrops() {
    QFETCH(bool, ok);
    TCommandList list = ThreeTools();
    TScriptedToolDialogs dialogs;
    dialogs.Results << TCommandListItem{"D", {}, "d", {}, {}, 1};
    TScriptedPrompts prompts;
    prompts.Answer(TPromptResult::Yes);
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<TDlgCommandListManage*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        ran = true;
        dialog->actAddTool->trigger();  // A B C D
        dialog->actMoveUP->trigger();   // A B D C
        dialog->actMoveUP->trigger();   // A D B C
        dialog->actMoveDown->trigger(); // A B D C
        dialog->vstCommandList->setCurrentRow(0);
        dialog->actRemoveTool->trigger(); // B D C
        QCOMPARE(Rows(dialog->vstCommandList), (QStringList{"B", "D", "C"}));
        dialog->findChild<QPushButton*>(ok ? QStringLiteral("btnOK") : QStringLiteral("btnCancel"))->click();
    });
    QCOMPARE(ManageCommandList(nullptr, list, dialogs, prompts), ok);
    QVERIFY(ran);
    QCOMPARE(Names(list), (ok ? QStringList{"B", "D", "C"} : QStringList{"A", "B", "C"}));
    QCOMPARE(list.ListName(), QStringLiteral("Nettools"));
}

void TestCommandListDialogs::editDialogFieldsAndOK_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("new tool") << ""
                              << ""
                              << "Create tool" << false;
    QTest::newRow("name only") << "n"
                               << ""
                               << "Edit tool" << false;
    QTest::newRow("file only") << ""
                               << "f"
                               << "Create tool" << false;
    QTest::newRow("both") << "n"
                          << "f"
                          << "Edit tool" << true;
}

void TestCommandListDialogs::editDialogFieldsAndOK() {
    QFETCH(QString, name);
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QFETCH(bool, okEnabled);
    TScriptedFileDialogs files;
    TDlgCommandListEdit dialog(nullptr, files);
    dialog.SetValues({name, QStringLiteral("open"), fileName, QStringLiteral("-a"), QStringLiteral("/d"), 1});
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.actOK->isEnabled(), okEnabled);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("btnOK"))->isEnabled(), okEnabled);
    // Typing the missing field makes OK possible; clearing one takes it away again.
    dialog.edName->setText(QStringLiteral("x"));
    dialog.edFileName->setText(QStringLiteral("y"));
    QVERIFY(dialog.actOK->isEnabled());
    dialog.edFileName->clear();
    QVERIFY(!dialog.actOK->isEnabled());
    dialog.actOK->trigger();
    QCOMPARE(dialog.result(), int(QDialog::Rejected)); // not accepted while disabled
}

void TestCommandListDialogs::editDialogBrowseButtons() {
    TScriptedFileDialogs files;
    TDlgCommandListEdit dialog(nullptr, files);
    dialog.SetValues({QStringLiteral("n"), QStringLiteral("open"), QStringLiteral("/usr/bin/ping"), {}, {}, 1});
    files.Answers << QString() << QStringLiteral("/opt/tool") << QStringLiteral("/srv/work");
    dialog.btnFileName->click(); // cancelled: nothing changes
    QCOMPARE(dialog.edFileName->text(), QStringLiteral("/usr/bin/ping"));
    dialog.btnFileName->click();
    QCOMPARE(dialog.edFileName->text(), QStringLiteral("/opt/tool"));
    dialog.btnDirectory->click();
    QCOMPARE(dialog.edDirectory->text(), QStringLiteral("/srv/work"));
    QCOMPARE(files.Calls, (QStringList{"open|Choose a program|All files (*)||/usr/bin/ping",
                                       "open|Choose a program|All files (*)||/usr/bin/ping",
                                       "folder|Choose a working directory|||"}));
    TCommandListItem tool{{}, QStringLiteral("explore"), {}, {}, {}, 7};
    dialog.ReadValues(tool);
    QCOMPARE(QStringList({tool.Name, tool.Operation, tool.FileName, tool.Parameters, tool.Directory}),
             (QStringList{"n", "explore", "/opt/tool", "", "/srv/work"}));
    QCOMPARE(tool.ShowCmd, 7);
}

void TestCommandListDialogs::editDialogWritesBackOnlyOnOK_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestCommandListDialogs::editDialogWritesBackOnlyOnOK() {
    QFETCH(bool, ok);
    TScriptedFileDialogs files;
    TCommandListItem tool{QStringLiteral("n"),  QStringLiteral("explore"), QStringLiteral("f"),
                          QStringLiteral("-p"), QStringLiteral("/d"),      4};
    bool ran = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<TDlgCommandListEdit*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        ran = true;
        QCOMPARE(dialog->edParameters->text(), QStringLiteral("-p"));
        dialog->edName->setText(QStringLiteral("n2"));
        dialog->edDirectory->setText(QStringLiteral("/d2"));
        dialog->findChild<QPushButton*>(ok ? QStringLiteral("btnOK") : QStringLiteral("btnCancel"))->click();
    });
    QCOMPARE(ExecuteCommandListEditDialog(nullptr, files, tool), ok);
    QVERIFY(ran);
    QCOMPARE(QStringList({tool.Name, tool.Operation, tool.FileName, tool.Parameters, tool.Directory}),
             (ok ? QStringList{"n2", "explore", "f", "-p", "/d2"} : QStringList{"n", "explore", "f", "-p", "/d"}));
    QCOMPARE(tool.ShowCmd, 4);
}

QTEST_MAIN(TestCommandListDialogs)
#include "TestCommandListDialogs.moc"
