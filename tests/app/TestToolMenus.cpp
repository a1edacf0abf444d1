#include "TEnglishTexts.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uAppLog.h"
#include "uComputerList.h"
#include "uMain.h"
#include "uProgramOptions.h"
#include "uToolDialogs.h"
#include "uToolMenus.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records the manage and shutdown dialogs; the manage dialog appends the tools queued in Added.
struct TRecordingToolDialogs : IToolDialogs {
    QStringList Calls;
    QList<TCommandListItem> Added;
    bool ExecuteCommandListEditDialog(TCommandListItem&) override { return false; }
    bool ManageCommandList(TCommandList& list) override {
        Calls << QStringLiteral("manage ") + list.ListName();
        list.Items().append(Added);
        return true;
    }
    bool ExecuteShutdownDialog(const QString& computer, const QString& userName, const QString& password,
                               int actionIndex) override {
        Calls << QStringList{QStringLiteral("shutdown"), computer, userName, password, QString::number(actionIndex)}
                     .join(u' ');
        return true;
    }
};

// Captions of a menu's entries, "-" for a separator, with "(off)" after a disabled one.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator()
                        ? QStringLiteral("-")
                        : action->text() + (action->isEnabled() ? QString() : QStringLiteral("(off)")));
    return entries;
}

QAction* Entry(const QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

} // namespace

class TestToolMenus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void menusShowTheListsAndFollowTheFocus();
    void shutdownToolUsesTheComputersCredentials_data();
    void shutdownToolUsesTheComputersCredentials();
    void manageRebuildsEveryMenu();
    void listsAreWrittenBackToTheOptionsFile();
    void mainWindowRebuildsTheMenusInTheChosenLanguage();

private:
    void Focus(const TPreObject* entry);

    TEnglishTexts m_english;
    QTemporaryDir m_dir;
    TProgramOptions m_options;
    TScriptedPrompts m_prompts;
    TScriptedEntryDialogs m_entryDialogs;
    TScriptedConnectAsPrompt m_connectAs;
    TRecordingToolDialogs m_toolDialogs;
    std::unique_ptr<TComputerList> m_list;
    std::unique_ptr<TAppLog> m_log;
    std::unique_ptr<QMenu> m_main;
    std::unique_ptr<QMenu> m_popup;
    std::unique_ptr<TToolMenus> m_menus;
};

void TestToolMenus::initTestCase() {
    QVERIFY(m_english.IsLoaded());
    QVERIFY(m_dir.isValid());
}

void TestToolMenus::init() {
    m_options.OptionsFile = m_dir.filePath(QStringLiteral("options.xml"));
    QFile::remove(m_options.OptionsFile);
    QFile file(m_options.OptionsFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<Options><Defaults><iMaxThreads>3</iMaxThreads></Defaults><CommandList>
<Nettools><CommandListItem><Name>sToolPing</Name><Operation>open</Operation><FileName>ping</FileName></CommandListItem>
<CommandListItem><Name>Tom &amp;amp; Jerry</Name><Operation>open</Operation><FileName>tj</FileName></CommandListItem></Nettools>
<Admintools><CommandListItem><Name>sToolShutdown</Name><Operation>open</Operation><FileName>%shutdown%</FileName></CommandListItem></Admintools>
</CommandList></Options>)");
    file.close();
    m_toolDialogs.Calls.clear();
    m_toolDialogs.Added.clear();
    m_list = std::make_unique<TComputerList>(m_options, m_prompts, m_entryDialogs);
    m_log = std::make_unique<TAppLog>(m_dir.path(), &m_prompts);
    m_main = std::make_unique<QMenu>();
    m_popup = std::make_unique<QMenu>();
    m_menus = std::make_unique<TToolMenus>(m_main.get(), m_popup.get(), *m_list, m_options, m_toolDialogs, m_connectAs,
                                           m_prompts, m_log.get(), nullptr);
}

void TestToolMenus::cleanup() {
    m_menus.reset();
    m_popup.reset();
    m_main.reset();
    m_list.reset();
    m_log.reset();
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestToolMenus::Focus(const TPreObject* entry) {
    m_list->SelectionModel()->setCurrentIndex(m_list->NodeOf(entry), QItemSelectionModel::ClearAndSelect);
}

void TestToolMenus::menusShowTheListsAndFollowTheFocus() {
    QCOMPARE(m_menus->mnMainNetTools->objectName(), QStringLiteral("mnMainNetTools"));
    QCOMPARE(m_main->actions().last()->menu(), m_menus->mnMainAdminTools);
    QCOMPARE(m_popup->actions().last()->menu(), m_menus->mnPopupAdminTools);
    for (QMenu* menu : {m_menus->mnMainNetTools, m_menus->mnPopupNetTools})
        QCOMPARE(menu->title(), QStringLiteral("Network tools"));
    for (QMenu* menu : {m_menus->mnMainAdminTools, m_menus->mnPopupAdminTools})
        QCOMPARE(menu->title(), QStringLiteral("Administrative tools"));

    // Nothing focused, then a group: only "Managetools" can be chosen.
    const QStringList off{"Ping(off)", "Tom && Jerry(off)", "-", "Manage tools..."};
    QCOMPARE(Entries(m_menus->mnMainNetTools), off);
    TGroupObject* group = m_list->AddGroup(QStringLiteral("G"), ucInherited, nullptr, {}, {});
    TComputerObject* computer = m_list->AddComputer(QStringLiteral("pc1"), {}, group, ucInherited, {}, {});
    Focus(group);
    QVERIFY(!m_menus->actTools->isEnabled());
    QCOMPARE(Entries(m_menus->mnPopupNetTools), off);
    QCOMPARE(Entries(m_menus->mnMainAdminTools),
             (QStringList{"Shut down, restart or log off...(off)", "-", "Manage tools..."}));
    Focus(computer);
    QVERIFY(m_menus->actTools->isEnabled());
    QCOMPARE(Entries(m_menus->mnPopupNetTools), (QStringList{"Ping", "Tom && Jerry", "-", "Manage tools..."}));
    QCOMPARE(m_menus->MakeToolMacros().value(0).second, QStringLiteral("pc1"));
    m_list->DeleteItem(computer);
    QVERIFY(!m_menus->actTools->isEnabled());
    QVERIFY(m_menus->MakeToolMacros().isEmpty());
}

void TestToolMenus::shutdownToolUsesTheComputersCredentials_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("groupMode");
    QTest::addColumn<QString>("answer"); // the "Connect As..." answer, "cancel" or none
    QTest::addColumn<QString>("call");
    QTest::newRow("its own account") << int(ucFollowingUser) << int(ucInherited) << ""
                                     << "shutdown pc1 admin pw 0";
    QTest::newRow("the group's account") << int(ucInherited) << int(ucFollowingUser) << ""
                                         << "shutdown pc1 gadmin gpw 0";
    QTest::newRow("current user") << int(ucCurrentUser) << int(ucFollowingUser) << ""
                                  << "shutdown pc1   0";
    QTest::newRow("asked") << int(ucPromptUser) << int(ucInherited) << "typed"
                           << "shutdown pc1 typed typed-pw 0";
    QTest::newRow("asked and cancelled") << int(ucPromptUser) << int(ucInherited) << "cancel"
                                         << "";
}

void TestToolMenus::shutdownToolUsesTheComputersCredentials() {
    QFETCH(int, mode);
    QFETCH(int, groupMode);
    QFETCH(QString, answer);
    QFETCH(QString, call);
    TGroupObject* group = m_list->AddGroup(QStringLiteral("G"), TUserConnectAs(groupMode), nullptr,
                                           QStringLiteral("gadmin"), QStringLiteral("gpw"));
    TComputerObject* computer = m_list->AddComputer(QStringLiteral("pc1"), {}, group, TUserConnectAs(mode),
                                                    QStringLiteral("admin"), QStringLiteral("pw"));
    Focus(computer);
    if (answer == QLatin1String("cancel"))
        m_connectAs.Cancel();
    else if (!answer.isEmpty())
        m_connectAs.Enter(answer, answer + QStringLiteral("-pw"));
    Entry(m_menus->mnPopupAdminTools, QStringLiteral("Shut down, restart or log off..."))->trigger();
    QCOMPARE(m_toolDialogs.Calls, call.isEmpty() ? QStringList() : QStringList{call});
}

void TestToolMenus::manageRebuildsEveryMenu() {
    m_toolDialogs.Added << TCommandListItem{
        QStringLiteral("New"), QStringLiteral("open"), QStringLiteral("n"), {}, {}, 1};
    Entry(m_menus->mnPopupAdminTools, QStringLiteral("Manage tools..."))->trigger();
    QCOMPARE(m_toolDialogs.Calls, QStringList{"manage Admintools"});
    const QStringList admin{"Shut down, restart or log off...(off)", "New(off)", "-", "Manage tools..."};
    QCOMPARE(Entries(m_menus->mnMainAdminTools), admin);
    QCOMPARE(Entries(m_menus->mnPopupAdminTools), admin);
    QCOMPARE(m_menus->NetTools().Count(), 2);
}

void TestToolMenus::listsAreWrittenBackToTheOptionsFile() {
    m_menus->NetTools().Items().removeFirst();
    m_menus->SaveLists();
    TCommandList net(QStringLiteral("Nettools"));
    net.LoadFromFile(m_options.OptionsFile, m_prompts);
    QCOMPARE(net.Count(), 1);
    QCOMPARE(net.Items()[0].Name, QStringLiteral("Tom & Jerry"));
    TCommandList admin(QStringLiteral("Admintools"));
    admin.LoadFromFile(m_options.OptionsFile, m_prompts);
    QCOMPARE(admin.Items()[0].FileName, ShutdownToolFileName);
    QFile file(m_options.OptionsFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<iMaxThreads>3</iMaxThreads>"));
}

void TestToolMenus::mainWindowRebuildsTheMenusInTheChosenLanguage() {
    m_menus.reset();
    m_options.LanguageFolder = m_dir.filePath(QStringLiteral("languages/"));
    QVERIFY(QDir().mkpath(m_options.LanguageFolder));
    for (const char* language : {"english.lng", "deutsch.lng"})
        QVERIFY(QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/") + QLatin1String(language),
                            m_options.LanguageFolder + QLatin1String(language)));
    TScriptedFileDialogs fileDialogs;
    auto form = std::make_unique<TDormivaForm>(m_options, m_prompts, m_entryDialogs, m_connectAs, fileDialogs);
    const auto menu = [&form](const char* name) { return form->findChild<QMenu*>(QLatin1String(name)); };
    QCOMPARE(menu("mnComputers")->actions().last()->menu(), menu("mnMainAdminTools"));
    QCOMPARE(menu("pmComputerList")->actions().last()->menu(), menu("mnPopupAdminTools"));
    QCOMPARE(Entries(menu("mnPopupNetTools")), (QStringList{"Ping(off)", "Tom && Jerry(off)", "-", "Manage tools..."}));
    form->LanguageClick(QStringLiteral("deutsch.lng"));
    QCOMPARE(menu("mnMainNetTools")->title(), QStringLiteral("Netzwerkwerkzeuge"));
    QCOMPARE(Entries(menu("mnMainAdminTools")),
             (QStringList{"Herunterfahren, neu starten oder abmelden...(off)", "-", "Werkzeuge verwalten..."}));
    form->LanguageClick(QStringLiteral("english.lng"));
    QCOMPARE(menu("mnPopupAdminTools")->title(), QStringLiteral("Administrative tools"));

    // Closing writes both lists back into the options file.
    form->ToolMenus()->AdminTools().Items().clear();
    form.reset();
    TCommandList admin(QStringLiteral("Admintools"));
    admin.LoadFromFile(m_options.OptionsFile, m_prompts);
    QCOMPARE(admin.Count(), 0);
    TCommandList net(QStringLiteral("Nettools"));
    net.LoadFromFile(m_options.OptionsFile, m_prompts);
    QCOMPARE(net.Count(), 2);
}

QTEST_MAIN(TestToolMenus)
#include "TestToolMenus.moc"
