#include "TScriptedPrompts.h"
#include "uCommandListXMLStorage.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kNettools = QStringLiteral("Nettools");
const QString kAdmintools = QStringLiteral("Admintools");

QString Describe(const TCommandListRecord& t) {
    return QStringList{t.Name, t.Operation, t.FileName, t.Parameters, t.Directory, QString::number(t.ShowCmd)}.join(
        u'|');
}

QStringList Describe(const QList<TCommandListRecord>& tools) {
    QStringList lines;
    for (const TCommandListRecord& t : tools)
        lines << Describe(t);
    return lines;
}

} // namespace

class TestCommandListXMLStorage : public QObject {
    Q_OBJECT
private slots:
    void loadsWhatIsThere();
    void missingListIsEmpty();
    void surviveRepeatedCycles();
    void saveKeepsOtherParts();

private:
    QTemporaryDir m_dir;
    TScriptedPrompts m_prompts;
};

void TestCommandListXMLStorage::loadsWhatIsThere() {
    TCommandListXMLStorage storage(QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/xmlstorage/tools.xml"), m_prompts);
    QVERIFY(storage.Open());
    // Items without Name are skipped, missing fields are empty (the list drops incomplete tools), a bad
    // ShowCmd is 1, and a field that does not decode ends the reading with what was read so far.
    QCOMPARE(Describe(storage.LoadCommandList(kNettools)),
             QStringList(
                 {"Ping|open|ping|-c 4 %computer_name%||1", "No operation||x|||1", "Share & more|explore|%path%|||3"}));
    QVERIFY(storage.LoadCommandList(kAdmintools).isEmpty());
}

void TestCommandListXMLStorage::missingListIsEmpty() {
    const QString path = m_dir.filePath(QStringLiteral("none.xml"));
    TCommandListXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QVERIFY(storage.LoadCommandList(kNettools).isEmpty());
}

void TestCommandListXMLStorage::surviveRepeatedCycles() {
    const QString path = m_dir.filePath(QStringLiteral("cycles.xml"));
    const QList<TCommandListRecord> tools = {
        {QStringLiteral("Tom & <Jerry>"), QStringLiteral("open"), QStringLiteral("C:\\a\"b\".exe"),
         QStringLiteral("/x &amp; %computer_name%"), QStringLiteral("C:\\"), 1},
        {QStringLiteral("Second"), QStringLiteral("runas"), QStringLiteral("mmc"), QString(), QString(), 3},
    };
    QList<TCommandListRecord> current = tools;
    for (int cycle = 0; cycle < 3; ++cycle) {
        {
            TCommandListXMLStorage storage(path, m_prompts);
            QVERIFY(storage.Open());
            storage.SaveCommandList(kNettools, current);
            QVERIFY(storage.Save());
        }
        TCommandListXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        current = storage.LoadCommandList(kNettools);
    }
    QCOMPARE(Describe(current), Describe(tools));
}

void TestCommandListXMLStorage::saveKeepsOtherParts() {
    const QString path = m_dir.filePath(QStringLiteral("keep.xml"));
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/xmlstorage/tools.xml"), path));
    {
        TCommandListXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.SaveCommandList(kAdmintools,
                                {{QStringLiteral("Only"), QStringLiteral("open"), QStringLiteral("f"), {}, {}, 1}});
        QVERIFY(storage.Save());
    }
    TCommandListXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(Describe(storage.LoadCommandList(kAdmintools)), QStringList{"Only|open|f|||1"});
    QCOMPARE(storage.LoadCommandList(kNettools).size(), 3);
    QCOMPARE(storage.ReadInteger(QStringLiteral("Defaults"), QStringLiteral("iMaxThreads"), 10), 4);
}

QTEST_GUILESS_MAIN(TestCommandListXMLStorage)
#include "TestCommandListXMLStorage.moc"
