#include "LangChanger.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uFormat.h"
#include "uProgramOptions.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A pass that reports only when the test says so.
class TFakeStatePass : public IComputerStatePass {
public:
    void Start(const QStringList& names, TResultHandler onResult, THardwareAddressHandler onHardwareAddress,
               TDoneHandler onDone) override {
        Names = names;
        m_onResult = std::move(onResult);
        m_onHardwareAddress = std::move(onHardwareAddress);
        m_onDone = std::move(onDone);
    }
    void Detach() override {
        Detached = true;
        m_onResult = {};
        m_onHardwareAddress = {};
        m_onDone = {};
    }
    void Report(const QString& name, bool reachable) {
        if (m_onResult)
            m_onResult(name, reachable);
    }
    void ReportHardwareAddress(const QString& name, const QString& hardwareAddress) {
        if (m_onHardwareAddress)
            m_onHardwareAddress(name, hardwareAddress);
    }
    void End() {
        if (m_onDone)
            m_onDone();
    }

    QStringList Names;
    bool Detached = false;

private:
    TResultHandler m_onResult;
    THardwareAddressHandler m_onHardwareAddress;
    TDoneHandler m_onDone;
};

// A list with scripted prompts and dialogs, both of its models checked by the model tester.
struct TFixture {
    TProgramOptions Options;
    TScriptedPrompts Prompts;
    TScriptedEntryDialogs Dialogs;
    TComputerList List{Options, Prompts, Dialogs};
    QAbstractItemModelTester SourceTester{&List, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QAbstractItemModelTester ViewTester{List.ViewModel(), QAbstractItemModelTester::FailureReportingMode::QtTest};

    TComputerObject* Computer(const QString& name, TGroupObject* parent = nullptr) {
        return List.NewComputer(name, QString(), parent);
    }
    TGroupObject* Group(const QString& name, TGroupObject* parent = nullptr) {
        return List.NewGroup(name, QString(), parent);
    }
    void Select(const QList<TPreObject*>& entries) {
        List.SelectionModel()->clearSelection();
        for (const TPreObject* entry : entries)
            List.SelectionModel()->select(List.NodeOf(entry), QItemSelectionModel::Select);
    }
    QStringList Names(const TEntryList& items) const {
        QStringList names;
        for (const auto& item : items)
            names.append(item->Name());
        return names;
    }
    QStringList TreeOrderNames() const {
        QStringList names;
        const QList<TPreObject*> order = List.TreeOrder();
        for (const TPreObject* entry : order)
            names.append(entry->Name());
        return names;
    }
};

} // namespace

class TestComputerList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void groupCaptionsCountTheWholeSubtree();
    void statusImageIsUnknownUntilTheFirstAnswer();
    void computerCaption_data();
    void computerCaption();
    void letterCaseRules();
    void statusFollowsRenamesMovesAndDeletions();
    void passResultsAreRepaintedTogether();
    void treeOrderFollowsTheCompareRule();
    void checkBoxesPropagate();
    void addSelectsFocusesAndShows();
    void dialogsAddAndEdit();
    void deleteSelected_data();
    void deleteSelected();
    void deleteGroupWithOneOfItsComputersSelected();
    void deleteAllAsksFirst();
    void dragOverRefusesDescendantsOfTheSelection();
    void dropBelowGroupMakesFirstChildrenInOrder();
    void dropBeforeAndAfter();
    void dropNeverPutsAGroupInsideItself();
    void newGroupName();
    void newGroupNameEndsWithoutANumberInTheFormat();
    void modifiedOnlyByEdits();
    void learnedHardwareAddress_data();
    void learnedHardwareAddress();
    void dialogsEditTheHardwareAddress();
    void updateStateOnEmptyList();
    void updateStateRunsOnePassAtATime();
    void destroyingTheListDetachesThePass();
    void incrementalSearch();
    void bulkBuildInsideAnUpdateBracket();
    void anyNameIsAccepted();
};

// The messages come from a copy of the shipped English file (the changer rewrites its file).
void TestComputerList::initTestCase() {
    static QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("english.lng"));
    QVERIFY(QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"), file));
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(file);
    SetCurrentLangChanger(changer);
    LoadMessageTable();
    QCOMPARE(LangStr(QStringLiteral("sNewGroup")), QStringLiteral("New group"));
}

void TestComputerList::cleanupTestCase() {
    SetCurrentLangChanger(nullptr);
    LoadMessageTable();
}

void TestComputerList::groupCaptionsCountTheWholeSubtree() {
    TFixture f;
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    TGroupObject* inner = f.Group(QStringLiteral("Inner"), outer);
    f.Computer(QStringLiteral("pc1"), inner)->SetChecked(true);
    f.Computer(QStringLiteral("pc2"), inner);
    f.Computer(QStringLiteral("pc3"), inner);
    f.List.SetComputerStatus(QStringLiteral("pc3"), false);

    QCOMPARE(outer->GetCaption(), QStringLiteral("Outer (1/2/3)"));
    QCOMPARE(inner->GetCaption(), QStringLiteral("Inner (1/2/3)"));
    QCOMPARE(f.List.NodeOf(inner).data().toString(), QStringLiteral("Inner (1/2/3)"));
    QCOMPARE(f.List.NodeOf(inner).data(TComputerList::ImageIndexRole).toInt(), 0);
    QCOMPARE(f.List.NodeOf(f.List.FindComputer(QStringLiteral("pc3"))).data(TComputerList::ImageIndexRole).toInt(), 1);
    // pc2 has not answered yet: neither image claims to know.
    QCOMPARE(f.List.NodeOf(f.List.FindComputer(QStringLiteral("pc2"))).data(TComputerList::ImageIndexRole).toInt(), 3);

    // Counts are taken at every request: a change shows at once, also in the outer group.
    QSignalSpy changed(f.List.ViewModel(), &QAbstractItemModel::dataChanged);
    f.List.SetComputerStatus(QStringLiteral("pc3"), true);
    f.List.FindComputer(QStringLiteral("pc2"))->SetChecked(true);
    QCOMPARE(f.List.NodeOf(outer).data().toString(), QStringLiteral("Outer (2/3/3)"));
    QVERIFY(!changed.isEmpty());
}

void TestComputerList::statusImageIsUnknownUntilTheFirstAnswer() {
    TFixture f;
    TComputerObject* fresh = f.Computer(QStringLiteral("fresh"));
    TComputerObject* stored = f.Computer(QStringLiteral("stored"));
    stored->SetStatus(0); // as a list file left it
    const auto image = [&f](const TPreObject* entry) {
        return f.List.NodeOf(entry).data(TComputerList::ImageIndexRole).toInt();
    };
    QCOMPARE(image(fresh), 3);
    QCOMPARE(image(stored), 3);
    QCOMPARE(fresh->Status(), 1); // what the file keeps stays as it was
    QCOMPARE(stored->Status(), 0);

    // The first answer repaints even where it agrees with the stored status.
    QSignalSpy changed(&f.List, &QAbstractItemModel::dataChanged);
    f.List.SetComputerStatus(QStringLiteral("fresh"), true);
    QCOMPARE(changed.size(), 1);
    f.List.SetComputerStatus(QStringLiteral("stored"), false);
    QCOMPARE(image(fresh), 2);
    QCOMPARE(image(stored), 1);
    QVERIFY(fresh->StatusKnown() && stored->StatusKnown());
    // A repeated answer changes nothing.
    changed.clear();
    f.List.SetComputerStatus(QStringLiteral("fresh"), true);
    QVERIFY(changed.isEmpty());
}

void TestComputerList::computerCaption_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0 without description") << 0 << QString() << "srv";
    QTest::newRow("0") << 0 << "Mail"
                       << "srv (Mail)";
    QTest::newRow("1 without description") << 1 << QString() << "srv";
    QTest::newRow("1") << 1 << "Mail"
                       << "Mail (srv)";
    QTest::newRow("2") << 2 << "Mail"
                       << "srv";
    QTest::newRow("3") << 3 << "Mail"
                       << "Mail";
    QTest::newRow("3 without description") << 3 << QString() << "srv";
    QTest::newRow("unknown") << 200 << "Mail"
                             << "srv";
}

void TestComputerList::computerCaption() {
    QFETCH(int, style);
    QFETCH(QString, description);
    QFETCH(QString, expected);
    QCOMPARE(FormatComputerCaption(QStringLiteral("srv"), description, style), expected);
    TFixture f;
    f.Options.ComputerCaptionStyle = static_cast<quint8>(style);
    QCOMPARE(f.List.NewComputer(QStringLiteral("srv"), description, nullptr)->GetCaption(), expected);
}

void TestComputerList::letterCaseRules() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("Lab"));
    TComputerObject* lower = f.Computer(QStringLiteral("pc1"), group);
    TComputerObject* upper = f.Computer(QStringLiteral("PC1"));

    f.List.SetComputerStatus(QStringLiteral("pc1"), false);
    QCOMPARE(lower->Status(), 0);
    QCOMPARE(upper->Status(), 1);
    // Depth first in list order: the one inside the first group comes first.
    QCOMPARE(f.List.FindComputer(QStringLiteral("PC1")), lower);
    QCOMPARE(f.List.FindGroup(QStringLiteral("LAB")), group);
    QCOMPARE(f.List.FindGroup(QStringLiteral("pc1")), nullptr);
    QCOMPARE(f.List.FindComputer(QStringLiteral("Lab")), nullptr);

    QStringList names{QStringLiteral("before")};
    f.List.GetComputerNames(names);
    QCOMPARE(names, (QStringList{"before", "pc1", "PC1"}));
}

void TestComputerList::statusFollowsRenamesMovesAndDeletions() {
    TFixture f;
    TGroupObject* lab = f.Group(QStringLiteral("Lab"));
    TComputerObject* top = f.Computer(QStringLiteral("pc"));
    TComputerObject* inLab = f.Computer(QStringLiteral("pc"), lab);
    TComputerObject* other = f.Computer(QStringLiteral("other"));
    f.List.SetComputerStatus(QStringLiteral("pc"), false);
    QCOMPARE((QList<qint32>{top->Status(), inLab->Status(), other->Status()}), (QList<qint32>{0, 0, 1}));

    // A renamed entry answers to its new name only.
    other->SetName(QStringLiteral("pc"));
    top->SetName(QStringLiteral("renamed"));
    f.List.SetComputerStatus(QStringLiteral("pc"), true);
    QCOMPARE((QList<qint32>{top->Status(), inLab->Status(), other->Status()}), (QList<qint32>{0, 1, 1}));

    // A moved entry is still found; a deleted one is never touched again.
    f.Select({inLab});
    f.List.MoveItem(top, TDropPosition::Below);
    TComputerObject* added = f.Computer(QStringLiteral("pc"), lab);
    f.List.DeleteItem(other);
    f.List.SetComputerStatus(QStringLiteral("pc"), false);
    QCOMPARE((QList<qint32>{inLab->Status(), added->Status()}), (QList<qint32>{0, 0}));
    f.List.DeleteItem(lab);
    f.List.SetComputerStatus(QStringLiteral("pc"), true);
    f.List.SetComputerStatus(QStringLiteral("renamed"), true);
    QCOMPARE(top->Status(), 1);
}

void TestComputerList::passResultsAreRepaintedTogether() {
    TFixture f;
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    TGroupObject* inner = f.Group(QStringLiteral("Inner"), outer);
    QList<TComputerObject*> computers;
    for (int i = 0; i < 6; ++i)
        computers.append(f.Computer(QStringLiteral("pc%1").arg(i), i < 4 ? inner : nullptr));
    QSignalSpy changed(&f.List, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 6; ++i)
        f.List.ApplyPassResult(QStringLiteral("pc%1").arg(i), i == 2);
    // The statuses are there at once; the views hear of them together at the next turn of the event loop.
    QCOMPARE(computers[0]->Status(), 0);
    QCOMPARE(computers[2]->Status(), 1);
    QVERIFY(changed.isEmpty());
    QTRY_COMPARE(changed.size(), 4);
    const auto rowsOf = [&](int signal) {
        return std::pair(changed[signal][0].toModelIndex().row(), changed[signal][1].toModelIndex().row());
    };
    QSet<QModelIndex> repainted;
    for (int i = 0; i < changed.size(); ++i)
        repainted.insert(changed[i][0].toModelIndex());
    QVERIFY(repainted.contains(f.List.index(0, 0, f.List.index(0, 0))));
    QVERIFY(rowsOf(0) == std::pair(0, 3) || rowsOf(1) == std::pair(0, 3)); // pc0, pc1 and pc3 changed in Inner
    QCOMPARE(f.List.NodeOf(outer).data().toString(), QStringLiteral("Outer (0/1/4)"));

    // Entries that go before the repaint are repainted first, never after they are gone.
    changed.clear();
    f.List.ApplyPassResult(QStringLiteral("pc4"), true);
    f.List.DeleteItem(computers[4]);
    QCOMPARE(changed.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(computers[5]->Status(), 0);
}

void TestComputerList::treeOrderFollowsTheCompareRule() {
    TFixture f;
    f.Computer(QStringLiteral("b"));
    f.Computer(QStringLiteral("_x"));
    f.Computer(QStringLiteral("A"));
    TGroupObject* zeta = f.Group(QStringLiteral("zeta"));
    f.Computer(QStringLiteral("a2"));
    f.Computer(QStringLiteral("z2"), zeta);
    f.Computer(QStringLiteral("Z1"), zeta);
    TGroupObject* alpha = f.Group(QStringLiteral("Alpha"));
    zeta->SetExpanded(true);
    alpha->SetExpanded(true);
    // Groups first; ASCII letters folded to upper case, so "_" sorts after the letters.
    QCOMPARE(f.TreeOrderNames(), (QStringList{"Alpha", "zeta", "Z1", "z2", "A", "a2", "b", "_x"}));
    // The list order stays the order of making.
    QCOMPARE(f.Names(f.List.Items()), (QStringList{"b", "_x", "A", "zeta", "a2", "Alpha"}));

    // Captions carry the counts, so a group's place changes with them.
    f.Computer(QStringLiteral("w"), alpha);
    TGroupObject* alpha2 = f.Group(QStringLiteral("Alpha"));
    f.Computer(QStringLiteral("x"), alpha2);
    f.List.SetComputerStatus(QStringLiteral("w"), false);
    QCOMPARE(f.List.TreeOrder().mid(0, 3), (QList<TPreObject*>{alpha, alpha->Items().front().get(), alpha2}));
    f.List.SetComputerStatus(QStringLiteral("w"), true);
    f.List.SetComputerStatus(QStringLiteral("x"), false);
    QCOMPARE(f.List.TreeOrder().mid(0, 3), (QList<TPreObject*>{alpha2, alpha2->Items().front().get(), alpha}));
}

void TestComputerList::checkBoxesPropagate() {
    TFixture f;
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    TGroupObject* inner = f.Group(QStringLiteral("Inner"), outer);
    TComputerObject* a = f.Computer(QStringLiteral("a"), inner);
    TComputerObject* b = f.Computer(QStringLiteral("b"), inner);
    TGroupObject* empty = f.Group(QStringLiteral("Empty"), outer);

    // Checking through the view, as a click does, checks everything inside.
    QVERIFY(f.List.ViewModel()->setData(f.List.NodeOf(outer), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(a->CheckState(), Qt::Checked);
    QCOMPARE(b->CheckState(), Qt::Checked);
    QCOMPARE(empty->CheckState(), Qt::Checked);
    QCOMPARE(outer->CheckState(), Qt::Checked);

    b->SetChecked(false);
    QCOMPARE(inner->CheckState(), Qt::PartiallyChecked);
    QCOMPARE(outer->CheckState(), Qt::PartiallyChecked);
    QCOMPARE(f.List.NodeOf(outer).data(Qt::CheckStateRole).toInt(), int(Qt::PartiallyChecked));
    QCOMPARE(outer->GetCaption(), QStringLiteral("Outer (1/2/2)"));

    // An empty group keeps its own state and counts for its parent like a child.
    a->SetChecked(false);
    QCOMPARE(empty->CheckState(), Qt::Checked);
    QCOMPARE(outer->CheckState(), Qt::PartiallyChecked);
    empty->SetChecked(false);
    QCOMPARE(outer->CheckState(), Qt::Unchecked);
    TGroupObject* alone = f.Group(QStringLiteral("Alone"));
    alone->SetChecked(true);
    QCOMPARE(alone->CheckState(), Qt::Checked);
    QCOMPARE(f.List.NodeOf(alone).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void TestComputerList::addSelectsFocusesAndShows() {
    TFixture f;
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    TGroupObject* inner = f.Group(QStringLiteral("Inner"), outer);
    f.Select({outer});
    QSignalSpy expanded(&f.List, &TComputerList::ExpandedChanged);

    TComputerObject* pc = f.List.AddComputer(QStringLiteral("pc"), QStringLiteral("desc"), inner, ucFollowingUser,
                                             QStringLiteral("admin"), QStringLiteral("secret"));
    QCOMPARE(pc->ParentGroup(), inner);
    QCOMPARE(pc->Status(), 1);
    QCOMPARE(pc->UserConnectAs(), ucFollowingUser);
    QCOMPARE(pc->UserName(), QStringLiteral("admin"));
    QCOMPARE(pc->UserPassword(), QStringLiteral("secret"));
    QCOMPARE(pc->MacAddress(), QString());
    QCOMPARE(f.List.GetFocusedComputer(), pc);
    QCOMPARE(f.List.GetFocusedComputerName(), QStringLiteral("pc"));
    QCOMPARE(f.List.SelectionModel()->selectedIndexes(), QModelIndexList{f.List.NodeOf(pc)});
    QVERIFY(outer->IsExpanded());
    QVERIFY(inner->IsExpanded());
    QCOMPARE(expanded.size(), 2);
    QCOMPARE(f.List.GetSelectedGroup(), inner);

    TGroupObject* group = f.List.AddGroup(QStringLiteral("G"), ucPromptUser, nullptr, {}, {});
    QCOMPARE(group->UserConnectAs(), ucPromptUser);
    QCOMPARE(group->Description(), QString());
    QCOMPARE(f.List.GetSelectedGroup(), group);
    QCOMPARE(f.List.GetFocusedComputer(), nullptr);
    QCOMPARE(f.List.GetFocusedComputerName(), QString());
}

void TestComputerList::dialogsAddAndEdit() {
    TFixture f;
    TGroupObject* lab = f.Group(QStringLiteral("Lab"));
    TComputerObject* pc = f.Computer(QStringLiteral("pc"), lab);
    f.Select({pc});

    // A new computer goes into the group of the selection, the dialog opened empty.
    f.Dialogs.Accept({QStringLiteral("new"), QStringLiteral("d"), ucCurrentUser, {}, {}, {}});
    f.List.AddComputerWithDialog();
    TComputerObject* added = f.List.FindComputer(QStringLiteral("new"));
    QVERIFY(added);
    QCOMPARE(added->ParentGroup(), lab);
    QCOMPARE(added->UserConnectAs(), ucCurrentUser);
    QCOMPARE(f.Dialogs.Calls().at(0).Opened.Name, QString());
    QCOMPARE(f.Dialogs.Calls().at(0).Opened.Mode, ucInherited);

    // A new group is always top-level and is proposed the new group name.
    const QString proposal = f.List.GetNewGroupName();
    f.Dialogs.Accept({QStringLiteral("Group2"), {}, ucInherited, {}, {}, {}});
    f.List.AddGroupWithDialog();
    QCOMPARE(f.Dialogs.Calls().at(1).Opened.Name, proposal);
    QVERIFY(f.Dialogs.Calls().at(1).Group && f.Dialogs.Calls().at(1).Add);
    QCOMPARE(f.List.FindGroup(QStringLiteral("Group2"))->ParentGroup(), nullptr);

    // Editing a group writes back name and credentials, never its description or status.
    lab->SetDescription(QStringLiteral("kept"));
    lab->SetStatus(7);
    f.Select({lab, pc});
    f.Dialogs.Accept({QStringLiteral("Lab2"),
                      QStringLiteral("ignored"),
                      ucFollowingUser,
                      QStringLiteral("u"),
                      QStringLiteral("p"),
                      {}});
    f.List.EditSelected();
    QVERIFY(!f.Dialogs.Calls().at(2).Add);
    QCOMPARE(f.Dialogs.Calls().at(2).Opened.Name, QStringLiteral("Lab"));
    QCOMPARE(lab->Name(), QStringLiteral("Lab2"));
    QCOMPARE(lab->Description(), QStringLiteral("kept"));
    QCOMPARE(lab->Status(), 7);
    QCOMPARE(lab->UserName(), QStringLiteral("u"));
    QCOMPARE(f.List.NodeOf(lab).data().toString(), QStringLiteral("Lab2 (0/2/2)"));

    // A cancelled edit changes nothing.
    f.Select({pc});
    f.Dialogs.Cancel();
    f.List.EditSelected();
    QCOMPARE(pc->Name(), QStringLiteral("pc"));
    QCOMPARE(f.Dialogs.Calls().at(3).Opened.Name, QStringLiteral("pc"));
}

void TestComputerList::deleteSelected_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<TPromptResult>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::newRow("one, OK") << 1 << TPromptResult::OK << "sDeleteSelectedInList1"
                             << "sDeleteComputerTitle" << 2;
    QTest::newRow("two, OK") << 2 << TPromptResult::OK << "sDeleteSelectedInList"
                             << "sDeleteComputerMTitle" << 1;
    QTest::newRow("two, Cancel") << 2 << TPromptResult::Cancel << "sDeleteSelectedInList"
                                 << "sDeleteComputerMTitle" << 3;
}

void TestComputerList::deleteSelected() {
    QFETCH(int, selected);
    QFETCH(TPromptResult, answer);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(int, left);
    TFixture f;
    QList<TPreObject*> entries{f.Computer(QStringLiteral("a")), f.Computer(QStringLiteral("b")),
                               f.Computer(QStringLiteral("c"))};
    f.Select(entries.mid(0, selected));
    f.Prompts.Answer(answer);
    f.List.DeleteSelected();
    QCOMPARE(f.Prompts.Asked().at(0).Text, Format(LangStr(text), {selected}));
    QCOMPARE(f.Prompts.Asked().at(0).Caption, LangStr(caption));
    QCOMPARE(f.Prompts.Asked().at(0).Buttons, TPromptButtons::OKCancel);
    QCOMPARE(f.Prompts.Asked().at(0).Icon, TPromptIcon::Warning);
    QCOMPARE(int(f.List.Items().size()), left);
    QCOMPARE(f.List.Modified(), answer == TPromptResult::OK);

    // Without a selection nothing is asked.
    f.List.SelectionModel()->clearSelection();
    f.List.DeleteSelected();
    QCOMPARE(f.Prompts.Asked().size(), 1);
}

void TestComputerList::deleteGroupWithOneOfItsComputersSelected() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("G"));
    TGroupObject* nested = f.Group(QStringLiteral("N"), group);
    TComputerObject* inside = f.Computer(QStringLiteral("in"), nested);
    f.Computer(QStringLiteral("other"), group);
    f.Computer(QStringLiteral("stays"));
    f.Select({inside, group});
    f.Prompts.Answer(TPromptResult::OK);
    f.List.DeleteSelected();
    // The count is that of the selected nodes; the computer goes once, with its group.
    QCOMPARE(f.Prompts.Asked().at(0).Text, Format(LangStr(QStringLiteral("sDeleteSelectedInList")), {2}));
    QCOMPARE(f.Names(f.List.Items()), QStringList{"stays"});
    QCOMPARE(f.List.FindComputer(QStringLiteral("in")), nullptr);
    QVERIFY(!f.List.HasSelection());
}

void TestComputerList::deleteAllAsksFirst() {
    TFixture f;
    f.List.SetFileName(QStringLiteral("/tmp/x.dvl"));
    f.Group(QStringLiteral("G"));
    f.Prompts.Answer(TPromptResult::Cancel);
    f.List.DeleteAll();
    QVERIFY(f.List.HasItems());
    QVERIFY(!f.List.Modified());
    f.Prompts.Answer(TPromptResult::OK);
    f.List.DeleteAll();
    QVERIFY(!f.List.HasItems());
    QVERIFY(f.List.Modified());
    QCOMPARE(f.List.FileName(), QStringLiteral("/tmp/x.dvl"));
    QCOMPARE(f.Prompts.Asked().at(0).Text, LangStr(QStringLiteral("sComputerListClear")));
    QCOMPARE(f.Prompts.Asked().at(0).Caption, LangStr(QStringLiteral("sComputerListClearTitle")));
    QCOMPARE(f.Prompts.Asked().at(0).Icon, TPromptIcon::Question);
}

void TestComputerList::dragOverRefusesDescendantsOfTheSelection() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("G"));
    TGroupObject* nested = f.Group(QStringLiteral("N"), group);
    TComputerObject* deep = f.Computer(QStringLiteral("deep"), nested);
    TComputerObject* outside = f.Computer(QStringLiteral("outside"));
    f.Select({group});
    QVERIFY(!f.List.CanDropOn(nested));
    QVERIFY(!f.List.CanDropOn(deep));
    QVERIFY(!f.List.CanDropOn(nullptr));
    QVERIFY(f.List.CanDropOn(outside));
    QVERIFY(f.List.CanDropOn(group));

    // A drop there anyway, or on the first selected node, changes nothing.
    f.List.MoveItem(deep, TDropPosition::Below);
    f.List.MoveItem(group, TDropPosition::On);
    QCOMPARE(group->ParentGroup(), nullptr);
    QCOMPARE(f.Names(f.List.Items()), (QStringList{"G", "outside"}));
    QCOMPARE(f.Names(group->Items()), QStringList{"N"});
}

void TestComputerList::dropBelowGroupMakesFirstChildrenInOrder() {
    TFixture f;
    TGroupObject* target = f.Group(QStringLiteral("Target"));
    f.Computer(QStringLiteral("old"), target);
    // List order b, a; tree order a, b: the moved entries keep the tree order.
    TComputerObject* b = f.Computer(QStringLiteral("b"));
    TComputerObject* a = f.Computer(QStringLiteral("a"));
    TGroupObject* other = f.Group(QStringLiteral("Other"));
    TComputerObject* c = f.Computer(QStringLiteral("c"), other);
    f.Select({b, a, c});
    QSignalSpy moved(&f.List, &QAbstractItemModel::layoutChanged);

    f.List.MoveItem(target, TDropPosition::Below);
    // Tree order: Other's c, then a and b.
    QCOMPARE(f.Names(target->Items()), (QStringList{"c", "a", "b", "old"}));
    QCOMPARE(a->ParentGroup(), target);
    QCOMPARE(f.Names(f.List.Items()), (QStringList{"Target", "Other"}));
    QVERIFY(other->Items().empty());
    QVERIFY(target->IsExpanded());
    QCOMPARE(moved.size(), 1);
    // The moved entries stay selected; moves do not count as changes.
    QCOMPARE(f.List.SelectionModel()->selectedIndexes().size(), 3);
    QVERIFY(!f.List.Modified());
    QCOMPARE(target->GetCaption(), QStringLiteral("Target (0/4/4)"));
}

void TestComputerList::dropBeforeAndAfter() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("G"));
    TComputerObject* x = f.Computer(QStringLiteral("x"), group);
    f.Computer(QStringLiteral("y"), group);
    TComputerObject* m = f.Computer(QStringLiteral("m"));
    TComputerObject* n = f.Computer(QStringLiteral("n"));

    f.Select({m, n});
    f.List.MoveItem(x, TDropPosition::Above);
    QCOMPARE(f.Names(group->Items()), (QStringList{"m", "n", "x", "y"}));
    f.Select({m});
    f.List.MoveItem(x, TDropPosition::On);
    QCOMPARE(f.Names(group->Items()), (QStringList{"n", "x", "m", "y"}));
    // Above a group is beside it, not inside.
    f.Select({n});
    f.List.MoveItem(group, TDropPosition::Above);
    QCOMPARE(f.Names(f.List.Items()), (QStringList{"n", "G"}));
    QCOMPARE(n->ParentGroup(), nullptr);
}

void TestComputerList::dropNeverPutsAGroupInsideItself() {
    TFixture f;
    TComputerObject* pc = f.Computer(QStringLiteral("pc"));
    TGroupObject* group = f.Group(QStringLiteral("G"));
    // Tree order: G first; dropping on pc moves G after pc, then pc after G: both stay top-level.
    f.Select({group, pc});
    f.List.MoveItem(pc, TDropPosition::On);
    QCOMPARE(f.Names(f.List.Items()), (QStringList{"G", "pc"}));
    // Dropping on the selected group (not the first selected) would make it its own child.
    TComputerObject* first = f.Computer(QStringLiteral("a"));
    TGroupObject* early = f.Group(QStringLiteral("A"));
    f.Select({early, first, group});
    f.List.MoveItem(group, TDropPosition::On);
    QCOMPARE(group->ParentGroup(), nullptr);
    QCOMPARE(early->ParentGroup(), group);
    QCOMPARE(first->ParentGroup(), nullptr);
}

void TestComputerList::newGroupName() {
    TFixture f;
    const QString base = LangStr(QStringLiteral("sNewGroup"));
    const auto numbered = [&](int n) { return Format(LangStr(QStringLiteral("sNewGroupNameFormat")), {base, n}); };
    QCOMPARE(f.List.GetNewGroupName(), base);
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    f.Group(base.toUpper(), outer);
    f.Group(numbered(1));
    QCOMPARE(f.List.GetNewGroupName(), QStringLiteral("New group (2)"));
    // Computers do not count.
    f.Computer(numbered(2));
    QCOMPARE(f.List.GetNewGroupName(), numbered(2));
}

void TestComputerList::newGroupNameEndsWithoutANumberInTheFormat() {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("broken.lng")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Translations]\r\nsNewGroup=Group\r\nsNewGroupNameFormat=Group\r\n");
    file.close();
    const std::shared_ptr<TLangChanger> english = CurrentLangChanger();
    auto broken = std::make_shared<TLangChanger>();
    broken->SetLangFile(file.fileName());
    SetCurrentLangChanger(broken);
    LoadMessageTable();
    TFixture f;
    f.Group(QStringLiteral("group"));
    const QString name = f.List.GetNewGroupName();
    SetCurrentLangChanger(english);
    LoadMessageTable();
    QCOMPARE(name, QStringLiteral("Group"));
}

void TestComputerList::modifiedOnlyByEdits() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("G"));
    TComputerObject* pc = f.Computer(QStringLiteral("pc"), group);
    TComputerObject* other = f.Computer(QStringLiteral("other"));
    pc->SetChecked(true);
    group->SetExpanded(true);
    f.List.CollapseAll();
    f.List.ExpandAll();
    f.List.SetComputerStatus(QStringLiteral("pc"), false);
    f.Select({other});
    f.List.MoveItem(group, TDropPosition::On);
    pc->SetName(QStringLiteral("renamed"));
    f.Dialogs.Cancel();
    f.List.EditSelected();
    QVERIFY(!f.List.Modified());
    f.List.DeleteItem(other);
    QVERIFY(f.List.Modified());

    TFixture g;
    g.List.AddGroup(QStringLiteral("G"), ucInherited, nullptr, {}, {});
    QVERIFY(g.List.Modified());
}

void TestComputerList::learnedHardwareAddress_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("learned");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("modified");
    const QString address = QStringLiteral("00-1A-2B-3C-4D-5E");
    QTest::newRow("none known yet") << "" << address << address << true;
    QTest::newRow("the same") << address << address << address << false;
    QTest::newRow("the same, typed in another form") << "00:1a:2b:3c:4d:5e" << address << "00:1a:2b:3c:4d:5e" << false;
    QTest::newRow("another adapter now") << "00-1A-2B-3C-4D-5F" << address << address << true;
    QTest::newRow("unreadable in the file") << "garbage" << address << address << true;
    QTest::newRow("nothing learned") << address << "" << address << false;
}

// A pass reports what it learned for a name; every computer of that name takes it, and only a new value
// is an unsaved change.
void TestComputerList::learnedHardwareAddress() {
    QFETCH(QString, stored);
    QFETCH(QString, learned);
    QFETCH(QString, kept);
    QFETCH(bool, modified);
    auto pass = std::make_unique<TFakeStatePass>();
    TFixture f;
    TComputerObject* first = f.Computer(QStringLiteral("pc"));
    TComputerObject* second = f.Computer(QStringLiteral("pc"), f.Group(QStringLiteral("G")));
    TComputerObject* other = f.Computer(QStringLiteral("other"));
    for (TComputerObject* computer : {first, second, other})
        computer->SetMacAddress(stored);
    f.List.SetStatePassFactory([&]() -> IComputerStatePass* { return pass.get(); });
    f.List.UpdateState();
    pass->Report(QStringLiteral("pc"), true);
    pass->ReportHardwareAddress(QStringLiteral("pc"), learned);
    pass->End();
    QCOMPARE(first->MacAddress(), kept);
    QCOMPARE(second->MacAddress(), kept);
    QCOMPARE(other->MacAddress(), stored);
    QCOMPARE(f.List.Modified(), modified);
}

void TestComputerList::dialogsEditTheHardwareAddress() {
    TFixture f;
    f.Dialogs.Accept({QStringLiteral("new"), {}, ucInherited, {}, {}, QStringLiteral("00-1A-2B-3C-4D-5E")});
    f.List.AddComputerWithDialog();
    TComputerObject* added = f.List.FindComputer(QStringLiteral("new"));
    QVERIFY(added);
    QCOMPARE(added->MacAddress(), QStringLiteral("00-1A-2B-3C-4D-5E"));

    f.Select({added});
    f.Dialogs.Accept({QStringLiteral("new"), {}, ucInherited, {}, {}, {}});
    f.List.EditSelected();
    QCOMPARE(f.Dialogs.Calls().at(1).Opened.HardwareAddress, QStringLiteral("00-1A-2B-3C-4D-5E"));
    QCOMPARE(added->MacAddress(), QString());
}

void TestComputerList::updateStateOnEmptyList() {
    TFixture f;
    int made = 0;
    f.List.SetStatePassFactory([&]() -> IComputerStatePass* {
        ++made;
        return nullptr;
    });
    QSignalSpy started(&f.List, &TComputerList::OnUpdateStateStart);
    QSignalSpy done(&f.List, &TComputerList::OnUpdateStateDone);
    f.List.UpdateState();
    f.Group(QStringLiteral("only a group"));
    f.List.SetStatePassFactory({});
    f.List.UpdateState();
    QCOMPARE(made, 0);
    // Without a monitor a pass starts and ends at once.
    QCOMPARE(started.size(), 1);
    QCOMPARE(done.size(), 1);
    QCOMPARE(f.List.StateThread(), nullptr);
}

void TestComputerList::updateStateRunsOnePassAtATime() {
    auto pass = std::make_unique<TFakeStatePass>(); // outlives the list, as a running pass does
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("G"));
    TComputerObject* a = f.Computer(QStringLiteral("pc"), group);
    TComputerObject* b = f.Computer(QStringLiteral("pc"));
    f.Computer(QStringLiteral("PC"));
    int made = 0;
    f.List.SetStatePassFactory([&]() -> IComputerStatePass* {
        ++made;
        return pass.get();
    });
    QSignalSpy started(&f.List, &TComputerList::OnUpdateStateStart);
    QSignalSpy done(&f.List, &TComputerList::OnUpdateStateDone);

    f.List.UpdateState();
    QCOMPARE(started.size(), 1);
    QCOMPARE(f.List.StateThread(), pass.get());
    QCOMPARE(pass->Names, (QStringList{"pc", "pc", "PC"}));
    f.List.UpdateState();
    QCOMPARE(made, 1);

    pass->Report(QStringLiteral("pc"), false);
    QCOMPARE(a->Status(), 0);
    QCOMPARE(b->Status(), 0);
    QCOMPARE(f.List.FindComputer(QStringLiteral("PC"))->Status(), 0);
    QCOMPARE(f.List.Items().back()->Status(), 1);
    pass->Report(QStringLiteral("gone"), false);
    QCOMPARE(done.size(), 0);
    pass->End();
    QCOMPARE(done.size(), 1);
    QCOMPARE(f.List.StateThread(), nullptr);

    // The timer drives the next pass.
    f.List.SetUpdateInterval(10);
    f.List.SetUpdateEnabled(true);
    QVERIFY(f.List.UpdateTimer().isActive());
    QTRY_COMPARE(made, 2);
    f.List.SetUpdateEnabled(false);
    QVERIFY(!f.List.UpdateTimer().isActive());
}

void TestComputerList::destroyingTheListDetachesThePass() {
    TFakeStatePass pass;
    {
        TFixture f;
        f.Computer(QStringLiteral("pc"));
        f.List.SetStatePassFactory([&] { return &pass; });
        f.List.UpdateState();
    }
    QVERIFY(pass.Detached);
    pass.Report(QStringLiteral("pc"), true);
    pass.End();
}

void TestComputerList::incrementalSearch() {
    TFixture f;
    TGroupObject* group = f.Group(QStringLiteral("Servers"));
    TComputerObject* mail = f.Computer(QStringLiteral("mail"), group);
    TComputerObject* mail2 = f.Computer(QStringLiteral("Mail2"));
    f.Computer(QStringLiteral("web"));

    // Collapsed groups are searched too; the found node is focused, selected and shown.
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("MA")), mail);
    QVERIFY(group->IsExpanded());
    QCOMPARE(f.List.GetFocusedComputer(), mail);
    QCOMPARE(f.List.SelectionModel()->selectedIndexes().size(), 1);
    // The search goes on from the focused node, which matches first.
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("mail")), mail);
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("mail2")), mail2);
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("serv")), group);
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("nothing")), nullptr);
    QCOMPARE(f.List.GetItemOfNode(f.List.SelectionModel()->currentIndex()), group);
}

void TestComputerList::bulkBuildInsideAnUpdateBracket() {
    TFixture f;
    QSignalSpy reset(&f.List, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&f.List, &QAbstractItemModel::rowsInserted);
    f.List.BeginUpdate();
    f.List.BeginUpdate();
    TGroupObject* group = f.Group(QStringLiteral("G"));
    for (int i = 0; i < 100; ++i)
        f.Computer(QString::number(i), group)->SetChecked(i % 2 == 0);
    group->SetExpanded(true);
    f.List.EndUpdate();
    QCOMPARE(reset.size(), 0);
    f.List.EndUpdate();
    QCOMPARE(reset.size(), 1);
    QCOMPARE(inserted.size(), 0);
    QVERIFY(group->IsExpanded());
    QCOMPARE(f.List.NodeOf(group).data().toString(), QStringLiteral("G (50/100/100)"));
    QCOMPARE(f.List.ViewModel()->rowCount(f.List.NodeOf(group)), 100);
    QVERIFY(!f.List.Modified());

    // Adding in a bracket selects and focuses the last entry added once the bracket ends.
    TGroupObject* outer = f.Group(QStringLiteral("Outer"));
    TGroupObject* inner = f.Group(QStringLiteral("Inner"), outer);
    f.List.BeginUpdate();
    f.List.AddComputer(QStringLiteral("first"), {}, inner, ucInherited, {}, {});
    TComputerObject* last = f.List.AddComputer(QStringLiteral("last"), {}, inner, ucInherited, {}, {});
    QVERIFY(!f.List.HasSelection());
    f.List.EndUpdate();
    QCOMPARE(f.List.GetFocusedComputer(), last);
    QCOMPARE(f.List.SelectionModel()->selectedIndexes(), QModelIndexList{f.List.NodeOf(last)});
    QVERIFY(outer->IsExpanded() && inner->IsExpanded());
    QVERIFY(f.List.Modified());
    // An entry deleted before the bracket ends is not selected afterwards.
    f.List.BeginUpdate();
    f.List.AddGroup(QStringLiteral("gone"), ucInherited, inner, {}, {});
    f.List.DeleteItem(inner);
    f.List.EndUpdate();
    QVERIFY(!f.List.HasSelection());
}

void TestComputerList::anyNameIsAccepted() {
    TFixture f;
    const QString huge(100000, QLatin1Char('x'));
    TComputerObject* empty = f.List.AddComputer(QString(), QString(), nullptr, ucInherited, {}, {});
    TGroupObject* big = f.List.AddGroup(huge, ucInherited, nullptr, {}, {});
    TComputerObject* hugeComputer = f.List.AddComputer(huge, huge, big, ucInherited, {}, {});
    QCOMPARE(f.List.FindComputer(QString()), empty);
    QVERIFY(f.List.NodeOf(big).data().toString().startsWith(huge));
    QCOMPARE(f.List.TreeOrder().size(), 3);
    // The search starts at the focused node, the one added last.
    QCOMPARE(f.List.IncrementalSearch(QStringLiteral("xx")), hugeComputer);
    QCOMPARE(f.List.IncrementalSearch(huge + QStringLiteral(" (0/")), big);
}

QTEST_GUILESS_MAIN(TestComputerList)
#include "TestComputerList.moc"
