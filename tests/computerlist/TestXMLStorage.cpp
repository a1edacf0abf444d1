#include "TScriptedPrompts.h"
#include "uXMLStorage.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString kData = QStringLiteral(DORMIVA_SOURCE_DIR "/tests/data/xmlstorage/");
const QString kS = QStringLiteral("Defaults");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Limits the size of files this process may write, for as long as it lives.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

} // namespace

class TestXMLStorage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();
    void readString();
    void foreignRootAndNesting();
    void writeCreatesOnceAndKeepsUnknown();
    void valuesAreEncodedThenEscaped();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void writeStringList();
    void missingFileThenSave();
    void emptyFileIsEmptyDocument_data();
    void emptyFileIsEmptyDocument();
    void unreadableFiles_data();
    void unreadableFiles();
    void fifoIsUnreadable();
    void saveFailureKeepsOldFile();
    void saveWithoutOpen();
    void savesAsUtf8();

private:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // A file whose section Defaults holds one key K with the given raw XML content.
    QString FileWithKey(const QByteArray& rawContent);

    QTemporaryDir m_dir;
    TScriptedPrompts m_prompts;
};

void TestXMLStorage::init() {
    m_prompts = TScriptedPrompts();
}

QString TestXMLStorage::FileWithKey(const QByteArray& rawContent) {
    const QString path = Path(QStringLiteral("key.xml"));
    WriteAll(path, "<Options><Defaults><K>" + rawContent + "</K></Defaults></Options>");
    return path;
}

void TestXMLStorage::readInteger_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    // The default is 7 throughout.
    QTest::newRow("hex 0x") << QByteArray("0x1F") << 31;
    QTest::newRow("hex 0X lower digits") << QByteArray("0X1f") << 31;
    QTest::newRow("0x alone") << QByteArray("0x") << 7;
    QTest::newRow("dollar hex") << QByteArray("$1F") << 31;
    QTest::newRow("dollar alone") << QByteArray("$") << 7;
    QTest::newRow("dollar full 32 bits") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("hex beyond 32 bits") << QByteArray("0x123456789") << 7;
    QTest::newRow("trailing letters") << QByteArray("12abc") << 7;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("leading blanks") << QByteArray(" \t 42") << 42;
    QTest::newRow("trailing blank") << QByteArray("42 ") << 7;
    QTest::newRow("blank before hex prefix") << QByteArray(" 0x1F") << 7;
    QTest::newRow("sign alone") << QByteArray("-") << 7;
    QTest::newRow("empty") << QByteArray("") << 7;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("just too large") << QByteArray("2147483648") << 7;
    QTest::newRow("huge") << QByteArray("99999999999999999999999999999999") << 7;
    QTest::newRow("decimal point") << QByteArray("1.5") << 7;
    QTest::newRow("entity-encoded digits") << QByteArray("&#52;2") << 42;
}

void TestXMLStorage::readInteger() {
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    TXMLStorage storage(FileWithKey(text), m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(storage.ReadInteger(kS, QStringLiteral("K"), 7), expected);
}

void TestXMLStorage::readBool_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("2 is true") << QByteArray("2") << false << true;
    QTest::newRow("0 is false") << QByteArray("0") << true << false;
    QTest::newRow("empty gives default true") << QByteArray("") << true << true;
    QTest::newRow("empty gives default false") << QByteArray("") << false << false;
    QTest::newRow("word gives default") << QByteArray("true") << false << false;
}

void TestXMLStorage::readBool() {
    QFETCH(QByteArray, text);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    TXMLStorage storage(FileWithKey(text), m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(storage.ReadBool(kS, QStringLiteral("K"), defaultValue), expected);
}

void TestXMLStorage::readString() {
    TXMLStorage empty(FileWithKey(""), m_prompts);
    QVERIFY(empty.Open());
    QCOMPARE(empty.ReadString(kS, QStringLiteral("K"), QStringLiteral("d")), QString()); // empty, not the default
    QCOMPARE(empty.ReadString(kS, QStringLiteral("Other"), QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(empty.ReadString(QStringLiteral("Window"), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));

    // The XML parser turns &amp;n into &n, which the entity decoding rejects.
    TXMLStorage rejected(FileWithKey("&amp;n"), m_prompts);
    QVERIFY(rejected.Open());
    QCOMPARE(rejected.ReadString(kS, QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(rejected.ReadInteger(kS, QStringLiteral("K"), 3), 3);

    TXMLStorage closed(FileWithKey("x"), m_prompts);
    QCOMPARE(closed.ReadString(kS, QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(closed.Open());
    closed.Close();
    QCOMPARE(closed.ReadString(kS, QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
}

void TestXMLStorage::foreignRootAndNesting() {
    TXMLStorage storage(kData + QStringLiteral("foreign-root.xml"), m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(storage.ReadInteger(kS, QStringLiteral("iMaxThreads"), 10), 25); // first match counts
    QCOMPARE(storage.ReadString(kS, QStringLiteral("DefaultLang"), QStringLiteral("english.lng")),
             QStringLiteral("english.lng")); // elements inside a key
    QCOMPARE(storage.ReadString(kS, QStringLiteral("DefaultHostsFile"), QStringLiteral("d")), QStringLiteral("d"));
    QCOMPARE(storage.ReadString(kS, QStringLiteral("Comment"), QString()), QStringLiteral("x < y"));
    QCOMPARE(storage.ReadString(QStringLiteral("Unknown"), QStringLiteral("child"), QStringLiteral("d")), QString());
}

void TestXMLStorage::writeCreatesOnceAndKeepsUnknown() {
    const QString path = Path(QStringLiteral("keep.xml"));
    QFile::remove(path);
    QVERIFY(QFile::copy(kData + QStringLiteral("foreign-root.xml"), path));
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.WriteString(QStringLiteral("Window"), QStringLiteral("MainWindowWidth"), QStringLiteral("640"));
        storage.WriteInteger(QStringLiteral("Window"), QStringLiteral("MainWindowWidth"), 800);
        storage.WriteInteger(kS, QStringLiteral("iMaxThreads"), 3);
        QVERIFY(storage.Save());
    }
    QDomDocument document;
    QVERIFY(document.setContent(ReadAll(path)));
    const QDomElement root = document.documentElement();
    QCOMPARE(root.tagName(), QStringLiteral("Settings"));
    QCOMPARE(root.attribute(QStringLiteral("version")), QStringLiteral("2"));
    QCOMPARE(root.lastChildElement().tagName(), QStringLiteral("Window")); // created as the last child
    QCOMPARE(root.elementsByTagName(QStringLiteral("Window")).count(), 1);
    QCOMPARE(root.elementsByTagName(QStringLiteral("MainWindowWidth")).count(), 1);
    QCOMPARE(root.firstChildElement(QStringLiteral("Window")).text(), QStringLiteral("800"));
    // Only the first iMaxThreads changes; everything the writer does not know stays.
    const QDomElement defaults = root.firstChildElement(kS);
    QCOMPARE(defaults.firstChildElement(QStringLiteral("iMaxThreads")).text(), QStringLiteral("3"));
    QCOMPARE(defaults.firstChildElement(QStringLiteral("iMaxThreads")).nextSiblingElement().text(),
             QStringLiteral("30"));
    QCOMPARE(defaults.firstChildElement(QStringLiteral("Nested")).text(), QStringLiteral("40"));
    const QDomElement unknown = root.firstChildElement(QStringLiteral("Unknown"));
    QCOMPARE(unknown.attribute(QStringLiteral("attr")), QStringLiteral("kept"));
    QVERIFY(!unknown.firstChildElement(QStringLiteral("child")).isNull());
    QVERIFY(ReadAll(path).contains("<!-- written by hand -->"));
}

void TestXMLStorage::valuesAreEncodedThenEscaped() {
    const QString path = Path(QStringLiteral("amp.xml"));
    QFile::remove(path);
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    storage.WriteString(kS, QStringLiteral("DefaultUserName"), QStringLiteral("A&B<C>\"D\""));
    QVERIFY(storage.Save());
    const QByteArray content = ReadAll(path);
    QVERIFY2(content.contains("<DefaultUserName>A&amp;amp;B&amp;lt;C&amp;gt;&amp;quot;D&amp;quot;</DefaultUserName>"),
             content.constData());
}

void TestXMLStorage::valuesRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("less-than") << "a<b"
                               << "a<b";
    QTest::newRow("entity lookalike") << "&amp;&#65;"
                                      << "&amp;&#65;";
    QTest::newRow("non-latin") << QString::fromUtf8("Grüße 😀") << QString::fromUtf8("Grüße 😀");
    QTest::newRow("line break") << "a\nb"
                                << "a\nb";
    QTest::newRow("one megabyte") << QString(1 << 20, u'x') << QString(1 << 20, u'x');
    // XML cannot carry these at all; written raw they would make the whole file unreadable.
    QTest::newRow("control characters dropped") << QStringLiteral("a\x01"
                                                                  "b\x1F"
                                                                  "c")
                                                << "abc";
}

void TestXMLStorage::valuesRoundTrip() {
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    const QString path = Path(QStringLiteral("roundtrip.xml"));
    QFile::remove(path);
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.WriteString(kS, QStringLiteral("V"), value);
        QVERIFY(storage.Save());
    }
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(storage.ReadString(kS, QStringLiteral("V"), QStringLiteral("default")), readBack);
}

void TestXMLStorage::writeStringList() {
    const QString path = Path(QStringLiteral("list.xml"));
    QFile::remove(path);
    const auto items = [&] {
        QDomDocument document;
        document.setContent(ReadAll(path));
        QStringList found;
        const QDomElement container = document.documentElement()
                                          .firstChildElement(QStringLiteral("RecentFiles"))
                                          .firstChildElement(QStringLiteral("RecentFile"));
        if (container.isNull())
            return QStringList{QStringLiteral("no container")};
        for (QDomElement e = container.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            found << e.tagName() + u'=' + e.text();
        return found;
    };
    const auto write = [&](const QStringList& list) {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.WriteStringList(QStringLiteral("RecentFiles"), QStringLiteral("RecentFile"), list);
        QVERIFY(storage.Save());
    };
    write({});
    QCOMPARE(items(), QStringList());
    write({QStringLiteral("a.dvl"), QStringLiteral("b&c.dvl"), QStringLiteral("d.dvl")});
    QCOMPARE(items(), QStringList({"RecentFile0=a.dvl", "RecentFile1=b&amp;c.dvl", "RecentFile2=d.dvl"}));
    write({QStringLiteral("x"), QStringLiteral("y")});
    QCOMPARE(items(), QStringList({"RecentFile0=x", "RecentFile1=y"}));
}

void TestXMLStorage::missingFileThenSave() {
    const QString path = Path(QStringLiteral("new.xml"));
    QFile::remove(path);
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QVERIFY(!QFile::exists(path)); // nothing is written before Save
    QCOMPARE(storage.ReadInteger(kS, QStringLiteral("iMaxThreads"), 10), 10);
    QVERIFY(storage.Save());
    const QByteArray content = ReadAll(path);
    QVERIFY2(content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), content.constData());
    QDomDocument document;
    QVERIFY(document.setContent(content));
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("Options"));
    QVERIFY(m_prompts.Asked().isEmpty());
}

void TestXMLStorage::emptyFileIsEmptyDocument_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("zero bytes") << QByteArray();
    QTest::newRow("only a line break") << QByteArray("\n");
}

void TestXMLStorage::emptyFileIsEmptyDocument() {
    QFETCH(QByteArray, content);
    const QString path = Path(QStringLiteral("empty.xml"));
    WriteAll(path, content);
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QVERIFY(m_prompts.Asked().isEmpty());
    storage.WriteBool(kS, QStringLiteral("bAlwaysOnTop"), true);
    QVERIFY(storage.Save());
    TXMLStorage again(path, m_prompts);
    QVERIFY(again.Open());
    QVERIFY(again.ReadBool(kS, QStringLiteral("bAlwaysOnTop"), false));
    QVERIFY(ReadAll(path).contains("<Options>"));
}

void TestXMLStorage::unreadableFiles_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("cut off") << "truncated.xml";
    QTest::newRow("undeclared entity") << "undeclared-entity.xml";
    QTest::newRow("control character") << "control-char.xml";
    QTest::newRow("entity expansion") << "entity-expansion.xml";
    QTest::newRow("binary") << "";
    // The DOM recursed over the nesting when it wrote the options at exit, and overflowed the stack.
    QTest::newRow("unknown element 5000 deep") << "deep-unknown.xml";
    QTest::newRow("element with 2000 attributes") << "many-attributes.xml";
}

void TestXMLStorage::unreadableFiles() {
    QFETCH(QString, source);
    const QString path = Path(QStringLiteral("unreadable.xml"));
    QFile::remove(path);
    if (source.isEmpty())
        WriteAll(path, QByteArray("\x00\xFF\xFE<Opt\x00ions>", 12));
    else
        QVERIFY(QFile::copy(kData + source, path));
    const QByteArray before = ReadAll(path);

    m_prompts.Answer(TPromptResult::OK);
    m_prompts.Answer(TPromptResult::OK);
    TXMLStorage storage(path, m_prompts);
    QVERIFY(!storage.Open());
    QCOMPARE(storage.ReadInteger(kS, QStringLiteral("iMaxThreads"), 10), 10);
    storage.WriteInteger(kS, QStringLiteral("iMaxThreads"), 3); // ignored
    QVERIFY(!storage.Save());

    QCOMPARE(m_prompts.Asked().size(), 2);
    QCOMPARE(m_prompts.Asked()[0].Text, QStringLiteral("Can't read file ") + path);
    QCOMPARE(m_prompts.Asked()[0].Caption, QStringLiteral("Error!"));
    QCOMPARE(m_prompts.Asked()[0].Buttons, TPromptButtons::OK);
    QCOMPARE(m_prompts.Asked()[1].Text, QStringLiteral("Can't write file ") + path);
    QCOMPARE(m_prompts.Asked()[1].Caption, QStringLiteral("Error!"));
    QCOMPARE(ReadAll(path), before);
}

// Opening a FIFO blocks until a writer comes; the start would hang.
void TestXMLStorage::fifoIsUnreadable() {
    const QString path = Path(QStringLiteral("fifo.xml"));
    QFile::remove(path);
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    m_prompts.Answer(TPromptResult::OK);
    TXMLStorage storage(path, m_prompts);
    QVERIFY(!storage.Open());
    QCOMPARE(m_prompts.Asked().size(), 1);
    QCOMPARE(m_prompts.Asked()[0].Text, QStringLiteral("Can't read file ") + path);
}

void TestXMLStorage::saveFailureKeepsOldFile() {
    const QString path = Path(QStringLiteral("old.xml"));
    QFile::remove(path);
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.WriteString(kS, QStringLiteral("DefaultLang"), QStringLiteral("german.lng"));
        QVERIFY(storage.Save());
    }
    const QByteArray before = ReadAll(path);
    m_prompts.Answer(TPromptResult::OK);
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        storage.WriteString(kS, QStringLiteral("Big"), QString(64 * 1024, u'x'));
        const TFileSizeLimit limit(4096); // the disk fills up half-way through the write
        QVERIFY(!storage.Save());
    }
    QCOMPARE(m_prompts.Asked().size(), 1);
    QCOMPARE(m_prompts.Asked()[0].Text, QStringLiteral("Can't write file ") + path);
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("old.xml*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("old.xml")});

    m_prompts.Answer(TPromptResult::OK);
    const QString noFolder = Path(QStringLiteral("missing/options.xml"));
    TXMLStorage storage(noFolder, m_prompts);
    QVERIFY(storage.Open());
    QVERIFY(!storage.Save());
    QCOMPARE(m_prompts.Asked().last().Text, QStringLiteral("Can't write file ") + noFolder);
}

void TestXMLStorage::saveWithoutOpen() {
    const QString path = Path(QStringLiteral("never.xml"));
    m_prompts.Answer(TPromptResult::OK);
    TXMLStorage storage(path, m_prompts);
    storage.WriteString(kS, QStringLiteral("K"), QStringLiteral("v"));
    QVERIFY(!storage.Save());
    QCOMPARE(m_prompts.Asked().size(), 1);
    QVERIFY(!QFile::exists(path));
}

void TestXMLStorage::savesAsUtf8() {
    const QString path = Path(QStringLiteral("latin1.xml"));
    QFile::remove(path);
    QVERIFY(QFile::copy(kData + QStringLiteral("latin1.xml"), path));
    const QString name = QString::fromUtf8("René");
    {
        TXMLStorage storage(path, m_prompts);
        QVERIFY(storage.Open());
        QCOMPARE(storage.ReadString(kS, QStringLiteral("DefaultUserName"), QString()), name);
        QVERIFY(storage.Save());
    }
    const QByteArray content = ReadAll(path);
    QVERIFY2(content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), content.constData());
    QVERIFY(content.contains(name.toUtf8()));
    TXMLStorage storage(path, m_prompts);
    QVERIFY(storage.Open());
    QCOMPARE(storage.ReadString(kS, QStringLiteral("DefaultUserName"), QString()), name);
}

QTEST_GUILESS_MAIN(TestXMLStorage)
#include "TestXMLStorage.moc"
