#include "uActionPanel.h"

#include "LangChanger.h"
#include "uIcons.h"
#include "uRunController.h"
#include "uShutdownReasons.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

TActionPanel::TActionPanel(QAction* actExecute, QAction* actStop, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlAction"));
    cmbShutdownAction = new QComboBox(this);
    cmbShutdownAction->setObjectName(QStringLiteral("cmbShutdownAction"));
    // Action names grow with new actions and languages; the panel stays as narrow as before.
    cmbShutdownAction->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbShutdownAction->setMinimumContentsLength(6);
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
    tsRestartWait = MakePage("tsRestartWait", tr("Restart and wait until back"),
                             tr("Restarts the checked computers and waits until each has started anew, up to the "
                                "limit set in Preferences. The log tells how long each took."),
                             Icons::Themed(QStringLiteral("restart"), QStringLiteral("system-reboot")));
    gbOptions = MakeOptions();
    tsWakeUp = MakePage("tsWakeUp", tr("Wake up"),
                        tr("Switches the checked computers on over the network (Wake-on-LAN). A computer is woken "
                           "only when its hardware address is known: it is learned when the computer answers, or "
                           "typed in the computer's properties."),
                        Icons::Themed(QStringLiteral("wakeup"), QString()));

    auto* choice = new QHBoxLayout;
    choice->addWidget(cmbShutdownAction, 1);
    choice->addWidget(btnExecute);
    choice->addWidget(btnStop);
    // The description and the options scroll, so that the panel never forces the window to grow.
    auto* body = new QWidget;
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(pcActionInfo, 1);
    bodyLayout->addWidget(gbOptions);
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("sbActionBody"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(body);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(scroller, 1);

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

// Windows' own limits: a countdown of at most ten minutes, a comment of at most 512 characters.
QGroupBox* TActionPanel::MakeOptions() {
    constexpr int MaxDelaySeconds = 600;
    constexpr int MaxMessageLength = 512;
    auto* box = new QGroupBox(tr("Options"), this);
    box->setObjectName(QStringLiteral("gbOptions"));
    edDelay = new QSpinBox(box);
    edDelay->setObjectName(QStringLiteral("edDelay"));
    edDelay->setRange(0, MaxDelaySeconds);
    edDelay->setSuffix(QStringLiteral(" s"));
    edDelay->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    edMessage = new QLineEdit(box);
    edMessage->setObjectName(QStringLiteral("edMessage"));
    edMessage->setMaxLength(MaxMessageLength);
    cmbReason = new QComboBox(box);
    cmbReason->setObjectName(QStringLiteral("cmbReason"));
    cmbReason->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbReason->setMinimumContentsLength(16);
    FillReasonList();
    const auto label = [box](const char* name, const QString& text) {
        auto* caption = new QLabel(text, box);
        caption->setObjectName(QLatin1String(name));
        return caption;
    };
    auto* form = new QFormLayout(box);
    form->addRow(label("lblDelay", tr("Delay:")), edDelay);
    form->addRow(label("lblMessage", tr("Message to users:")), edMessage);
    form->addRow(label("lblReason", tr("Reason:")), cmbReason);
    return box;
}

void TActionPanel::FillReasonList() {
    const int chosen = qMax(0, cmbReason->currentIndex());
    cmbReason->clear();
    for (const TShutdownReason& reason : ShutdownReasons())
        cmbReason->addItem(LangStr(QLatin1String(reason.Key)), reason.Code);
    cmbReason->setCurrentIndex(chosen);
}

TShutdownNotice TActionPanel::Notice() const {
    return {edDelay->value(), edMessage->text(), cmbReason->currentData().toUInt()};
}

void TActionPanel::FillActionList() {
    for (QWidget* page : {tsShutdown, tsRestart, tsRestartWait, tsWakeUp})
        cmbShutdownAction->addItem(TRunController::GetActionName(pcActionInfo->indexOf(page)),
                                   QVariant::fromValue(page));
    cmbShutdownAction->setCurrentIndex(0);
    cmbShutdownActionSelect(0);
}

void TActionPanel::ReloadActionNames() {
    FillReasonList();
    for (int i = 0; i < cmbShutdownAction->count(); ++i)
        cmbShutdownAction->setItemText(
            i, TRunController::GetActionName(pcActionInfo->indexOf(cmbShutdownAction->itemData(i).value<QWidget*>())));
}

void TActionPanel::cmbShutdownActionSelect(int index) {
    auto* page = cmbShutdownAction->itemData(index).value<QWidget*>();
    if (!page)
        return;
    pcActionInfo->setCurrentWidget(page);
    // A wake-up warns nobody and records no reason: its computers are off.
    gbOptions->setEnabled(page != tsWakeUp);
}

void TActionPanel::SetRunning(bool running) {
    btnExecute->setVisible(!running);
    btnStop->setVisible(running);
}

qint32 TActionPanel::SelectedAction() const {
    return pcActionInfo->indexOf(cmbShutdownAction->currentData().value<QWidget*>());
}
