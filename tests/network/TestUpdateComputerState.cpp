#include "TScriptedEntryDialogs.h"
#include "TScriptedPrompts.h"
#include "UThrdUpdateComputerState.h"
#include "uComputerList.h"
#include "uProgramOptions.h"

#include <QHostAddress>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

// Checks by TCP connection on loopback: 127.0.0.1 answers on the listening port, 127.0.0.2 refuses.
struct TLoopbackPeers {
    TLoopbackPeers() {
        Listener.listen(QHostAddress::LocalHost);
        Options.DefaultCheckState = 1;
        Options.DefaultTCPPort = Listener.serverPort();
        Options.DefaultTimeout = 2000;
    }
    QTcpServer Listener;
    TProgramOptions Options;
};

struct TFixture : TLoopbackPeers {
    TFixture() {
        List->SetStatePassFactory([this]() -> IComputerStatePass* {
            auto* pass = static_cast<TThrdUpdateComputerState*>(TThrdUpdateComputerState::Factory(Options)());
            Passes.append(pass);
            return pass;
        });
    }
    TScriptedPrompts Prompts;
    TScriptedEntryDialogs Dialogs;
    std::unique_ptr<TComputerList> List = std::make_unique<TComputerList>(Options, Prompts, Dialogs);
    QList<QPointer<TThrdUpdateComputerState>> Passes;
};

// Runs one pass without a list; records the reports in order.
struct TDirectPass : TLoopbackPeers {
    void Start(const QStringList& names, std::function<void(const QString&, bool)> onEachResult = {}) {
        Pass = new TThrdUpdateComputerState([this] { return TCheckSettings::FromOptions(Options); });
        Pass->Start(
            names,
            [this, onEachResult](const QString& name, bool online) {
                Results.append({name, online});
                if (onEachResult)
                    onEachResult(name, online);
            },
            [](const QString&, const QString&) {}, [this] { ++Done; });
    }
    QPointer<TThrdUpdateComputerState> Pass;
    QList<std::pair<QString, bool>> Results;
    int Done = 0;
};

} // namespace

class TestUpdateComputerState : public QObject {
    Q_OBJECT
private slots:
    void emptyListStartsNothing();
    void everyComputerOfTheNameIsSet();
    void passWhileOneRunsIsIgnored();
    void closingDuringThePass();
    void checkMethodChangeTakesEffectAtTheNextCheck();
    void detachedPassReportsNothingMore();
};

void TestUpdateComputerState::emptyListStartsNothing() {
    TFixture f;
    QSignalSpy started(f.List.get(), &TComputerList::OnUpdateStateStart);
    f.List->UpdateState();
    QVERIFY(f.Passes.isEmpty());
    QCOMPARE(started.size(), 0);
}

void TestUpdateComputerState::everyComputerOfTheNameIsSet() {
    TFixture f;
    TGroupObject* group = f.List->NewGroup(QStringLiteral("Lab"), QString(), nullptr);
    TComputerObject* answers[] = {f.List->NewComputer(QStringLiteral("127.0.0.1"), QString(), nullptr, 0),
                                  f.List->NewComputer(QStringLiteral("127.0.0.1"), QString(), group, 0),
                                  f.List->NewComputer(QStringLiteral("localhost"), QString(), group, 0)};
    TComputerObject* silent[] = {f.List->NewComputer(QStringLiteral("127.0.0.2"), QString(), nullptr, 1),
                                 f.List->NewComputer(QStringLiteral("127.0.0.2"), QString(), group, 1)};
    QSignalSpy done(f.List.get(), &TComputerList::OnUpdateStateDone);
    f.List->UpdateState();
    QVERIFY(done.wait(10000));
    for (TComputerObject* computer : answers)
        QCOMPARE(computer->Status(), 1);
    for (TComputerObject* computer : silent)
        QCOMPARE(computer->Status(), 0);
    QCOMPARE(f.List->StateThread(), nullptr);
    QTRY_VERIFY(f.Passes.first().isNull()); // it freed itself
}

void TestUpdateComputerState::passWhileOneRunsIsIgnored() {
    TFixture f;
    f.List->NewComputer(QStringLiteral("127.0.0.1"), QString(), nullptr);
    QSignalSpy started(f.List.get(), &TComputerList::OnUpdateStateStart);
    QSignalSpy done(f.List.get(), &TComputerList::OnUpdateStateDone);
    f.List->UpdateState();
    f.List->UpdateState();
    QCOMPARE(f.Passes.size(), 1);
    QCOMPARE(started.size(), 1);
    QVERIFY(done.wait(10000));
    // Once it has ended, the next request starts a new pass.
    f.List->UpdateState();
    QCOMPARE(f.Passes.size(), 2);
    QVERIFY(done.wait(10000));
    QCOMPARE(done.size(), 2);
}

void TestUpdateComputerState::closingDuringThePass() {
    TFixture f;
    for (int i = 0; i < 50; ++i)
        f.List->NewComputer(QStringLiteral("127.0.0.1"), QString(), nullptr, 0);
    QSignalSpy done(f.List.get(), &TComputerList::OnUpdateStateDone);
    f.List->UpdateState();
    const QPointer<TThrdUpdateComputerState> pass = f.Passes.first();
    QVERIFY(pass && pass->isRunning());
    // The list goes at once, without waiting; the pass ends by itself and frees itself.
    f.List.reset();
    QTRY_VERIFY(pass.isNull());
    QCOMPARE(done.size(), 0);
}

void TestUpdateComputerState::checkMethodChangeTakesEffectAtTheNextCheck() {
    TDirectPass p;
    p.Start({QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.2")},
            [&p](const QString&, bool) { p.Options.DefaultCheckState = -1; });
    QTRY_COMPARE(p.Done, 1);
    const QList<std::pair<QString, bool>> expected{{"127.0.0.2", false}, {"127.0.0.2", true}, {"127.0.0.2", true}};
    QCOMPARE(p.Results, expected);
    QTRY_VERIFY(p.Pass.isNull());
}

void TestUpdateComputerState::detachedPassReportsNothingMore() {
    TDirectPass p;
    p.Start(QStringList(20, QStringLiteral("127.0.0.1")), [&p](const QString&, bool) { p.Pass->Detach(); });
    QTRY_VERIFY(p.Pass.isNull());
    QCOMPARE(p.Results.size(), 1);
    QCOMPARE(p.Done, 0);
}

QTEST_GUILESS_MAIN(TestUpdateComputerState)
#include "TestUpdateComputerState.moc"
