#include "uWindowPlacement.h"

#include <QTest>

class TestWindowPlacement : public QObject {
    Q_OBJECT
private slots:
    void fitsIntoScreen_data();
    void fitsIntoScreen();
};

void TestWindowPlacement::fitsIntoScreen_data() {
    QTest::addColumn<QRect>("placement");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("fitted");
    const QRect screen(0, 0, 1097, 600); // 1920 x 1050 at scale 1.75, less a panel
    QTest::newRow("inside") << QRect(10, 20, 800, 500) << screen << QRect(10, 20, 800, 500);
    QTest::newRow("exactly the screen") << screen << screen << screen;
    QTest::newRow("stored at scale 1") << QRect(60, 40, 1800, 1000) << screen << screen;
    QTest::newRow("wider only") << QRect(300, 50, 1200, 400) << screen << QRect(0, 50, 1097, 400);
    QTest::newRow("past the bottom right") << QRect(900, 500, 400, 300) << screen << QRect(697, 300, 400, 300);
    QTest::newRow("above and left") << QRect(-200, -50, 400, 300) << screen << QRect(0, 0, 400, 300);
    const QRect second(1920, 24, 1280, 1000); // a second screen right of the first, below a top panel
    QTest::newRow("second screen") << QRect(1900, 0, 800, 600) << second << QRect(1920, 24, 800, 600);
    QTest::newRow("no screen leaves it") << QRect(-50, -50, 100, 100) << QRect() << QRect(-50, -50, 100, 100);
}

void TestWindowPlacement::fitsIntoScreen() {
    QFETCH(QRect, placement);
    QFETCH(QRect, available);
    QFETCH(QRect, fitted);
    QCOMPARE(FitIntoScreen(placement, available), fitted);
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "TestWindowPlacement.moc"
