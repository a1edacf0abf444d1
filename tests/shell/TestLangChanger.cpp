#include "LangChanger.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <vector>

class TestLangChanger : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        SetCurrentLangChanger(nullptr);
        LoadMessageTable();
    }
    void translations_data();
    void translations();
    void withoutFileEveryKeyIsItsOwnText();
    void normalisesLinesWithoutEquals();
    void leavesReadOnlyAndUnchangedFilesAlone();
    void wideFilesAreReadAndKeptWide_data();
    void wideFilesAreReadAndKeptWide();
    void fifoReadsAsMissing();
    void seesTheFileChangeOnDisk();
    void separatorAndLists_data();
    void separatorAndLists();
    void langStrUsesMessageTable();
    void largeAndBrokenFiles();
    void lookupsFromManyThreadsWhileSwitching();
    void shippedLanguagesAreComplete_data();
    void shippedLanguagesAreComplete();

private:
    QString Write(const QString& name, const QByteArray& content);
    QTemporaryDir m_dir;
};

QString TestLangChanger::Write(const QString& name, const QByteArray& content) {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return path;
}

void TestLangChanger::translations_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray basic = "[Translations]\r\nsError=Error\r\nsWarning = \"  Warning \" \r\n"
                             "sTwo=first{ENTER}second\r\nsLower=a{enter}b\r\nsError=Second error\r\n"
                             "sQuote='x\"\r\n; sComment=no\r\nsEmpty=\r\n";
    QTest::newRow("plain") << basic << "sError"
                           << "Error";
    QTest::newRow("key case ignored") << basic << "SERROR"
                                      << "Error";
    QTest::newRow("first occurrence counts") << basic << "sError"
                                             << "Error";
    QTest::newRow("blanks and one pair of quotes removed") << basic << "sWarning"
                                                           << "  Warning ";
    QTest::newRow("unmatched quotes stay") << basic << "sQuote"
                                           << "'x\"";
    QTest::newRow("enter marker") << basic << "sTwo"
                                  << "first\r\nsecond";
    QTest::newRow("lower-case marker stays") << basic << "sLower"
                                             << "a{enter}b";
    QTest::newRow("missing key") << basic << "sMissing"
                                 << "sMissing";
    QTest::newRow("comment is no key") << basic << "; sComment"
                                       << "; sComment";
    QTest::newRow("empty value") << basic << "sEmpty"
                                 << "";
    QTest::newRow("section name case ignored") << QByteArray("[TRANSLATIONS]\nsError=E\n") << "sError"
                                               << "E";
    QTest::newRow("other section ignored")
        << QByteArray("[Other]\nsError=Other\n[Translations]\nsError=Mine\n") << "sError"
        << "Mine";
    QTest::newRow("only the first section of the name")
        << QByteArray("[Translations]\na=1\n[X]\nsError=x\n[Translations]\nsError=late\n") << "sError"
        << "sError";
    QTest::newRow("no section") << QByteArray("sError=Error\n") << "sError"
                                << "sError";
    QTest::newRow("utf-8 with byte order mark") << QByteArray("\xEF\xBB\xBF[Translations]\nsName=Gr\xC3\xB6\xC3\x9F"
                                                              "e\n")
                                                << "sName" << u"Größe"_qs;
    QTest::newRow("latin-1") << QByteArray("[Translations]\nsName=Gr\xF6\xDF"
                                           "e\n")
                             << "sName" << u"Größe"_qs;
    QTest::newRow("bare CR line ends") << QByteArray("[Translations]\rsA=1\rsError=E\r") << "sError"
                                       << "E";
}

void TestLangChanger::translations() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TLangChanger changer;
    changer.SetLangFile(Write("t.lng", content));
    QCOMPARE(changer.GetTranslation(key), expected);
}

void TestLangChanger::withoutFileEveryKeyIsItsOwnText() {
    TLangChanger changer;
    QCOMPARE(changer.GetTranslation("sJobSuccessfully"), "sJobSuccessfully");
    QVERIFY(changer.TranslationEntries().isEmpty());
    changer.SetLangFile(m_dir.filePath("missing.lng"));
    QCOMPARE(changer.GetTranslation("sError"), "sError");
    QCOMPARE(LangStr("sError"), "sError"); // no process-wide changer yet
}

void TestLangChanger::normalisesLinesWithoutEquals() {
    const QString path = Write("n.lng", "[Translations]\n  free text  \nsA=1\n\n   \nsB = x = y\n[Other] \n;note\n");
    TLangChanger changer;
    changer.SetLangFile("  " + path + " ");
    QCOMPARE(changer.LangFile(), path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "[Translations]\r\nfree text=\r\nsA=1\r\n\r\n\r\nsB = x = y\r\n[Other]\r\n;note=\r\n");
    QCOMPARE(changer.GetTranslation("free text"), "");
    QCOMPARE(changer.GetTranslation("sB"), "x = y");
}

void TestLangChanger::wideFilesAreReadAndKeptWide_data() {
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("damage"); // bytes appended after the text; the file must then stay as it is
    QTest::newRow("UTF-16LE") << int(QStringConverter::Utf16LE) << QByteArray();
    QTest::newRow("UTF-16BE") << int(QStringConverter::Utf16BE) << QByteArray();
    QTest::newRow("UTF-32LE") << int(QStringConverter::Utf32LE) << QByteArray();
    QTest::newRow("UTF-16LE cut inside a character") << int(QStringConverter::Utf16LE) << QByteArray("x");
}

// What a Windows editor saves as "Unicode": read, and normalised in its own encoding or not at all.
void TestLangChanger::wideFilesAreReadAndKeptWide() {
    QFETCH(int, encoding);
    QFETCH(QByteArray, damage);
    const auto encode = [encoding](const QString& text) {
        QStringEncoder encoder(QStringConverter::Encoding(encoding), QStringConverter::Flag::WriteBom);
        const QByteArray bytes = encoder.encode(text);
        return bytes;
    };
    const QByteArray content = encode("[Translations]\r\nloose line\r\nsError=Fehler für \"%s\"\r\n") + damage;
    const QString path = Write("wide.lng", content);
    TLangChanger changer;
    changer.SetLangFile(path);
    QCOMPARE(changer.GetTranslation("sError"), "Fehler für \"%s\"");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (damage.isEmpty())
        QCOMPARE(file.readAll(), encode("[Translations]\r\nloose line=\r\nsError=Fehler für \"%s\"\r\n"));
    else
        QCOMPARE(file.readAll(), content);
}

// Opening a FIFO blocks until a writer comes; the language would hold the start up forever.
void TestLangChanger::fifoReadsAsMissing() {
    const QString path = m_dir.filePath("fifo.lng");
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    TLangChanger changer;
    changer.SetLangFile(path);
    QCOMPARE(changer.GetTranslation("sError"), "sError");
    QVERIFY(changer.TranslationEntries().isEmpty());
}

void TestLangChanger::leavesReadOnlyAndUnchangedFilesAlone() {
    const QByteArray readOnlyContent = "[Translations]\nloose line\nsError=Fehler\n";
    const QString readOnly = Write("ro.lng", readOnlyContent);
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    const QString clean = Write("clean.lng", "[Translations]\r\nsError=Error\r\n");
    const QDateTime cleanTime = QFileInfo(clean).lastModified();
    QThread::msleep(20);

    TLangChanger changer;
    changer.SetLangFile(readOnly);
    QCOMPARE(changer.GetTranslation("sError"), "Fehler");
    QFile file(readOnly);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), readOnlyContent);

    changer.SetLangFile(clean);
    QCOMPARE(QFileInfo(clean).lastModified(), cleanTime);
    QCOMPARE(changer.GetTranslation("sError"), "Error");
}

void TestLangChanger::seesTheFileChangeOnDisk() {
    const QString path = Write("live.lng", "[Translations]\r\nsError=Old\r\n");
    TLangChanger changer;
    changer.SetLangFile(path);
    QCOMPARE(changer.GetTranslation("sError"), "Old");
    Write("live.lng", "[Translations]\r\nsError=Newer text\r\n");
    QCOMPARE(changer.GetTranslation("sError"), "Newer text");
}

void TestLangChanger::separatorAndLists_data() {
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("blank piece kept, last empty dropped") << ""
                                                          << "a, ,b," << QStringList{"a", "", "b"};
    QTest::newRow("four entries") << ","
                                  << "Network, Active Directory, IP Range, File"
                                  << QStringList{"Network", "Active Directory", "IP Range", "File"};
    QTest::newRow("empty value") << ","
                                 << "" << QStringList{};
    QTest::newRow("blank separator gives comma") << "   "
                                                 << "x,y" << QStringList{"x", "y"};
    QTest::newRow("other separator") << ";"
                                     << "x, y; z" << QStringList{"x, y", "z"};
    QTest::newRow("several characters") << "||"
                                        << "a||b|c" << QStringList{"a", "b|c"};
}

void TestLangChanger::separatorAndLists() {
    QFETCH(QString, separator);
    QFETCH(QString, value);
    QFETCH(QStringList, expected);
    TLangChanger changer;
    QCOMPARE(changer.Separator(), ",");
    if (!separator.isEmpty())
        changer.SetSeparator(separator);
    QCOMPARE(changer.SplitList(value), expected);
}

void TestLangChanger::langStrUsesMessageTable() {
    const QString path = Write("table.lng", "[Translations]\r\nsError=Fehler\r\nsOther=Anderes\r\n");
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(path);
    SetCurrentLangChanger(changer);
    LoadMessageTable();
    QCOMPARE(LangStr("sError"), "Fehler");
    QCOMPARE(LangStr("sWarning"), "sWarning");
    QCOMPARE(LangStr("sOther"), "Anderes"); // looked up at the moment of use

    // the table is a snapshot: it changes when it is loaded again
    Write("table.lng", "[Translations]\r\nsError=Error\r\nsOther=Other\r\n");
    QCOMPARE(LangStr("sError"), "Fehler");
    QCOMPARE(LangStr("sOther"), "Other");
    LoadMessageTable();
    QCOMPARE(LangStr("sError"), "Error");

    SetCurrentLangChanger(nullptr);
    QCOMPARE(GetTranslation("sOther"), "sOther");
}

void TestLangChanger::largeAndBrokenFiles() {
    QByteArray many = "[Translations]\r\n";
    for (int i = 0; i < 100000; ++i)
        many += "key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + "\r\n";
    TLangChanger changer;
    changer.SetLangFile(Write("many.lng", many));
    QCOMPARE(changer.GetTranslation("KEY99999"), "value 99999");
    QCOMPARE(changer.TranslationEntries().size(), 100000);

    QByteArray huge(TLangFile::MaxFileSize + 1, 'x');
    huge.prepend("[Translations]\nsError=E\n");
    changer.SetLangFile(Write("huge.lng", huge));
    QCOMPARE(changer.GetTranslation("sError"), "sError");

    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919) & 0xFF);
    changer.SetLangFile(Write("junk.lng", "[Translations]\n" + junk));
    QCOMPARE(changer.GetTranslation("sError"), "sError");

    changer.SetLangFile(Write("nosection.lng", "sError=E\r\n"));
    QCOMPARE(changer.GetTranslation("sError"), "sError");
    QVERIFY(changer.TranslationEntries().isEmpty());
}

void TestLangChanger::lookupsFromManyThreadsWhileSwitching() {
    const QString english = Write("en.lng", "[Translations]\r\nsError=Error\r\n");
    const QString german = Write("de.lng", "[Translations]\r\nsError=Fehler\r\n");
    auto changer = std::make_shared<TLangChanger>();
    SetCurrentLangChanger(changer);
    std::atomic<bool> stop = false;
    std::atomic<int> wrong = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back(QThread::create([&] {
            while (!stop) {
                const QString text = LangStr("sError");
                if (text != "Error" && text != "Fehler" && text != "sError")
                    ++wrong;
            }
        }));
        threads.back()->start();
    }
    for (int i = 0; i < 200; ++i) {
        changer->SetLangFile(i % 2 ? english : german);
        LoadMessageTable();
        if (i == 100)
            SetCurrentLangChanger(std::make_shared<TLangChanger>());
    }
    stop = true;
    for (const auto& thread : threads)
        thread->wait();
    QCOMPARE(wrong.load(), 0);
}

// The placeholders of a format text, in order: a translation must keep them.
static QStringList Placeholders(const QString& text) {
    QStringList found;
    QRegularExpression pattern("%(\\d+:)?-?\\d*(\\.\\d+)?[sdux%]");
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    return found;
}

void TestLangChanger::shippedLanguagesAreComplete_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("german") << "deutsch.lng";
}

void TestLangChanger::shippedLanguagesAreComplete() {
    QFETCH(QString, file);
    const QString folder = DORMIVA_SOURCE_DIR "/data/languages/";
    const TLangFile english = TLangFile::ReadSection(folder + "english.lng", "Translations");
    const TLangFile other = TLangFile::ReadSection(folder + file, "Translations");
    for (const QString& key : MessageTableKeys())
        QVERIFY2(english.Contains(key), qPrintable(key));
    for (const TLangFile::TEntry& entry : english.Entries()) {
        QVERIFY2(other.Contains(entry.Key), qPrintable(entry.Key));
        QCOMPARE(Placeholders(other.Value(entry.Key, {})), Placeholders(entry.Value));
    }
}

QTEST_GUILESS_MAIN(TestLangChanger)
#include "TestLangChanger.moc"
