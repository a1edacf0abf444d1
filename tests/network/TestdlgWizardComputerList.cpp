#include "TEnglishTexts.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uThrdSearchGroupsAndComputers.h"
#include "udlgWizardComputerList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

enum TSource { Network, AD, IPRange, File };

// A list with a group "Office" holding "ALPHA", a group "Sites" holding the subgroup "Branch", and the
// wizard over it.
struct TFixture {
    TFixture() {
        Options.ComputerCaptionStyle = 0;
        Options.SettingsFolder = Folder.path() + u'/';
        TGroupObject* office = List.NewGroup(QStringLiteral("Office"), QString(), nullptr);
        List.NewComputer(QStringLiteral("ALPHA"), QStringLiteral("old"), office);
        TGroupObject* sites = List.NewGroup(QStringLiteral("Sites"), QString(), nullptr);
        List.NewGroup(QStringLiteral("Branch"), QString(), sites);
        Wizard = std::make_unique<TdlgWizardComputerList>(nullptr, List, Options, Prompts, FileDialogs);
    }
    ~TFixture() {
        // A search still running ends on its own once the wizard has let go of it.
        QPointer<TThrdSearchGroupsAndComputers> search = Wizard->Search();
        Wizard.reset();
        QTRY_VERIFY_WITH_TIMEOUT(search.isNull(), 60000);
    }

    template <typename T> T* Child(const char* name) const {
        T* child = Wizard->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    int Page() const { return Child<QStackedWidget>("pcWizard")->currentIndex(); }
    void Click(const char* button) const { Child<QPushButton>(button)->click(); }

    QString WriteFile(const QByteArray& content) {
        const QString path = Folder.filePath(QStringLiteral("names.txt"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    // Chooses the text file with the content as the source and searches to the end.
    void SearchFile(const QByteArray& content) {
        Child<QComboBox>("cmbImportFrom")->setCurrentIndex(File);
        Child<QLineEdit>("edImportFromFile")->setText(WriteFile(content));
        Click("btnNext");
        WaitForEnd();
    }
    void SearchRange(const QString& start, const QString& stop) {
        Child<QComboBox>("cmbImportFrom")->setCurrentIndex(IPRange);
        Child<QLineEdit>("edStartIP")->setText(start);
        Child<QLineEdit>("edStopIP")->setText(stop);
        Child<QCheckBox>("cbAddOnlyLiveComputers")->setChecked(false);
        Click("btnNext");
    }
    void WaitForEnd() const { QTRY_VERIFY_WITH_TIMEOUT(Wizard->Search() == nullptr, 60000); }

    // The list as "group name" and "name|description|parent" lines in tree order.
    QStringList ListShape() const {
        QStringList shape;
        for (const TPreObject* entry : List.TreeOrder())
            shape.append(entry->IsGroup() ? QStringLiteral("group ") + entry->Name()
                                          : entry->Name() + u'|' + entry->Description() + u'|' +
                                                (entry->ParentGroup() ? entry->ParentGroup()->Name() : u"-"_qs));
        return shape;
    }
    QStringList FoundCaptions() const {
        QStringList captions;
        for (QTreeWidgetItemIterator it(Child<QTreeWidget>("vstComputers")); *it; ++it)
            captions.append((*it)->text(0));
        return captions;
    }

    TEnglishTexts Texts;
    QTemporaryDir Folder;
    TProgramOptions Options;
    TScriptedPrompts Prompts;
    TScriptedEntryDialogs Dialogs;
    TScriptedFileDialogs FileDialogs;
    TComputerList List{Options, Prompts, Dialogs};
    std::unique_ptr<TdlgWizardComputerList> Wizard;
};

} // namespace

class TestdlgWizardComputerList : public QObject {
    Q_OBJECT
private slots:
    void startsOnNetworkWithDefaults();
    void nextOnFirstPage_data();
    void nextOnFirstPage();
    void classCFillsTheRange();
    void finishAddsWithGrouping_data();
    void finishAddsWithGrouping();
    void originalGroupingReusesGroupAnywhere();
    void duplicateRuleIgnoresLetterCase_data();
    void duplicateRuleIgnoresLetterCase();
    void stopThenBackThenNextSearchesAfresh();
    void largeRangeIsConfirmed();
    void searchErrorIsShownAndFoundStays();
    void browseForFile();
    void detectIPRangeOffersTheLocalAddresses();
};

void TestdlgWizardComputerList::startsOnNetworkWithDefaults() {
    TFixture f;
    QCOMPARE(f.Page(), 0);
    QCOMPARE(f.Child<QComboBox>("cmbImportFrom")->currentIndex(), int(Network));
    QVERIFY(f.Child<QRadioButton>("cbAllTypes")->isChecked());
    QVERIFY(!f.Child<QCheckBox>("cbWkst")->isEnabled());
    QVERIFY(f.Child<QCheckBox>("cbWkst")->isChecked());
    QVERIFY(f.Child<QAction>("actGroupingToOriginal")->isChecked());
    QVERIFY(f.Child<QRadioButton>("rbDupDeleteOld")->isChecked());
    QVERIFY(!f.Child<QCheckBox>("cbIncludeDisabledComputers")->isChecked());
    QCOMPARE(f.Child<QLineEdit>("edNewGroupName")->text(), QStringLiteral("New group"));
    QCOMPARE(f.Child<QComboBox>("cmbGroup")->count(), 3); // Office, Sites, Branch: depth first
    QCOMPARE(f.Child<QComboBox>("cmbGroup")->itemText(2), QStringLiteral("Branch"));
    QVERIFY(f.Child<QPushButton>("btnBack")->isHidden());
    QVERIFY(f.Child<QPushButton>("btnFinish")->isHidden());
    QVERIFY(f.Child<QPushButton>("btnNext")->isEnabled());
}

void TestdlgWizardComputerList::nextOnFirstPage_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("onlyTheseTypes");
    QTest::addColumn<bool>("workstations"); // the other type boxes are unchecked
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("network, all types") << int(Network) << false << false << ""
                                        << ""
                                        << "" << true;
    QTest::newRow("network, no type checked") << int(Network) << true << false << ""
                                              << ""
                                              << "" << false;
    QTest::newRow("network, one type") << int(Network) << true << true << ""
                                       << ""
                                       << "" << true;
    QTest::newRow("directory") << int(AD) << false << false << ""
                               << ""
                               << "" << true;
    QTest::newRow("range") << int(IPRange) << false << false << "10.0.0.1"
                           << "10.0.0.9"
                           << "" << true;
    QTest::newRow("range, bad stop") << int(IPRange) << false << false << "10.0.0.1"
                                     << "10.0.0.x"
                                     << "" << false;
    QTest::newRow("range, broadcast") << int(IPRange) << false << false << "10.0.0.1"
                                      << "255.255.255.255"
                                      << "" << false;
    QTest::newRow("file") << int(File) << false << false << ""
                          << ""
                          << "names.txt" << true;
    QTest::newRow("file, empty") << int(File) << false << false << ""
                                 << ""
                                 << "" << false;
}

void TestdlgWizardComputerList::nextOnFirstPage() {
    QFETCH(int, source);
    QFETCH(bool, onlyTheseTypes);
    QFETCH(bool, workstations);
    QFETCH(QString, start);
    QFETCH(QString, stop);
    QFETCH(QString, file);
    QFETCH(bool, enabled);
    TFixture f;
    f.Child<QComboBox>("cmbImportFrom")->setCurrentIndex(source);
    if (onlyTheseTypes) {
        f.Child<QRadioButton>("cbOnlyTheseTypes")->click();
        for (const char* box : {"cbDC", "cbServerNotDC", "cbTerminal", "cbSQL", "cbWkst"}) {
            QVERIFY(f.Child<QCheckBox>(box)->isEnabled());
            f.Child<QCheckBox>(box)->setChecked(false);
        }
        f.Child<QCheckBox>("cbWkst")->setChecked(workstations);
    }
    f.Child<QLineEdit>("edStartIP")->setText(start);
    f.Child<QLineEdit>("edStopIP")->setText(stop);
    f.Child<QLineEdit>("edImportFromFile")->setText(file);
    QCOMPARE(f.Child<QPushButton>("btnNext")->isEnabled(), enabled);
}

void TestdlgWizardComputerList::classCFillsTheRange() {
    TFixture f;
    f.Child<QComboBox>("cmbImportFrom")->setCurrentIndex(IPRange);
    QVERIFY(!f.Child<QAction>("actTabImportFromIPRangeClassC")->isEnabled());
    f.Child<QLineEdit>("edStartIP")->setText(QStringLiteral("10.1.2.3"));
    f.Child<QAction>("actTabImportFromIPRangeClassC")->trigger();
    QCOMPARE(f.Child<QLineEdit>("edStartIP")->text(), QStringLiteral("10.1.2.1"));
    QCOMPARE(f.Child<QLineEdit>("edStopIP")->text(), QStringLiteral("10.1.2.254"));
    f.Child<QAction>("actTabImportFromIPRangeClassB")->trigger();
    QCOMPARE(f.Child<QLineEdit>("edStartIP")->text(), QStringLiteral("10.1.0.1"));
    QCOMPARE(f.Child<QLineEdit>("edStopIP")->text(), QStringLiteral("10.1.255.254"));
}

void TestdlgWizardComputerList::finishAddsWithGrouping_data() {
    QTest::addColumn<QString>("grouping");
    QTest::addColumn<QStringList>("expected");
    const QStringList before{"group Office", "ALPHA|old|Office", "group Sites", "group Branch"};
    QTest::newRow("original: file entries at the top")
        << "actGroupingToOriginal" << QStringList{before + QStringList{"gamma||-", "zeta||-"}};
    QTest::newRow("new group, even with a name in use")
        << "actGroupingToNew" << QStringList{"group Office", "ALPHA|old|Office", "group Office", "gamma||Office",
                                             "zeta||Office", "group Sites",      "group Branch"};
    QTest::newRow("existing group, nested")
        << "actGroupingToExisting" << QStringList{"group Office", "ALPHA|old|Office", "group Sites",
                                                  "group Branch", "gamma||Branch",    "zeta||Branch"};
}

void TestdlgWizardComputerList::finishAddsWithGrouping() {
    QFETCH(QString, grouping);
    QFETCH(QStringList, expected);
    TFixture f;
    f.SearchFile("zeta\r\n\r\ngamma\r\n");
    QCOMPARE(f.FoundCaptions(), (QStringList{"zeta", "gamma"}));
    QCOMPARE(f.Child<QLabel>("lblStatusInfo")->text(), QStringLiteral("Search complete."));
    f.Click("btnNext");
    QCOMPARE(f.Page(), 2);
    f.Child<QAction>(grouping.toLatin1().constData())->trigger();
    f.Child<QLineEdit>("edNewGroupName")->setText(QStringLiteral("Office"));
    f.Child<QComboBox>("cmbGroup")->setCurrentIndex(2);
    f.Click("btnNext");
    QCOMPARE(f.Page(), 3);
    QVERIFY(!f.Child<QPushButton>("btnFinish")->isHidden());
    f.Click("btnFinish");
    QCOMPARE(f.Wizard->result(), int(QDialog::Accepted));
    QCOMPARE(f.ListShape(), expected);
    QVERIFY(f.Prompts.Asked().isEmpty());
}

// A group of the found tree goes into a group of the same name wherever it is in the list.
void TestdlgWizardComputerList::originalGroupingReusesGroupAnywhere() {
    TFixture f;
    TGroupObject* sites = f.List.FindGroup(QStringLiteral("Sites"));
    f.List.NewGroup(QStringLiteral("10.0.0.1-10.0.0.3"), QString(), sites);
    f.SearchRange(QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.1"));
    f.WaitForEnd();
    QCOMPARE(f.FoundCaptions(), (QStringList{"10.0.0.1-10.0.0.3 (3)", "10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    f.Click("btnNext");
    f.Click("btnNext");
    f.Click("btnFinish");
    QCOMPARE(f.ListShape(), (QStringList{"group Office", "ALPHA|old|Office", "group Sites", "group 10.0.0.1-10.0.0.3",
                                         "10.0.0.1||10.0.0.1-10.0.0.3", "10.0.0.2||10.0.0.1-10.0.0.3",
                                         "10.0.0.3||10.0.0.1-10.0.0.3", "group Branch"}));
}

void TestdlgWizardComputerList::duplicateRuleIgnoresLetterCase_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("add new") << "rbDupAddNew"
                             << QStringList{"group Office", "ALPHA|old|Office", "group Sites", "group Branch",
                                            "alpha||-"};
    QTest::newRow("delete old") << "rbDupDeleteOld"
                                << QStringList{"group Office", "group Sites", "group Branch", "alpha||-"};
    QTest::newRow("don't add new") << "rbDupNotAddNew"
                                   << QStringList{"group Office", "ALPHA|old|Office", "group Sites", "group Branch"};
}

void TestdlgWizardComputerList::duplicateRuleIgnoresLetterCase() {
    QFETCH(QString, rule);
    QFETCH(QStringList, expected);
    TFixture f;
    f.SearchFile("alpha\n");
    f.Click("btnNext");
    f.Click("btnNext");
    f.Child<QRadioButton>(rule.toLatin1().constData())->click();
    f.Click("btnFinish");
    QCOMPARE(f.ListShape(), expected);
}

void TestdlgWizardComputerList::stopThenBackThenNextSearchesAfresh() {
    TFixture f;
    f.SearchRange(QStringLiteral("10.0.0.1"), QStringLiteral("10.0.255.254"));
    QCOMPARE(f.Page(), 1);
    QTRY_VERIFY(f.Child<QTreeWidget>("vstComputers")->topLevelItemCount() == 1);
    QVERIFY(!f.Child<QPushButton>("btnNext")->isEnabled());
    QVERIFY(f.Child<QAction>("actTabSearchStop")->isEnabled());
    QPointer<TThrdSearchGroupsAndComputers> first = f.Wizard->Search();

    f.Prompts.Answer(TPromptResult::Cancel); // let it run on
    f.Click("btnBack");
    QCOMPARE(f.Page(), 1);
    QCOMPARE(f.Wizard->Search(), first.data());
    f.Prompts.Answer(TPromptResult::OK);
    f.Click("btnBack");
    QCOMPARE(f.Page(), 0);
    QCOMPARE(f.Wizard->Search(), nullptr);
    QCOMPARE(f.Prompts.Asked().size(), 2);
    QCOMPARE(f.Prompts.Asked().at(1).Text, QStringLiteral("A search is running. Stop it?"));
    QCOMPARE(f.Prompts.Asked().at(1).Buttons, TPromptButtons::OKCancel);
    QCOMPARE(f.Child<QLabel>("lblStatusInfo")->text(), QStringLiteral("Search stopped."));
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 60000);

    f.Child<QLineEdit>("edStopIP")->setText(QStringLiteral("10.0.0.2"));
    f.Click("btnNext");
    f.WaitForEnd();
    QCOMPARE(f.FoundCaptions(), (QStringList{"10.0.0.1-10.0.0.2 (2)", "10.0.0.1", "10.0.0.2"}));
    QVERIFY(f.Child<QPushButton>("btnNext")->isEnabled());
    QVERIFY(!f.Child<QAction>("actTabSearchStop")->isEnabled());
}

void TestdlgWizardComputerList::largeRangeIsConfirmed() {
    TFixture f;
    f.Prompts.Answer(TPromptResult::Cancel);
    f.SearchRange(QStringLiteral("10.0.0.1"), QStringLiteral("10.255.255.254"));
    QCOMPARE(f.Page(), 0);
    QCOMPARE(f.Wizard->Search(), nullptr);
    QCOMPARE(f.Prompts.Asked().size(), 1);
    QCOMPARE(f.Prompts.Asked().at(0).Text,
             QStringLiteral("The address range holds 16777214 addresses. Scan them all?"));
    // 65,536 addresses are scanned without asking.
    f.SearchRange(QStringLiteral("10.0.0.0"), QStringLiteral("10.0.255.255"));
    QCOMPARE(f.Page(), 1);
    QCOMPARE(f.Prompts.Asked().size(), 1);
}

void TestdlgWizardComputerList::searchErrorIsShownAndFoundStays() {
    TFixture f;
    f.Child<QComboBox>("cmbImportFrom")->setCurrentIndex(File);
    const QString path = f.Folder.filePath(QStringLiteral("missing.txt"));
    f.Child<QLineEdit>("edImportFromFile")->setText(path);
    f.Prompts.Answer(TPromptResult::OK);
    f.Click("btnNext");
    f.WaitForEnd();
    QCOMPARE(f.Prompts.Asked().size(), 1);
    QCOMPARE(f.Prompts.Asked().at(0).Text,
             QStringLiteral("The file %1 cannot be read: No such file or directory").arg(path));
    QCOMPARE(f.Prompts.Asked().at(0).Caption, QStringLiteral("Error"));
    QCOMPARE(f.Prompts.Asked().at(0).Icon, TPromptIcon::Error);
    QVERIFY(f.Child<QPushButton>("btnNext")->isEnabled());
}

void TestdlgWizardComputerList::browseForFile() {
    TFixture f;
    f.Child<QComboBox>("cmbImportFrom")->setCurrentIndex(File);
    f.FileDialogs.Answers = {QStringLiteral("/tmp/picked.txt"), QString()};
    f.Child<QToolButton>("sbSelectImportFromFile")->click();
    QCOMPARE(f.Child<QLineEdit>("edImportFromFile")->text(), QStringLiteral("/tmp/picked.txt"));
    f.Child<QToolButton>("sbSelectImportFromFile")->click(); // cancelled: the path stays
    QCOMPARE(f.Child<QLineEdit>("edImportFromFile")->text(), QStringLiteral("/tmp/picked.txt"));
    QCOMPARE(f.FileDialogs.Calls.at(0), "open|Import computers from a text file|Text files (*.txt);;All files "
                                        "(*)|txt|" +
                                            f.Options.SettingsFolder);
}

void TestdlgWizardComputerList::detectIPRangeOffersTheLocalAddresses() {
    TFixture f;
    QList<QStringList> offered;
    std::optional<qsizetype> answer = 1;
    f.Wizard->SetLocalAddresses(
        [] {
            return QList<Platform::TAdapterInfo>{
                {QStringLiteral("eth0"), {{QStringLiteral("192.168.5.20"), QStringLiteral("255.255.255.0"), 1}}},
                {QStringLiteral("eth1"), {{QStringLiteral("10.4.0.7"), QStringLiteral("255.255.0.0"), 2}}}};
        },
        [&offered, &answer](const QStringList& lines) {
            offered.append(lines);
            return answer;
        });
    f.Child<QComboBox>("cmbImportFrom")->setCurrentIndex(IPRange);
    f.Child<QPushButton>("btnDetectIPRange")->click();
    QCOMPARE(offered, (QList<QStringList>{{"192.168.5.20 (eth0)", "10.4.0.7 (eth1)"}}));
    QCOMPARE(f.Child<QLineEdit>("edStartIP")->text(), QStringLiteral("10.4.0.1"));
    QCOMPARE(f.Child<QLineEdit>("edStopIP")->text(), QStringLiteral("10.4.255.254"));
    // A cancelled choice leaves the edits as they were.
    answer.reset();
    f.Child<QPushButton>("btnDetectIPRange")->click();
    QCOMPARE(f.Child<QLineEdit>("edStartIP")->text(), QStringLiteral("10.4.0.1"));
    QCOMPARE(f.Child<QLineEdit>("edStopIP")->text(), QStringLiteral("10.4.255.254"));
}

QTEST_MAIN(TestdlgWizardComputerList)
#include "TestdlgWizardComputerList.moc"
