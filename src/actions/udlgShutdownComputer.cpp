#include "udlgShutdownComputer.h"

#include "LangChanger.h"
#include "uFormat.h"
#include "uThrdShutdownComputer.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TdlgShutdownComputer::TdlgShutdownComputer(QWidget* parent, IUserPrompts& prompts, const QString& computer,
                                           const QString& userName, const QString& password,
                                           const TRemoteSettings& settings)
    : QDialog(parent), m_prompts(prompts), Computer(computer), UserName(userName), Password(password),
      m_settings(settings) {
    setObjectName(QStringLiteral("dlgShutdownComputer"));
    setWindowTitle(QStringLiteral("Shut Down"));
    setMinimumWidth(340);
    lblAdminToolShutdownInfo = new QLabel(Format(LangStr(QStringLiteral("sAdminToolShutdownInfo")), {computer}), this);
    lblAdminToolShutdownInfo->setObjectName(QStringLiteral("lblAdminToolShutdownInfo"));
    lblAdminToolShutdownInfo->setTextFormat(Qt::PlainText);
    lblAdminToolShutdownInfo->setWordWrap(true);
    cmbShutdown = new QComboBox(this);
    cmbShutdown->setObjectName(QStringLiteral("cmbShutdown"));
    cmbShutdown->addItems({QStringLiteral("Turn off"), QStringLiteral("Restart"), QStringLiteral("Log off")});
    cbForced = new QCheckBox(QStringLiteral("Forced"), this);
    cbForced->setObjectName(QStringLiteral("cbForced"));
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setTextVisible(false);
    pbProgress->setRange(0, 1);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &TdlgShutdownComputer::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgShutdownComputer::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblAdminToolShutdownInfo);
    layout->addWidget(cmbShutdown);
    layout->addWidget(cbForced);
    layout->addWidget(pbProgress);
    layout->addWidget(buttons);
}

TdlgShutdownComputer::~TdlgShutdownComputer() {
    if (ShutdownThread)
        ShutdownThread->wait();
}

void TdlgShutdownComputer::SetWorking(bool working) {
    for (QWidget* control :
         {static_cast<QWidget*>(btnOK), static_cast<QWidget*>(cmbShutdown), static_cast<QWidget*>(cbForced)})
        control->setEnabled(!working);
    // A range of 0 to 0 is Qt's running (marquee) bar.
    pbProgress->setRange(0, working ? 0 : 1);
}

void TdlgShutdownComputer::btnOKClick() {
    if (IsWorking())
        return;
    SetWorking(true);
    ShutdownThread = std::make_unique<TThrdShutdownComputer>(Computer, UserName, Password, cmbShutdown->currentIndex(),
                                                             cbForced->isChecked(), m_settings);
    connect(ShutdownThread.get(), &TThrdShutdownComputer::ShutdownDone, this,
            &TdlgShutdownComputer::ShutdownThreadDone);
    ShutdownThread->start();
}

void TdlgShutdownComputer::ShutdownThreadDone(int result, const QString& errorMessage, int actionIndex) {
    SetWorking(false);
    // The report is the thread's last step: it ends at once.
    ShutdownThread->wait();
    ShutdownThread.reset();
    if (result == 0) {
        accept();
        return;
    }
    const QString reason =
        errorMessage.isEmpty() ? LangStr(QStringLiteral("sShutdownComputerErrorUnknownReason")) : errorMessage;
    m_prompts.Ask(Format(LangStr(QStringLiteral("sShutdownComputerError")),
                         {cmbShutdown->itemText(actionIndex), QString(), reason}),
                  LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
}

void TdlgShutdownComputer::reject() {
    if (!IsWorking())
        QDialog::reject();
}

void TdlgShutdownComputer::closeEvent(QCloseEvent* event) {
    if (IsWorking())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

bool ExecuteShutdownDialog(QWidget* parent, IUserPrompts& prompts, const QString& computer, const QString& userName,
                           const QString& password, int actionIndex, const TRemoteSettings& settings) {
    TdlgShutdownComputer dialog(parent, prompts, computer, userName, password, settings);
    TranslateForm(&dialog);
    dialog.cmbShutdown->setCurrentIndex(actionIndex);
    return dialog.exec() == QDialog::Accepted;
}
