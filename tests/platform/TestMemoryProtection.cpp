#include "PlatformMemoryProtection.h"

#include <QTest>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Passwords live in clear text in the program's memory: it must not end up in a core dump.
class TestMemoryProtection : public QObject {
    Q_OBJECT
private slots:
    void processBecomesNonDumpable();
};

void TestMemoryProtection::processBecomesNonDumpable() {
    // In a child, so the test process itself stays as it was; the exit code carries what it read back.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const int before = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        const bool done = Platform::KeepMemoryPrivate();
        const int after = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        _exit(before == 1 && done && after == 0 ? 0 : 10 + after);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_GUILESS_MAIN(TestMemoryProtection)
#include "TestMemoryProtection.moc"
