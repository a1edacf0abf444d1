#include "TEnglishTexts.h"
#include "TScriptedPrompts.h"
#include "TTinyDisk.h"
#include "uAppLog.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

class TestAppLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void capKeepsNewestThousand();
    void fileLineIsExact_data();
    void fileLineIsExact();
    void fileKeepsLinesAcrossClearAndCreatesFolder();
    void timeColumnShowsDateOnlyForOtherDays();
    void imageIndexFollowsLevel();
    void copyText_data();
    void copyText();
    void unwritableFileKeepsEntriesAndReportsOnce();
    void fullDiskIsReportedAndLeavesWholeLines();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString SettingsFolder() const { return m_dir->path() + u'/'; }
    QByteArray ReadLog() const;
};

namespace {
const QDateTime March5(QDate(2026, 3, 5), QTime(14, 7, 9));
}

void TestAppLog::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestAppLog::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

namespace {
QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

QByteArray TestAppLog::ReadLog() const {
    return ReadAll(SettingsFolder() + QStringLiteral("app.log"));
}

void TestAppLog::capKeepsNewestThousand() {
    TAppLog log(SettingsFolder(), nullptr);
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < TAppLog::MaxEntries - 1; ++i)
        log.Add(QString::number(i), TAppLogLevel::Info);
    log.Add(QStringLiteral("999"), TAppLogLevel::Info);
    QCOMPARE(log.Count(), 1000);
    QCOMPARE(log.Item(999).Text, QStringLiteral("0"));

    log.Add(QStringLiteral("1000"), TAppLogLevel::Error);
    QCOMPARE(log.Count(), 1000);
    QCOMPARE(log.rowCount(), 1000);
    QCOMPARE(log.Item(0).Text, QStringLiteral("1000"));
    QCOMPARE(log.Item(999).Text, QStringLiteral("1"));
    QCOMPARE(ReadLog().count("\r\n"), 1001);
}

void TestAppLog::fileLineIsExact_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<TAppLogLevel>("level");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("success") << "pc1: done" << TAppLogLevel::Success
                             << QByteArray("3/5/26 2:07:09 PM\tSUCCESS\tpc1: done\r\n");
    QTest::newRow("warning") << "w" << TAppLogLevel::Warning << QByteArray("3/5/26 2:07:09 PM\tWARN\tw\r\n");
    QTest::newRow("info") << "i" << TAppLogLevel::Info << QByteArray("3/5/26 2:07:09 PM\tINFO\ti\r\n");
    QTest::newRow("error") << "e" << TAppLogLevel::Error << QByteArray("3/5/26 2:07:09 PM\tERROR\te\r\n");
    QTest::newRow("stop") << "s" << TAppLogLevel::Stop << QByteArray("3/5/26 2:07:09 PM\tSTOP\ts\r\n");
    QTest::newRow("empty text") << "" << TAppLogLevel::Info << QByteArray("3/5/26 2:07:09 PM\tINFO\t\r\n");
    QTest::newRow("line break kept") << "a\r\nb" << TAppLogLevel::Info
                                     << QByteArray("3/5/26 2:07:09 PM\tINFO\ta\r\nb\r\n");
}

void TestAppLog::fileLineIsExact() {
    QFETCH(QString, text);
    QFETCH(TAppLogLevel, level);
    QFETCH(QByteArray, line);
    TAppLog log(SettingsFolder(), nullptr);
    log.AddAt(text, level, March5);
    QCOMPARE(ReadLog(), line);
}

void TestAppLog::fileKeepsLinesAcrossClearAndCreatesFolder() {
    const QString folder = SettingsFolder() + QStringLiteral("Vardolin/Dormiva/");
    TAppLog log(folder, nullptr);
    log.AddAt(QStringLiteral("first"), TAppLogLevel::Info, March5);
    log.Clear();
    QCOMPARE(log.rowCount(), 0);
    log.AddAt(QStringLiteral("second"), TAppLogLevel::Info, March5);
    QCOMPARE(log.rowCount(), 1);
    QFile file(folder + QStringLiteral("app.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("3/5/26 2:07:09 PM\tINFO\tfirst\r\n3/5/26 2:07:09 PM\tINFO\tsecond\r\n"));
}

void TestAppLog::timeColumnShowsDateOnlyForOtherDays() {
    QCOMPARE(TAppLog::FormatLogTime(March5, March5.addSecs(3600)), QStringLiteral("2:07:09 PM"));
    QCOMPARE(TAppLog::FormatLogTime(March5, QDateTime(QDate(2026, 3, 6), QTime(0, 0, 1))),
             QStringLiteral("3/5/26 2:07:09 PM"));

    TAppLog log(SettingsFolder(), nullptr);
    const QDateTime now = QDateTime::currentDateTime();
    log.AddAt(QStringLiteral("yesterday"), TAppLogLevel::Info, now.addDays(-1));
    log.AddAt(QStringLiteral("today"), TAppLogLevel::Info, now);
    QCOMPARE(log.data(log.index(0, 0)).toString(), TAppLog::FormatLogTime(now, now));
    QCOMPARE(log.data(log.index(1, 0)).toString(), TAppLog::FormatFileTime(now.addDays(-1)));
    QCOMPARE(log.data(log.index(0, 1)).toString(), QStringLiteral("today"));
}

void TestAppLog::imageIndexFollowsLevel() {
    TAppLog log(SettingsFolder(), nullptr);
    const QList<TAppLogLevel> levels{TAppLogLevel::Success, TAppLogLevel::Warning, TAppLogLevel::Info,
                                     TAppLogLevel::Error, TAppLogLevel::Stop};
    for (const TAppLogLevel level : levels)
        log.Add(QString(), level);
    for (int row = 0; row < levels.size(); ++row) {
        QCOMPARE(log.data(log.index(row, 0), TAppLog::ImageIndexRole).toInt(), 4 - row);
        QCOMPARE(log.data(log.index(row, 1), TAppLog::ImageIndexRole).toInt(), -1);
    }
}

void TestAppLog::copyText_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QString>("expected");
    // Rows from the top: "third" (empty message), "second", "first".
    const QString t = QStringLiteral("3/5/26 2:07:09 PM");
    QTest::newRow("two rows") << QList<int>{1, 2} << QList<int>{0, 1} << t + "\tsecond\r\n" + t + "\tfirst";
    QTest::newRow("one row") << QList<int>{2} << QList<int>{0, 1} << t + "\tfirst";
    QTest::newRow("empty message") << QList<int>{0} << QList<int>{0, 1} << t + "\t";
    QTest::newRow("time hidden") << QList<int>{1} << QList<int>{1} << QStringLiteral("second");
    QTest::newRow("columns swapped") << QList<int>{1} << QList<int>{1, 0} << "second\t" + t;
    QTest::newRow("empty first cell") << QList<int>{0, 1} << QList<int>{1, 0} << t + "\r\nsecond\t" + t;
    QTest::newRow("no rows") << QList<int>{} << QList<int>{0, 1} << QString();
}

void TestAppLog::copyText() {
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, columns);
    QFETCH(QString, expected);
    TAppLog log(SettingsFolder(), nullptr);
    // Stamped on another day so that the time column is the same whatever today is.
    log.AddAt(QStringLiteral("first"), TAppLogLevel::Info, March5);
    log.AddAt(QStringLiteral("second"), TAppLogLevel::Success, March5);
    log.AddAt(QString(), TAppLogLevel::Error, March5);
    QCOMPARE(log.CopyRowsAsText(rows, columns), expected);
}

void TestAppLog::unwritableFileKeepsEntriesAndReportsOnce() {
    // A settings folder below a regular file can be neither created nor written, even by root.
    const QString blocker = SettingsFolder() + QStringLiteral("blocker");
    QFile(blocker).open(QIODevice::WriteOnly);
    TScriptedPrompts prompts;
    TAppLog log(blocker + QStringLiteral("/settings/"), &prompts);

    prompts.Answer(TPromptResult::OK);
    log.Add(QStringLiteral("job 1"), TAppLogLevel::Error);
    log.Add(QStringLiteral("job 2"), TAppLogLevel::Success);
    QCOMPARE(log.Count(), 2);
    QCOMPARE(log.Item(0).Text, QStringLiteral("job 2"));
    QTRY_COMPARE(prompts.Asked().size(), 1);
    QCOMPARE(prompts.Asked().at(0).Icon, TPromptIcon::Error);
    QVERIFY(prompts.Asked().at(0).Text.contains(QStringLiteral("app.log")) ||
            prompts.Asked().at(0).Text.contains(QStringLiteral("sAppLogWriteError")));

    // A write that succeeds again re-arms the report for the next failure.
    QVERIFY(QFile::remove(blocker));
    log.Add(QStringLiteral("job 3"), TAppLogLevel::Success);
    QVERIFY(QFile::exists(log.FileName()));
    QVERIFY(QDir(blocker).removeRecursively());
    QFile(blocker).open(QIODevice::WriteOnly);
    prompts.Answer(TPromptResult::OK);
    log.Add(QStringLiteral("job 4"), TAppLogLevel::Success);
    QTRY_COMPARE(prompts.Asked().size(), 2);
    QCOMPARE(log.Count(), 4);
    QTest::qWait(20);
    QCOMPARE(prompts.Asked().size(), 2);
}

void TestAppLog::fullDiskIsReportedAndLeavesWholeLines() {
    TTinyDisk disk(16);
    if (!disk.IsMounted())
        QSKIP("mounting a tmpfs needs root");
    const TEnglishTexts english;
    TScriptedPrompts prompts;
    TAppLog log(disk.Path() + u'/', &prompts);
    log.Add(QStringLiteral("before"), TAppLogLevel::Info);
    const QByteArray before = ReadAll(log.FileName());
    QVERIFY(disk.Fill());

    // Longer than what is left of the file's last block: a part of it would fit.
    prompts.Answer(TPromptResult::OK);
    log.Add(QString(20000, u'x'), TAppLogLevel::Error);
    QTRY_COMPARE(prompts.Asked().size(), 1);
    const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    QVERIFY2(prompts.Asked().at(0).Text.endsWith(reason), qPrintable(prompts.Asked().at(0).Text));
    QCOMPARE(ReadAll(log.FileName()), before);
    QCOMPARE(log.Count(), 2);
}

QTEST_GUILESS_MAIN(TestAppLog)
#include "TestAppLog.moc"
