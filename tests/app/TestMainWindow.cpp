#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uComputerTreeView.h"
#include "uMain.h"
#include "uProgramOptions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QTest>
#include <QTimer>

// The wiring of the main window and its computer tree; the list's own rules are tested headless.
class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keysOfTheTreeRunTheListCommands();
    void actionsFollowSelectionAndItems();
    void expandedStateFollowsBothWays();
    void dropOnTheTreeMovesTheSelection();
    void typingSearchesAllNodes();
    void bringToFrontRestoresAMinimizedWindow();
    void treeImagesAreDrawnAtTheScreenScale();
    void wizardIsOfferedForAnEmptyList_data();
    void wizardIsOfferedForAnEmptyList();

private:
    // Sends a drag of the list's entries to the point in the tree; returns whether it was accepted.
    bool Drag(const QPoint& pos, bool drop);

    TProgramOptions m_options;
    std::unique_ptr<TScriptedPrompts> m_prompts;
    std::unique_ptr<TScriptedEntryDialogs> m_dialogs;
    TScriptedConnectAsPrompt m_connectAs;
    TScriptedFileDialogs m_fileDialogs;
    std::unique_ptr<TDormivaForm> m_form;
    TComputerList* m_list = nullptr;
    TComputerTreeView* m_tree = nullptr;
};

void TestMainWindow::init() {
    m_prompts = std::make_unique<TScriptedPrompts>();
    m_dialogs = std::make_unique<TScriptedEntryDialogs>();
    m_form = std::make_unique<TDormivaForm>(m_options, *m_prompts, *m_dialogs, m_connectAs, m_fileDialogs);
    m_form->resize(800, 600);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_list = &m_form->ComputerList();
    m_tree = m_form->vstComputerList();
}

void TestMainWindow::cleanup() {
    m_form.reset();
    m_dialogs.reset();
    m_prompts.reset();
}

void TestMainWindow::keysOfTheTreeRunTheListCommands() {
    m_tree->setFocus();
    QTRY_VERIFY(m_tree->hasFocus());
    m_dialogs->Accept({QStringLiteral("pc"), {}, ucInherited, {}, {}});
    QTest::keyClick(m_tree, Qt::Key_Insert);
    QVERIFY(m_list->FindComputer(QStringLiteral("pc")));
    QCOMPARE(m_tree->currentIndex(), m_list->NodeOf(m_list->FindComputer(QStringLiteral("pc"))));

    m_dialogs->Accept({QStringLiteral("G"), {}, ucInherited, {}, {}});
    QTest::keyClick(m_tree, Qt::Key_Insert, Qt::ControlModifier);
    QVERIFY(m_list->FindGroup(QStringLiteral("G")));

    m_prompts->Answer(TPromptResult::OK);
    QTest::keyClick(m_tree, Qt::Key_Delete);
    QCOMPARE(m_list->FindGroup(QStringLiteral("G")), nullptr);
    QVERIFY(m_prompts->AllAnswersUsed());
}

void TestMainWindow::actionsFollowSelectionAndItems() {
    QVERIFY(!m_form->actEdit->isEnabled());
    QVERIFY(!m_form->actDeleteAll->isEnabled());
    QVERIFY(!m_form->actComputerUpdate->isEnabled());
    QVERIFY(m_form->actComputerAdd->isEnabled());
    TComputerObject* pc = m_list->AddComputer(QStringLiteral("pc"), {}, nullptr, ucInherited, {}, {});
    QVERIFY(m_form->actEdit->isEnabled());
    QVERIFY(m_form->actDelete->isEnabled());
    QVERIFY(m_form->actDeleteAll->isEnabled());
    QVERIFY(m_form->actExpandAll->isEnabled());
    m_list->SelectionModel()->clearSelection();
    QVERIFY(!m_form->actDelete->isEnabled());
    m_list->DeleteItem(pc);
    QVERIFY(!m_list->HasItems());
    QVERIFY(!m_form->actCollapseAll->isEnabled());
}

void TestMainWindow::expandedStateFollowsBothWays() {
    TGroupObject* outer = m_list->NewGroup(QStringLiteral("Outer"), {}, nullptr);
    TGroupObject* inner = m_list->NewGroup(QStringLiteral("Inner"), {}, outer);
    m_list->NewComputer(QStringLiteral("pc"), {}, inner);
    inner->SetExpanded(true);
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(inner)));
    m_tree->expand(m_list->NodeOf(outer));
    QVERIFY(outer->IsExpanded());
    m_tree->collapse(m_list->NodeOf(inner));
    QVERIFY(!inner->IsExpanded());

    // A group read in one update bracket shows as its file says.
    m_list->BeginUpdate();
    TGroupObject* loaded = m_list->NewGroup(QStringLiteral("Loaded"), {}, outer);
    m_list->NewComputer(QStringLiteral("x"), {}, loaded);
    loaded->SetExpanded(true);
    m_list->EndUpdate();
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(loaded)));
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(outer)));
    QVERIFY(!m_tree->isExpanded(m_list->NodeOf(inner)));
}

bool TestMainWindow::Drag(const QPoint& pos, bool drop) {
    std::unique_ptr<QMimeData> data(m_list->ViewModel()->mimeData(m_list->SelectionModel()->selectedIndexes()));
    QDragEnterEvent enter(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_tree->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_tree->viewport(), &move);
    if (!move.isAccepted() || !drop)
        return move.isAccepted();
    QDropEvent dropEvent(pos, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_tree->viewport(), &dropEvent);
    return dropEvent.isAccepted();
}

void TestMainWindow::dropOnTheTreeMovesTheSelection() {
    TGroupObject* target = m_list->NewGroup(QStringLiteral("Target"), {}, nullptr);
    TGroupObject* dragged = m_list->NewGroup(QStringLiteral("Dragged"), {}, nullptr);
    TComputerObject* inside = m_list->NewComputer(QStringLiteral("inside"), {}, dragged);
    dragged->SetExpanded(true);
    m_list->SelectionModel()->select(m_list->NodeOf(dragged), QItemSelectionModel::ClearAndSelect);

    QVERIFY(!Drag(m_tree->visualRect(m_list->NodeOf(inside)).center(), false));
    QVERIFY(Drag(m_tree->visualRect(m_list->NodeOf(target)).center(), true));
    QCOMPARE(dragged->ParentGroup(), target);
    QCOMPARE(inside->ParentGroup(), dragged);
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(target)));
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(dragged)));
    QVERIFY(m_tree->selectionModel()->isSelected(m_list->NodeOf(dragged)));

    // Just above a node is before it, at its level.
    const QRect rect = m_tree->visualRect(m_list->NodeOf(target));
    QVERIFY(Drag(QPoint(rect.center().x(), rect.top() + 1), true));
    QCOMPARE(dragged->ParentGroup(), nullptr);
    QCOMPARE(m_list->Items().front().get(), dragged);
    // Just below a computer is after it.
    TComputerObject* pc = m_list->NewComputer(QStringLiteral("pc"), {}, nullptr);
    const QRect pcRect = m_tree->visualRect(m_list->NodeOf(pc));
    QVERIFY(Drag(QPoint(pcRect.center().x(), pcRect.bottom() - 1), true));
    QCOMPARE(m_list->Items().back().get(), dragged);
}

void TestMainWindow::typingSearchesAllNodes() {
    TGroupObject* group = m_list->NewGroup(QStringLiteral("Servers"), {}, nullptr);
    TComputerObject* mail = m_list->NewComputer(QStringLiteral("mail"), {}, group);
    m_tree->setFocus();
    QTest::keyClicks(m_tree, QStringLiteral("ma"));
    QCOMPARE(m_tree->currentIndex(), m_list->NodeOf(mail));
    QVERIFY(m_tree->isExpanded(m_list->NodeOf(group)));
}

void TestMainWindow::bringToFrontRestoresAMinimizedWindow() {
    m_form->showMinimized();
    QTRY_VERIFY(m_form->isMinimized());
    m_form->BringToFront();
    QVERIFY(!m_form->isMinimized());
    QVERIFY(m_form->isVisible());
}

void TestMainWindow::treeImagesAreDrawnAtTheScreenScale() {
    const QList<QIcon> images = TComputerTreeView::NodeImages();
    QCOMPARE(images.size(), 4); // group, not reachable, reachable, not checked yet
    QList<QImage> drawn;
    for (const QIcon& image : images) {
        // At 1.75 a 16-pixel image needs 28 device pixels; an upscaled bitmap would have 16.
        const QPixmap pixmap = image.pixmap(QSize(16, 16), 1.75);
        QCOMPARE(pixmap.size(), QSize(28, 28));
        QCOMPARE(pixmap.devicePixelRatio(), 1.75);
        drawn.append(pixmap.toImage());
    }
    for (qsizetype i = 0; i < drawn.size(); ++i)
        for (qsizetype j = i + 1; j < drawn.size(); ++j)
            QVERIFY2(drawn[i] != drawn[j], qPrintable(QStringLiteral("images %1 and %2 look alike").arg(i).arg(j)));
}

void TestMainWindow::wizardIsOfferedForAnEmptyList_data() {
    QTest::addColumn<bool>("hasComputer");
    QTest::addColumn<bool>("dontAsk");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<bool>("opened");
    QTest::newRow("empty, Yes") << false << false << int(TPromptResult::Yes) << true;
    QTest::newRow("empty, No") << false << false << int(TPromptResult::No) << false;
    QTest::newRow("empty, not asking") << false << true << -1 << true;
    QTest::newRow("not empty") << true << false << -1 << false;
}

void TestMainWindow::wizardIsOfferedForAnEmptyList() {
    QFETCH(bool, hasComputer);
    QFETCH(bool, dontAsk);
    QFETCH(int, answer);
    QFETCH(bool, opened);
    m_options.DontShowAskWizardIfEmpty = dontAsk;
    if (hasComputer)
        m_list->NewComputer(QStringLiteral("pc"), QString(), nullptr);
    if (answer >= 0)
        m_prompts->Answer(TPromptResult(answer));
    QString wizard;
    QTimer::singleShot(0, this, [&wizard] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            wizard = modal->objectName();
            modal->close();
        }
    });
    m_form->OfferWizardIfEmpty();
    m_options.DontShowAskWizardIfEmpty = false;
    QCOMPARE(wizard, opened ? QStringLiteral("dlgWizardComputerList") : QString());
    QCOMPARE(m_prompts->Asked().size(), answer >= 0 ? 1 : 0);
    if (answer >= 0)
        QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
