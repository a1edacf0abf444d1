#include "TEnglishTexts.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs one search to its end and records what reached the main thread: "group" for a group, otherwise
// "name|description|parent name" (parent "-" for none).
struct TSearchRun {
    explicit TSearchRun(const TCheckSettings& check = {}) : Search(new TThrdSearchGroupsAndComputers(check)) {
        Search->SetOnFoundObject([this](TSimpleObject& object) {
            Found.append(object.IsGroup() ? QStringLiteral("group ") + object.Name
                                          : object.Name + u'|' + object.Description + u'|' +
                                                (object.Parent ? object.Parent->Name : QStringLiteral("-")));
            if (OnFound)
                OnFound();
        });
        Search->SetOnSearchEnded([this](const TThrdSearchGroupsAndComputers& search) {
            Ended = true;
            Finished = search.Finished();
            ErrorText = search.ErrorText();
        });
    }
    // Starts the search and waits until the thread object is gone.
    void Run() {
        Search->start();
        QTRY_VERIFY_WITH_TIMEOUT(Search.isNull(), 120000);
    }

    QPointer<TThrdSearchGroupsAndComputers> Search;
    std::function<void()> OnFound;
    QStringList Found;
    bool Ended = false;
    bool Finished = false;
    QString ErrorText;
};

QByteArray Utf16LeWithBom(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

class TestSearchGroupsAndComputers : public QObject {
    Q_OBJECT
private slots:
    void addressRange_data();
    void addressRange();
    void addressRangeNameFromDns();
    void textFile_data();
    void textFile();
    void textFileThatCannotBeRead_data();
    void textFileThatCannotBeRead();
    void detachedSearchReportsNothingMore();
    void directorySearchThatCannotStartSaysWhy_data();
    void directorySearchThatCannotStartSaysWhy();
    void directoryMessageTooLongIsRefused();
    void unknownModeFindsNothing();
    void rangeSize_data();
    void rangeSize();
    void groupNameOfUntrustedNames_data();
    void groupNameOfUntrustedNames();

private:
    TEnglishTexts m_texts;
};

void TestSearchGroupsAndComputers::addressRange_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<bool>("onlyLive");
    QTest::addColumn<bool>("resolve");
    QTest::addColumn<QString>("listenOn"); // the one address that answers the TCP check; none when empty
    QTest::addColumn<QStringList>("expected");

    const QStringList across{"10.0.0.250-10.0.1.5",
                             "10.0.0.250||10.0.0.250-10.0.1.5",
                             "10.0.0.251||10.0.0.250-10.0.1.5",
                             "10.0.0.252||10.0.0.250-10.0.1.5",
                             "10.0.0.253||10.0.0.250-10.0.1.5",
                             "10.0.0.254||10.0.0.250-10.0.1.5",
                             "10.0.1.1||10.0.0.250-10.0.1.5",
                             "10.0.1.2||10.0.0.250-10.0.1.5",
                             "10.0.1.3||10.0.0.250-10.0.1.5",
                             "10.0.1.4||10.0.0.250-10.0.1.5",
                             "10.0.1.5||10.0.0.250-10.0.1.5"};
    QTest::newRow("skips .255 and .0 in order") << "10.0.0.250"
                                                << "10.0.1.5" << false << true << QString() << across;
    QTest::newRow("high to low scans low to high") << "10.0.1.5"
                                                   << "10.0.0.250" << false << true << QString() << across;
    QTest::newRow("no check and no lookup without live only")
        << "127.0.0.1"
        << "127.0.0.1" << false << true << QString()
        << QStringList{"127.0.0.1-127.0.0.1", "127.0.0.1||127.0.0.1-127.0.0.1"};
    QTest::newRow("live only leaves out addresses that do not answer")
        << "127.0.0.3"
        << "127.0.0.1" << true << false << "127.0.0.2"
        << QStringList{"127.0.0.1-127.0.0.3", "127.0.0.2||127.0.0.1-127.0.0.3"};
}

void TestSearchGroupsAndComputers::addressRange() {
    QFETCH(QString, start);
    QFETCH(QString, stop);
    QFETCH(bool, onlyLive);
    QFETCH(bool, resolve);
    QFETCH(QString, listenOn);
    QFETCH(QStringList, expected);
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress(listenOn.isEmpty() ? QStringLiteral("127.0.0.1") : listenOn)));
    TSearchRun run({1, 2000, listener.serverPort()});
    if (listenOn.isEmpty())
        listener.close();
    for (QString& line : expected)
        if (!line.contains(u'|'))
            line.prepend(QStringLiteral("group "));
    run.Search->SetSearchMode(2);
    run.Search->SetStartIP(start);
    run.Search->SetStopIP(stop);
    run.Search->SetOnlyLiveComputers(onlyLive);
    run.Search->SetResolveNames(resolve);
    run.Run();
    QCOMPARE(run.Found, expected);
    QVERIFY(run.Ended);
    QVERIFY(run.Finished);
    QCOMPARE(run.ErrorText, QString());
}

// Loopback has no NetBIOS name service, so the name of a live address comes from DNS (the hosts file).
void TestSearchGroupsAndComputers::addressRangeNameFromDns() {
    const QString dnsName = QHostInfo::fromName(QStringLiteral("127.0.0.1")).hostName();
    if (dnsName.isEmpty() || dnsName == QStringLiteral("127.0.0.1"))
        QSKIP("127.0.0.1 has no name in the hosts file here");
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    TSearchRun run({1, 2000, listener.serverPort()});
    run.Search->SetSearchMode(2);
    run.Search->SetStartIP(QStringLiteral("127.0.0.1"));
    run.Search->SetStopIP(QStringLiteral("127.0.0.1"));
    run.Search->SetOnlyLiveComputers(true);
    run.Search->SetResolveNames(true);
    run.Run();
    QCOMPARE(run.Found, (QStringList{"group 127.0.0.1-127.0.0.1", "127.0.0.1|" + dnsName + "|127.0.0.1-127.0.0.1"}));
}

void TestSearchGroupsAndComputers::textFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("CR LF, blank lines and spaces")
        << QByteArray("alpha\r\n\r\n  beta  \r\n\r\ngamma") << QStringList{"alpha", "beta", "gamma"};
    QTest::newRow("UTF-8 with byte order mark")
        << QByteArray("\xEF\xBB\xBFk\xC3\xB6ln\nbeta\n") << QStringList{QStringLiteral("k\u00F6ln"), "beta"};
    QTest::newRow("UTF-16 with byte order mark")
        << Utf16LeWithBom(QStringLiteral("alpha\r\nbeta\r\n")) << QStringList{"alpha", "beta"};
    QTest::newRow("control characters") << QByteArray("al\x01pha\n\x07\x1b\nbe\tta\n") << QStringList{"alpha", "beta"};
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

void TestSearchGroupsAndComputers::textFile() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("names.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    TSearchRun run;
    run.Search->SetSearchMode(3);
    run.Search->SetImportFileName(file.fileName());
    run.Run();
    for (QString& line : expected)
        line += QStringLiteral("||-");
    QCOMPARE(run.Found, expected);
    QVERIFY(run.Finished);
    QCOMPARE(run.ErrorText, QString());
}

void TestSearchGroupsAndComputers::textFileThatCannotBeRead_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QStringLiteral("missing.txt") << QStringLiteral("No such file or directory");
    QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("it is not a regular file.");
}

void TestSearchGroupsAndComputers::textFileThatCannotBeRead() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QVERIFY(m_texts.IsLoaded());
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    const QString path = folder.filePath(name);
    TSearchRun run;
    run.Search->SetSearchMode(3);
    run.Search->SetImportFileName(path);
    run.Run();
    QCOMPARE(run.Found, QStringList());
    QVERIFY(run.Finished);
    QCOMPARE(run.ErrorText, QStringLiteral("The file %1 cannot be read: %2").arg(path, reason));
}

// A consumer that detaches gets nothing more, not even the end, and the search stops early instead of
// scanning a range of sixty thousand addresses for no one.
void TestSearchGroupsAndComputers::detachedSearchReportsNothingMore() {
    TSearchRun run;
    run.Search->SetSearchMode(2);
    run.Search->SetStartIP(QStringLiteral("10.0.0.1"));
    run.Search->SetStopIP(QStringLiteral("10.0.255.254"));
    run.OnFound = [&run] {
        if (run.Found.size() == 3)
            run.Search->Detach();
    };
    run.Run();
    QCOMPARE(run.Found.size(), 3);
    QVERIFY(!run.Ended);
}

// A directory search that cannot start must say why, never pass for a directory without computers.
void TestSearchGroupsAndComputers::directorySearchThatCannotStartSaysWhy_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no domain") << QString()
                               << u"No Active Directory domain is configured on this computer: enter the directory "
                                  u"server or its domain in Preferences, page \"Directory\"."_qs;
    QTest::newRow("nothing listens")
        << u"127.0.0.1"_qs << u"Searching the directory on server 127.0.0.1 failed: Can't contact LDAP server"_qs;
}

void TestSearchGroupsAndComputers::directorySearchThatCannotStartSaysWhy() {
    QFETCH(QString, server);
    QFETCH(QString, expected);
    if (server.isEmpty() && !QHostInfo::localDomainName().isEmpty())
        QSKIP("this host has a DNS domain, which names the directory's domain");
    // No Kerberos realm either: an empty configuration of the test's own.
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("krb5.conf"));
    QVERIFY(QFile(config).open(QIODevice::WriteOnly));
    qputenv("KRB5_CONFIG", config.toLocal8Bit());
    TSearchRun run;
    run.Search->SetSearchMode(1);
    run.Search->SetDirectory({server, QString(), QString(), QString(), true, false});
    run.Run();
    qunsetenv("KRB5_CONFIG");
    QVERIFY(run.Found.isEmpty());
    QVERIFY(run.Finished);
    QVERIFY2(run.ErrorText.startsWith(expected), qPrintable(run.ErrorText));
}

// A server that announces a message of 256 MB is not waited for until it has sent it all: the search ends at
// once with the server named, and not after the time-out.
void TestSearchGroupsAndComputers::directoryMessageTooLongIsRefused() {
    QTcpServer server;
    const QString address = QStringLiteral("127.77.0.1");
    if (!server.listen(QHostAddress(address), 389))
        QSKIP("the directory port of 127.77.0.1 is taken");
    connect(&server, &QTcpServer::newConnection, &server, [&server] {
        QTcpSocket* socket = server.nextPendingConnection();
        socket->setParent(&server);
        // A message header that promises 256 MB, and then nothing more.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write(QByteArray("\x30\x84\x10\x00\x00\x00", 6));
        });
    });
    qputenv("KRB5CCNAME", "FILE:/nonexistent/ticket");
    TSearchRun run;
    run.Search->SetSearchMode(1);
    run.Search->SetDirectory({address, QString(), u"user"_qs, u"password"_qs, true, false});
    run.Run();
    qunsetenv("KRB5CCNAME");
    QVERIFY(run.Found.isEmpty());
    QCOMPARE(run.ErrorText,
             QStringLiteral("Searching the directory on server %1 failed: Can't contact LDAP server").arg(address));
}

void TestSearchGroupsAndComputers::unknownModeFindsNothing() {
    TSearchRun run;
    run.Search->SetSearchMode(7);
    run.Run();
    QVERIFY(run.Found.isEmpty());
    QVERIFY(run.Finished);
    QCOMPARE(run.ErrorText, QString());
}

void TestSearchGroupsAndComputers::rangeSize_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<quint64>("size");
    QTest::newRow("one address") << "10.0.0.1"
                                 << "10.0.0.1" << quint64(1);
    QTest::newRow("high to low") << "10.0.1.0"
                                 << "10.0.0.1" << quint64(256);
    QTest::newRow("class A typo") << "10.0.0.1"
                                  << "10.255.255.254" << quint64(16777214);
    QTest::newRow("whole space") << "0.0.0.1"
                                 << "255.255.255.254" << quint64(4294967294);
    QTest::newRow("not an address") << "10.0.0.1"
                                    << "10.0.0.x" << quint64(0);
}

void TestSearchGroupsAndComputers::rangeSize() {
    QFETCH(QString, start);
    QFETCH(QString, stop);
    QFETCH(quint64, size);
    QCOMPARE(TThrdSearchGroupsAndComputers::RangeSize(start, stop), size);
}

// Workgroup and domain names come from the network: one of control characters alone names no group, and
// the next name in line, if any, stands in.
void TestSearchGroupsAndComputers::groupNameOfUntrustedNames_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the first name as it stands") << QStringList{"DORMTEST", "dormtest.lan"} << "DORMTEST";
    QTest::newRow("control characters cleaned out") << QStringList{"DORM\x01TEST\x1f"} << "DORMTEST";
    QTest::newRow("control characters alone, the next name")
        << QStringList{"\x01\x02\x7f", "dormtest.lan"} << "dormtest.lan";
    QTest::newRow("spaces and tabs alone, the next name") << QStringList{" \t ", "dormtest.lan"} << "dormtest.lan";
    QTest::newRow("no name keeps a character") << QStringList{"\x01", "\r\n", QString()} << QString();
    QTest::newRow("no name at all") << QStringList() << QString();
}

void TestSearchGroupsAndComputers::groupNameOfUntrustedNames() {
    QFETCH(QStringList, names);
    QFETCH(QString, expected);
    QCOMPARE(TThrdSearchGroupsAndComputers::GroupNameOf(names), expected);
}

QTEST_GUILESS_MAIN(TestSearchGroupsAndComputers)
#include "TestSearchGroupsAndComputers.moc"
