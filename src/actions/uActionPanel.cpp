#include "uActionPanel.h"

#include "uIcons.h"
#include "uRunController.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

TActionPanel::TActionPanel(QAction* actExecute, QAction* actStop, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlAction"));
    cmbShutdownAction = new QComboBox(this);
    cmbShutdownAction->setObjectName(QStringLiteral("cmbShutdownAction"));
    btnExecute = new QToolButton(this);
    btnExecute->setObjectName(QStringLiteral("btnExecute"));
    btnExecute->setDefaultAction(actExecute);
    btnExecute->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnStop = new QToolButton(this);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setDefaultAction(actStop);
    btnStop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnStop->hide();

    pcActionInfo = new QStackedWidget(this);
    pcActionInfo->setObjectName(QStringLiteral("pcActionInfo"));
    tsShutdown = MakePage("tsShutdown", tr("Shut down"),
                          tr("Turns the checked computers off. Programs running on them are closed without asking; "
                             "data not saved there is lost."),
                          Icons::Themed(QStringLiteral("shutdown"), QStringLiteral("system-shutdown")));
    tsRestart = MakePage("tsRestart", tr("Restart"),
                         tr("Restarts the checked computers. Programs running on them are closed without asking; "
                            "data not saved there is lost."),
                         Icons::Themed(QStringLiteral("restart"), QStringLiteral("system-reboot")));
    tsWakeUp = MakePage("tsWakeUp", tr("Wake up"),
                        tr("Switches the checked computers on over the network (Wake-on-LAN). A computer is woken "
                           "only when its hardware address is known: it is learned when the computer answers, or "
                           "typed in the computer's properties."),
                        Icons::Themed(QStringLiteral("wakeup"), QString()));

    auto* choice = new QHBoxLayout;
    choice->addWidget(cmbShutdownAction, 1);
    choice->addWidget(btnExecute);
    choice->addWidget(btnStop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(pcActionInfo, 1);

    FillActionList();
    connect(cmbShutdownAction, &QComboBox::activated, this, &TActionPanel::cmbShutdownActionSelect);
}

QWidget* TActionPanel::MakePage(const char* name, const QString& title, const QString& text, const QIcon& image) {
    auto* page = new QWidget(pcActionInfo);
    page->setObjectName(QLatin1String(name));
    auto* picture = new QLabel(page);
    picture->setPixmap(image.pixmap(48, 48));
    auto* caption = new QLabel(title, page);
    caption->setObjectName(QLatin1String(name) + QStringLiteral("Title"));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    auto* description = new QLabel(text, page);
    description->setObjectName(QLatin1String(name) + QStringLiteral("Text"));
    description->setWordWrap(true);
    auto* texts = new QVBoxLayout;
    texts->addWidget(caption);
    texts->addWidget(description, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    pcActionInfo->addWidget(page);
    return page;
}

void TActionPanel::FillActionList() {
    for (QWidget* page : {tsShutdown, tsRestart, tsWakeUp})
        cmbShutdownAction->addItem(TRunController::GetActionName(pcActionInfo->indexOf(page)),
                                   QVariant::fromValue(page));
    cmbShutdownAction->setCurrentIndex(0);
    cmbShutdownActionSelect(0);
}

void TActionPanel::ReloadActionNames() {
    for (int i = 0; i < cmbShutdownAction->count(); ++i)
        cmbShutdownAction->setItemText(
            i, TRunController::GetActionName(pcActionInfo->indexOf(cmbShutdownAction->itemData(i).value<QWidget*>())));
}

void TActionPanel::cmbShutdownActionSelect(int index) {
    if (auto* page = cmbShutdownAction->itemData(index).value<QWidget*>())
        pcActionInfo->setCurrentWidget(page);
}

void TActionPanel::SetRunning(bool running) {
    btnExecute->setVisible(!running);
    btnStop->setVisible(running);
}

qint32 TActionPanel::SelectedAction() const {
    return pcActionInfo->indexOf(cmbShutdownAction->currentData().value<QWidget*>());
}
