#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uAppLog.h"
#include "uAppLogView.h"
#include "uComputerList.h"
#include "uComputerTreeView.h"
#include "uDlgManual.h"
#include "uIcons.h"
#include "uMain.h"
#include "uProgramOptions.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QScopeGuard>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

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
    void wizardIsOfferedAtTheFirstActivationOnly();
    void toolbarCarriesItsActionsWithIconsAndRules();
    void helpPagesOpenTheMakersAddress_data();
    void helpPagesOpenTheMakersAddress();
    void shippedIconsLoadAtBothScales_data();
    void shippedIconsLoadAtBothScales();
    void logColumnAlignmentIsShownAndKept();
    void manualIsShippedWithItsPictures();

public slots:
    // Stands in for the browser: the addresses the window opens.
    void OpenUrl(const QUrl& url) { m_opened.append(url); }

private:
    // A window made afresh on the current options.
    void Reopen();
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
    QList<QUrl> m_opened;
};

void TestMainWindow::init() {
    m_prompts = std::make_unique<TScriptedPrompts>();
    m_dialogs = std::make_unique<TScriptedEntryDialogs>();
    Reopen();
}

void TestMainWindow::Reopen() {
    m_form.reset();
    m_form = std::make_unique<TDormivaForm>(m_options, *m_prompts, *m_dialogs, m_connectAs, m_fileDialogs);
    m_form->resize(800, 600);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_list = &m_form->ComputerList();
    m_tree = m_form->vstComputerList();
}

void TestMainWindow::cleanup() {
    m_form.reset();
    m_options = TProgramOptions();
    m_opened.clear();
    m_dialogs.reset();
    m_prompts.reset();
}

void TestMainWindow::keysOfTheTreeRunTheListCommands() {
    m_tree->setFocus();
    QTRY_VERIFY(m_tree->hasFocus());
    m_dialogs->Accept({QStringLiteral("pc"), {}, ucInherited, {}, {}, {}});
    QTest::keyClick(m_tree, Qt::Key_Insert);
    QVERIFY(m_list->FindComputer(QStringLiteral("pc")));
    QCOMPARE(m_tree->currentIndex(), m_list->NodeOf(m_list->FindComputer(QStringLiteral("pc"))));

    m_dialogs->Accept({QStringLiteral("G"), {}, ucInherited, {}, {}, {}});
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
    m_form->AskWizardIfEmpty();
    m_options.DontShowAskWizardIfEmpty = false;
    QCOMPARE(wizard, opened ? QStringLiteral("dlgWizardComputerList") : QString());
    QCOMPARE(m_prompts->Asked().size(), answer >= 0 ? 1 : 0);
    if (answer >= 0)
        QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
}

void TestMainWindow::wizardIsOfferedAtTheFirstActivationOnly() {
    QVERIFY(m_form->FirstActivation);
    m_prompts->Answer(TPromptResult::No);
    m_form->FormActivate();
    m_form->FormActivate();
    QTRY_COMPARE(m_prompts->Asked().size(), 1);
    QVERIFY(!m_form->FirstActivation);
    QTest::qWait(50);
    QCOMPARE(m_prompts->Asked().size(), 1);
    QCOMPARE(m_prompts->Asked().at(0).Buttons, TPromptButtons::YesNo);
    QVERIFY(!m_list->HasItems());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestMainWindow::toolbarCarriesItsActionsWithIconsAndRules() {
    QStringList names;
    for (QAction* action : m_form->tbMain->actions()) {
        if (action->isSeparator())
            continue;
        names << action->objectName();
        QVERIFY2(!action->icon().pixmap(QSize(24, 24)).isNull(), qPrintable(action->objectName()));
        QVERIFY2(!action->toolTip().isEmpty(), qPrintable(action->objectName()));
    }
    QCOMPARE(names, QStringList({"actComputerListWizard", "actGroupCreateNew", "actComputerAdd", "actEdit", "actDelete",
                                 "actCredentials", "actPreferences", "actHelp", "actHome", "actAbout"}));

    // The buttons follow the actions' rules: editing and deleting need a selection.
    QWidget* edit = m_form->tbMain->widgetForAction(m_form->actEdit);
    QWidget* del = m_form->tbMain->widgetForAction(m_form->actDelete);
    QVERIFY(!edit->isEnabled() && !del->isEnabled());
    QVERIFY(m_form->tbMain->widgetForAction(m_form->actComputerAdd)->isEnabled());
    m_list->AddComputer(QStringLiteral("pc"), {}, nullptr, ucInherited, {}, {});
    QVERIFY(edit->isEnabled() && del->isEnabled());
    m_list->SelectionModel()->clearSelection();
    QVERIFY(!edit->isEnabled() && !del->isEnabled());
    QCOMPARE(m_form->actEdit->shortcut(), QKeySequence(Qt::Key_F2));
}

void TestMainWindow::helpPagesOpenTheMakersAddress_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected");
    const QString suffix = QStringLiteral("&product=dormiva&version=1.2.3.4");
    for (const auto& [name, page] : {std::pair{"actHome", "home"},
                                     {"actSupport", "support"},
                                     {"actFeedback", "feedback"},
                                     {"actCheckForUpdates", "update"}}) {
        QTest::addRow("%s", name)
            << QStringLiteral("www.vardolin.example") << QString::fromLatin1(name)
            << QStringLiteral("https://www.vardolin.example/action.php?action=%1%2").arg(QLatin1String(page), suffix);
        QTest::addRow("%s, host with port", name)
            << QStringLiteral("localhost:8080") << QString::fromLatin1(name)
            << QStringLiteral("https://localhost:8080/action.php?action=%1%2").arg(QLatin1String(page), suffix);
        QTest::addRow("%s, no host", name) << QString() << QString::fromLatin1(name) << QString();
    }
}

void TestMainWindow::helpPagesOpenTheMakersAddress() {
    QFETCH(QString, host);
    QFETCH(QString, action);
    QFETCH(QString, expected);
    m_options.WebHost = host;
    m_options.WebQuerySuffix = QStringLiteral("&product=dormiva&version=1.2.3.4");
    Reopen();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
    const auto unregister = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
    auto* page = m_form->findChild<QAction*>(action);
    QVERIFY(page);
    QCOMPARE(page->isVisible(), !expected.isEmpty());
    if (expected.isEmpty())
        return;
    page->trigger();
    QCOMPARE(m_opened, QList<QUrl>({QUrl(expected)}));
    // The manual is shipped with the program, with or without a host.
    QVERIFY(m_form->actHelp->isVisible());
}

void TestMainWindow::shippedIconsLoadAtBothScales_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("scale");
    const QStringList names = Icons::ShippedNames();
    QVERIFY(names.contains(QStringLiteral("dormiva")));
    for (const QString& name : names)
        for (qreal scale : {1.0, 2.0})
            QTest::addRow("%s at %d%%", qPrintable(name), int(scale * 100)) << name << scale;
}

void TestMainWindow::shippedIconsLoadAtBothScales() {
    QFETCH(QString, name);
    QFETCH(qreal, scale);
    const QPixmap pixmap = Icons::Themed(name).pixmap(QSize(24, 24), scale);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(24, 24) * scale);
    // Drawn, not blank: some pixel is not transparent.
    const QImage image = pixmap.toImage();
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
            drawn = qAlpha(image.pixel(x, y)) > 0;
    QVERIFY(drawn);
}

void TestMainWindow::logColumnAlignmentIsShownAndKept() {
    m_form.reset(); // it would leave its own layout in the options
    m_options.LogColumns = TListColumnLayout(2);
    m_options.LogColumns[1] = {true, QStringLiteral("Message"), 200, 2, 1, false, 0};
    Reopen();
    m_form->AppLog().Add(QStringLiteral("line"), TAppLogLevel::Info);
    const QAbstractItemModel* model = m_form->vstApplicationLog()->model();
    const auto alignment = [&](int column) {
        return Qt::Alignment::fromInt(model->index(0, column).data(Qt::TextAlignmentRole).toInt());
    };
    QVERIFY(alignment(1) & Qt::AlignHCenter);
    QVERIFY(!(alignment(0) & (Qt::AlignHCenter | Qt::AlignRight)));
    m_form.reset();
    QCOMPARE(m_options.LogColumns[1].Alignment, 2);
    QCOMPARE(m_options.LogColumns[0].Alignment, 0);
}

void TestMainWindow::manualIsShippedWithItsPictures() {
    m_form->actHelp->trigger();
    auto* manual = m_form->findChild<TDlgManual*>(QStringLiteral("dlgManual"));
    QVERIFY(manual && manual->isVisible());
    QVERIFY(manual->txtManual->toPlainText().contains(QStringLiteral("Troubleshooting")));
    for (const char* picture : {"main-window", "wizard", "preferences"}) {
        const QUrl url(QStringLiteral("../packaging/screenshots/%1.png").arg(QLatin1String(picture)));
        QVERIFY2(!manual->txtManual->loadResource(QTextDocument::ImageResource, url).isNull(), picture);
    }
    manual->close();
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
