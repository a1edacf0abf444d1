#include "FileInfo.h"
#include "LangChanger.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uActionPanel.h"
#include "uAppLogView.h"
#include "uComputerList.h"
#include "uFormat.h"
#include "uMain.h"
#include "uProgramOptions.h"
#include "udlgOptions.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The window's part in the program's files: options read before it is built and written after it is
// gone, the list file loaded at start and saved on closing, import and export, and the language menu.
// Every test starts the way the program does, with a settings folder of its own.
class TestMainWindowFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void closeQueryDecidesAboutTheList_data();
    void closeQueryDecidesAboutTheList();
    void listWrittenMeanwhileIsLeftAlone_data();
    void listWrittenMeanwhileIsLeftAlone();
    void listComesBackAtTheNextStart();
    void unreadableListIsKeptBesideTheSavedOne();
    void placementAndColumnsSurviveARestart();
    void languageMenuSwitchesTheWindowTexts();
    void languageSwitchReachesHeaderTitleAndQtTexts();
    void storedPlacementOpensOnTheScreen_data();
    void storedPlacementOpensOnTheScreen();
    void preferencesReachTheUpdateTimer();
    void importAndExportRunFromTheMenu();
    void exportFilterDecidesAndListComesBack();
    void optionsFileIsNoComputerList();
    void runProgressFollowsTheLanguage();

private:
    void LoadOptions();
    void CreateForm();
    QByteArray ListFileContent() const;
    void WriteListFile(const QByteArray& content) const;
    QAction* LanguageItem(const QString& fileName) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_dialogs;
    TScriptedConnectAsPrompt m_connectAs;
    TScriptedFileDialogs m_fileDialogs;
    std::unique_ptr<TDormivaForm> m_form;
};

void TestMainWindowFiles::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestMainWindowFiles::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")).toUtf8());
    m_prompts = TScriptedPrompts();
    m_fileDialogs = TScriptedFileDialogs();
    LoadOptions();
}

void TestMainWindowFiles::cleanup() {
    m_form.reset();
    SetCurrentLangChanger(nullptr);
    LoadMessageTable();
    m_dir.reset();
}

void TestMainWindowFiles::LoadOptions() {
    m_options = TProgramOptions();
    LoadProgramOptions(
        m_options, {{QStringLiteral("dormiva")}, QStringLiteral(DORMIVA_SOURCE_DIR "/data"), {1200, 900}}, m_prompts);
    // Names on loopback only: the first reachability pass runs when the window is built.
    m_options.DefaultCheckState = -1;
}

void TestMainWindowFiles::CreateForm() {
    m_form = std::make_unique<TDormivaForm>(m_options, m_prompts, m_dialogs, m_connectAs, m_fileDialogs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

QByteArray TestMainWindowFiles::ListFileContent() const {
    QFile file(m_options.DefaultHostsFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestMainWindowFiles::WriteListFile(const QByteArray& content) const {
    QFile file(m_options.DefaultHostsFile);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QAction* TestMainWindowFiles::LanguageItem(const QString& fileName) const {
    for (QAction* item : m_form->mnChangeLang->actions())
        if (QString(item->text()).remove(u'&') == fileName)
            return item;
    return nullptr;
}

void TestMainWindowFiles::closeQueryDecidesAboutTheList_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    QTest::newRow("changed, Yes saves") << true << int(TPromptResult::Yes) << true << true;
    QTest::newRow("changed, No drops the changes") << true << int(TPromptResult::No) << true << false;
    QTest::newRow("changed, Cancel keeps running") << true << int(TPromptResult::Cancel) << false << false;
    QTest::newRow("unchanged saves unasked") << false << -1 << true << true;
}

void TestMainWindowFiles::closeQueryDecidesAboutTheList() {
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    WriteListFile("<List><Computer><Name>127.0.33.1</Name></Computer></List>");
    const QByteArray before = ListFileContent();
    CreateForm();
    TComputerList& list = m_form->ComputerList();
    QCOMPARE(list.Items().size(), size_t(1));
    if (modified)
        list.AddComputer(QStringLiteral("127.0.33.2"), {}, nullptr, ucInherited, {}, {});
    // A check mark alone is no change, yet it is kept.
    static_cast<TComputerObject&>(*list.Items().front()).SetChecked(true);
    if (answer >= 0)
        m_prompts.Answer(TPromptResult(answer));

    QCOMPARE(m_form->close(), closes);
    QVERIFY(m_prompts.AllAnswersUsed());
    if (modified) {
        QCOMPARE(m_prompts.Asked().size(), 1);
        QCOMPARE(m_prompts.Asked()[0].Text, LangStr(QStringLiteral("sComputerListChangedSave")));
        QCOMPARE(m_prompts.Asked()[0].Buttons, TPromptButtons::YesNoCancel);
    } else {
        QVERIFY(m_prompts.Asked().isEmpty());
    }
    QCOMPARE(m_form->isVisible(), !closes);
    QCOMPARE(ListFileContent() != before, written);
    if (written)
        QVERIFY(ListFileContent().contains("<Checked>1</Checked>"));
}

void TestMainWindowFiles::listWrittenMeanwhileIsLeftAlone_data() {
    QTest::addColumn<QByteArray>("meanwhile"); // what another writer leaves in the file; empty removes it
    QTest::addColumn<bool>("saved");
    const QByteArray same("<List><Computer><Name>127.0.33.1</Name></Computer></List>");
    QTest::newRow("another copy wrote it")
        << QByteArray("<List><Computer><Name>127.0.33.9</Name></Computer></List>") << false;
    QTest::newRow("another copy removed it") << QByteArray() << false;
    QTest::newRow("rewritten with the same content") << same << true;
}

// Closing with a list that is not modified saves it silently, but never over what someone else wrote.
void TestMainWindowFiles::listWrittenMeanwhileIsLeftAlone() {
    QFETCH(QByteArray, meanwhile);
    QFETCH(bool, saved);
    WriteListFile("<List><Computer><Name>127.0.33.1</Name></Computer></List>");
    CreateForm();
    TComputerList& list = m_form->ComputerList();
    static_cast<TComputerObject&>(*list.Items().front()).SetChecked(true);
    if (meanwhile.isEmpty())
        QVERIFY(QFile::remove(m_options.DefaultHostsFile));
    else
        WriteListFile(meanwhile);

    QVERIFY(m_form->close());
    QVERIFY(m_prompts.Asked().isEmpty());
    if (saved)
        QVERIFY(ListFileContent().contains("<Checked>1</Checked>"));
    else
        QCOMPARE(ListFileContent(), meanwhile.isEmpty() ? QByteArray("<missing>") : meanwhile);
}

void TestMainWindowFiles::listComesBackAtTheNextStart() {
    CreateForm();
    TComputerList& list = m_form->ComputerList();
    TGroupObject* group = list.AddGroup(QStringLiteral("lab"), ucInherited, nullptr, {}, {});
    list.AddComputer(QStringLiteral("127.0.33.2"), QStringLiteral("printer room"), group, ucInherited, {}, {});
    m_prompts.Answer(TPromptResult::Yes);
    QVERIFY(m_form->close());
    m_form.reset();
    SaveProgramOptions(m_options, m_prompts);

    LoadOptions();
    CreateForm();
    const TComputerList& again = m_form->ComputerList();
    QVERIFY(!again.Modified());
    QCOMPARE(again.FileName(), m_options.DefaultHostsFile);
    const TGroupObject* lab = again.FindGroup(QStringLiteral("lab"));
    QVERIFY(lab);
    QCOMPARE(lab->Items().size(), size_t(1));
    QCOMPARE(lab->Items().front()->Description(), QStringLiteral("printer room"));
    QVERIFY(m_form->actDeleteAll->isEnabled());
}

void TestMainWindowFiles::unreadableListIsKeptBesideTheSavedOne() {
    const QByteArray broken("<List><Group><Name>lab</Name><List><Computer><Name>pc");
    WriteListFile(broken);
    m_prompts.Answer(TPromptResult::OK);
    CreateForm();
    QCOMPARE(m_prompts.Asked().size(), 1);
    QCOMPARE(m_prompts.Asked()[0].Caption, LangStr(QStringLiteral("sError")));
    QVERIFY(!m_form->ComputerList().HasItems());

    // Closing asks although nothing was touched; Yes keeps the unreadable file as .bak.
    m_prompts.Answer(TPromptResult::Yes);
    QVERIFY(m_form->close());
    QCOMPARE(m_prompts.Asked().size(), 2);
    QFile backup(m_options.DefaultHostsFile + QStringLiteral(".bak"));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), broken);
    QVERIFY(ListFileContent().contains("<List"));
}

void TestMainWindowFiles::placementAndColumnsSurviveARestart() {
    CreateForm();
    m_form->setGeometry(40, 50, 700, 540);
    m_form->vstApplicationLog()->header()->resizeSection(0, 177);
    m_prompts.Answer(TPromptResult::No);
    m_form->close();
    m_form.reset();
    QCOMPARE(m_options.MainWindowState, 0);
    QCOMPARE(m_options.MainWindowWidth, 700);
    QCOMPARE(m_options.MainWindowHeight, 540);
    const int listWidth = m_options.iComputerListWidth;
    QVERIFY(listWidth >= 200);
    SaveProgramOptions(m_options, m_prompts);

    LoadOptions();
    QCOMPARE(m_options.MainWindowWidth, 700);
    QCOMPARE(m_options.MainWindowHeight, 540);
    QCOMPARE(m_options.iComputerListWidth, listWidth);
    QCOMPARE(m_options.LogColumns[0].Width, 177);
    CreateForm();
    QCOMPARE(m_form->size(), QSize(700, 540));
    QCOMPARE(m_form->vstApplicationLog()->header()->sectionSize(0), 177);
}

void TestMainWindowFiles::languageMenuSwitchesTheWindowTexts() {
    CreateForm();
    QAction* english = LanguageItem(QStringLiteral("english.lng"));
    QAction* german = LanguageItem(QStringLiteral("deutsch.lng"));
    QVERIFY(english && german);
    QCOMPARE(m_form->mnChangeLang->actions().size(), 2);
    QVERIFY(english->isChecked());
    QCOMPARE(m_form->actExecute->text(), QStringLiteral("Execute"));

    german->trigger();
    QVERIFY(german->isChecked() && !english->isChecked());
    QCOMPARE(m_options.DefaultLang, QStringLiteral("deutsch.lng"));
    QCOMPARE(m_form->actExecute->text(), QStringLiteral("Ausführen"));
    QCOMPARE(m_form->mnChangeLang->title(), QStringLiteral("Sprache"));
    QCOMPARE(LangStr(QStringLiteral("sWarning")), QStringLiteral("Warnung"));
    QCOMPARE(m_form->vstApplicationLog()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zeit"));

    english->trigger();
    QCOMPARE(m_form->actExecute->text(), QStringLiteral("Execute"));
    QCOMPARE(LangStr(QStringLiteral("sWarning")), QStringLiteral("Warning"));
    QCOMPARE(m_form->vstApplicationLog()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
}

void TestMainWindowFiles::languageSwitchReachesHeaderTitleAndQtTexts() {
    CreateForm();
    const QString title = GetVersionString(QStringLiteral("ProductName")) + u' ' + GetVersionShort();
    QCOMPARE(m_form->windowTitle(), title);
    QCOMPARE(QApplication::applicationDisplayName(), title); // the platform adds no second name
    const QAbstractItemModel* log = m_form->vstApplicationLog()->model();
    QSignalSpy headerChanged(log, &QAbstractItemModel::headerDataChanged);
    const auto buttonText = [](QDialogButtonBox::StandardButton which) {
        return QDialogButtonBox(which).button(which)->text();
    };

    LanguageItem(QStringLiteral("deutsch.lng"))->trigger();
    QCOMPARE(m_form->windowTitle(), title);
    QCOMPARE(QApplication::applicationDisplayName(), title);
    QCOMPARE(headerChanged.size(), 2);
    QCOMPARE(log->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Meldung"));
    QCOMPARE(buttonText(QDialogButtonBox::Cancel), QStringLiteral("Abbrechen"));
    QCOMPARE(buttonText(QDialogButtonBox::Yes), QStringLiteral("&Ja"));
    QCOMPARE(m_form->pnlAction()->cmbShutdownAction->itemText(1), QStringLiteral("Neu starten"));
    QVERIFY(m_form->vstApplicationLog()->header()->sectionSize(0) >=
            m_form->vstApplicationLog()->header()->sectionSizeHint(0));

    LanguageItem(QStringLiteral("english.lng"))->trigger();
    QCOMPARE(m_form->windowTitle(), title);
    QCOMPARE(headerChanged.size(), 4);
    QCOMPARE(log->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Message"));
    QCOMPARE(buttonText(QDialogButtonBox::Cancel), QStringLiteral("Cancel"));
}

void TestMainWindowFiles::storedPlacementOpensOnTheScreen_data() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::addColumn<QRect>("stored");
    const QRect fits(screen.left() + 10, screen.top() + 20, screen.width() / 2, screen.height() / 2);
    QTest::newRow("inside") << fits;
    // Saved at scale 1 and read back at 1.75: too large and partly beyond the edge.
    QTest::newRow("larger than the screen")
        << QRect(screen.left() + 100, screen.top() + 50, screen.width() * 7 / 4, screen.height() * 7 / 4);
    QTest::newRow("beyond the right edge") << fits.translated(screen.width(), 0);
    QTest::newRow("above and left of the screen") << fits.translated(-5000, -3000);
}

void TestMainWindowFiles::storedPlacementOpensOnTheScreen() {
    QFETCH(QRect, stored);
    m_options.MainWindowLeft = stored.left();
    m_options.MainWindowTop = stored.top();
    m_options.MainWindowWidth = stored.width();
    m_options.MainWindowHeight = stored.height();
    CreateForm();
    const QRect available = m_form->screen()->availableGeometry();
    const QRect frame = m_form->frameGeometry();
    const QRect client = m_form->geometry();
    const QRect storedFrame =
        stored.marginsAdded(QMargins(client.left() - frame.left(), client.top() - frame.top(),
                                     frame.right() - client.right(), frame.bottom() - client.bottom()));
    QVERIFY(available.contains(frame));
    if (available.contains(storedFrame))
        QCOMPARE(client, stored);
    else // moved, and shrunk only where it is larger than the screen
        QCOMPARE(frame.size(), storedFrame.size().boundedTo(available.size()));
}

void TestMainWindowFiles::preferencesReachTheUpdateTimer() {
    m_options.AutoUpdateComputerList = false;
    CreateForm();
    QTimer& timer = m_form->ComputerList().UpdateTimer();
    QVERIFY(!timer.isActive());

    bool answered = false;
    QTimer::singleShot(0, this, [&answered] {
        auto* dialog = qobject_cast<TdlgOptions*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QAction*>(QStringLiteral("actAutoUpdateComputerList"))->setChecked(true);
        dialog->findChild<QSpinBox*>(QStringLiteral("udIntervalUpdateComputerList"))->setValue(42);
        dialog->OKBtnClick();
        answered = true;
    });
    m_form->actPreferences->trigger();
    QVERIFY(answered);
    QVERIFY(m_options.AutoUpdateComputerList);
    QCOMPARE(m_options.IntervalUpdateComputerList, 42000);
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 42000);
    QVERIFY(m_form->windowTitle().startsWith(QStringLiteral("Dormiva ")));
}

void TestMainWindowFiles::importAndExportRunFromTheMenu() {
    CreateForm();
    TComputerList& list = m_form->ComputerList();
    list.AddComputer(QStringLiteral("127.0.33.3"), {}, nullptr, ucInherited, {}, {});
    const QString text = m_dir->filePath(QStringLiteral("names.txt"));
    m_fileDialogs.Answers = {text};
    m_fileDialogs.Filters = {LangStr(QStringLiteral("sExportFilter")).section(QStringLiteral(";;"), 2, 2)};
    m_prompts.Answer(TPromptResult::OK); // names only, no groups
    m_form->actComputerListExport->trigger();
    QFile exported(text);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), QByteArray("127.0.33.3\r\n"));

    // A broken list file is reported and leaves the list as it was.
    const QString broken = m_dir->filePath(QStringLiteral("broken.xml"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x01\x02 not a list");
    file.close();
    m_fileDialogs.Answers = {broken};
    m_prompts.Answer(TPromptResult::OK);
    m_form->actComputerListImport->trigger();
    QVERIFY(m_prompts.AllAnswersUsed());
    QCOMPARE(m_prompts.Asked().last().Caption, LangStr(QStringLiteral("sError")));
    QCOMPARE(m_prompts.Asked().last().Icon, TPromptIcon::Error);
    QCOMPARE(list.Items().size(), size_t(1));
}

// The filter chosen in the export dialog decides the suffix and the format; the list format comes back
// whole through Import.
void TestMainWindowFiles::exportFilterDecidesAndListComesBack() {
    CreateForm();
    TComputerList& list = m_form->ComputerList();
    TGroupObject* lab = list.AddGroup(QStringLiteral("Lab"), ucInherited, nullptr, {}, {});
    list.AddComputer(QStringLiteral("pc1"), QStringLiteral("desk"), lab, ucInherited, {}, {});
    const QStringList filters = LangStr(QStringLiteral("sExportFilter")).split(QStringLiteral(";;"));
    QCOMPARE(filters.size(), 4);
    const QString typed = m_dir->filePath(QStringLiteral("copy"));

    m_fileDialogs.Answers = {typed};
    m_fileDialogs.Filters = {filters.at(2)};
    m_prompts.Answer(TPromptResult::OK); // names only, no groups
    m_form->actComputerListExport->trigger();
    QFile text(typed + QStringLiteral(".txt"));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), QByteArray("pc1\r\n"));

    m_fileDialogs.Answers = {typed}; // the first filter, as the dialog opens: the list format
    m_form->actComputerListExport->trigger();
    QVERIFY(!QFileInfo::exists(typed));
    QFile dvl(typed + QStringLiteral(".dvl"));
    QVERIFY(dvl.open(QIODevice::ReadOnly));
    QVERIFY(dvl.readAll().contains("<Description>desk</Description>"));

    const int asked = m_prompts.Asked().size();
    m_fileDialogs.Answers = {dvl.fileName()};
    m_form->actComputerListImport->trigger();
    QCOMPARE(m_prompts.Asked().size(), asked); // read as a list, not as names
    QCOMPARE(list.Items().size(), size_t(2));
    const auto* copy = static_cast<const TGroupObject*>(list.Items().back().get());
    QCOMPARE(copy->Name(), QStringLiteral("Lab"));
    QCOMPARE(copy->Items().size(), size_t(1));
    QCOMPARE(copy->Items().front()->Description(), QStringLiteral("desk"));
}

void TestMainWindowFiles::optionsFileIsNoComputerList() {
    CreateForm();
    const TComputerList& list = m_form->ComputerList();
    QVERIFY(!list.Modified());
    m_fileDialogs.Answers = {m_options.OptionsFile};
    m_prompts.Answer(TPromptResult::OK);
    m_form->actComputerListImport->trigger();
    QVERIFY(m_prompts.AllAnswersUsed());
    QCOMPARE(m_prompts.Asked().last().Text,
             Format(LangStr(QStringLiteral("sImportNotAList")), {QDir::toNativeSeparators(m_options.OptionsFile)}));
    QCOMPARE(m_prompts.Asked().last().Icon, TPromptIcon::Error);
    QVERIFY(list.Items().empty());
    QVERIFY(!list.Modified());
}

void TestMainWindowFiles::runProgressFollowsTheLanguage() {
    CreateForm();
    // A label longer than 63 characters never reaches a name server: the job fails on this machine.
    m_form->ComputerList()
        .AddComputer(QString(70, u'x') + QStringLiteral(".invalid"), {}, nullptr, ucInherited, {}, {})
        ->SetChecked(true);
    m_prompts.Answer(TPromptResult::Yes);
    m_form->actExecute->trigger();
    QTRY_COMPARE(m_form->lblRunProgress->text(), QStringLiteral("Shut down: 1 of 1 done, 1 failed"));
    LanguageItem(QStringLiteral("deutsch.lng"))->trigger();
    QCOMPARE(m_form->lblRunProgress->text(), QStringLiteral("Herunterfahren: 1 von 1 erledigt, 1 fehlgeschlagen"));
}

QTEST_MAIN(TestMainWindowFiles)
#include "TestMainWindowFiles.moc"
