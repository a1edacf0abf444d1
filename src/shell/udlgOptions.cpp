#include "udlgOptions.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uProgramOptions.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int CaptionStyleCount = 4;

template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QSpinBox* NumberBox(const char* name, int minimum, int maximum) {
    auto* box = Named(new QSpinBox, name);
    box->setRange(minimum, maximum);
    box->setAlignment(Qt::AlignRight);
    return box;
}

// A check box that shows a checkable action: same text, same state, either way.
QCheckBox* ActionCheckBox(QAction* action, const char* name) {
    auto* box = Named(new QCheckBox(action->text()), name);
    QObject::connect(box, &QCheckBox::toggled, action, &QAction::setChecked);
    QObject::connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
    QObject::connect(action, &QAction::changed, box, [box, action] {
        box->setText(action->text());
        box->setToolTip(action->toolTip());
    });
    return box;
}

} // namespace

void SetNumericEditStyle(QLineEdit* edit) {
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

TdlgOptions::TdlgOptions(IUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_pages(Named(new QTabWidget(this), "pcOptions")) {
    setObjectName(QStringLiteral("dlgOptions"));
    setWindowTitle(QStringLiteral("Preferences"));

    auto* checkMethods = new QActionGroup(this);
    m_checkNone = Named(new QAction(QStringLiteral("Don't check state"), checkMethods), "actCheckStateNone");
    m_checkPing = Named(new QAction(QStringLiteral("Ping"), checkMethods), "actCheckStatePing");
    m_checkTCP = Named(new QAction(QStringLiteral("TCP connect to port"), checkMethods), "actCheckStateTCPConnect");
    for (QAction* action : {m_checkNone, m_checkPing, m_checkTCP}) {
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, &TdlgOptions::ApplyEnableRules);
    }
    m_autoUpdate = Named(new QAction(QStringLiteral("Automatically update computer list every"), this),
                         "actAutoUpdateComputerList");
    m_autoUpdate->setCheckable(true);
    connect(m_autoUpdate, &QAction::toggled, this, &TdlgOptions::ApplyEnableRules);

    m_pages->addTab(CreateGeneralPage(), QStringLiteral("General"));
    m_pages->addTab(CreateComputerListPage(), QStringLiteral("Computer list"));
    m_pages->addTab(CreateActionPage(), QStringLiteral("Action"));
    m_pages->addTab(CreateRemotePage(), QStringLiteral("Remote"));
    m_pages->addTab(CreateDirectoryPage(), QStringLiteral("Directory"));
    m_pages->addTab(CreatePasswordsPage(), QStringLiteral("Passwords"));
    m_pages->setCurrentIndex(0);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = Named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "btnOK");
    Named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole), "btnCancel");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgOptions::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    m_checkPing->setChecked(true);
    ApplyEnableRules();
}

QRadioButton* TdlgOptions::CreateCheckMethod(QAction* action) {
    auto* button = new QRadioButton(action->text());
    button->setObjectName(QStringLiteral("rb") + action->objectName().mid(3));
    connect(button, &QRadioButton::toggled, action, [action](bool on) {
        if (on)
            action->setChecked(true);
    });
    connect(action, &QAction::toggled, button, &QRadioButton::setChecked);
    connect(action, &QAction::changed, button, [button, action] {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
    });
    return button;
}

QWidget* TdlgOptions::CreateGeneralPage() {
    m_generalPage = Named(new QWidget, "tsGeneral");
    m_askWizard = Named(new QCheckBox(QStringLiteral("Offer the add-computers wizard when the computer list is empty")),
                        "cbDontShowAskWizardIfEmpty");

    auto* group = Named(new QGroupBox(QStringLiteral("Check state")), "gbCheckState");
    auto* info =
        Named(new QLabel(QStringLiteral("How the program finds out whether a computer answers:")), "lblCheckStateInfo");
    info->setWordWrap(true);
    m_port = Named(new QLineEdit, "edTCPPort");
    SetNumericEditStyle(m_port);
    m_port->setMaxLength(10);
    m_timeoutLabel = Named(new QLabel(QStringLiteral("Timeout")), "lblTimeout");
    m_timeout = NumberBox("udTimeout", 10, 3000);
    m_msLabel = Named(new QLabel(QStringLiteral("ms")), "lblMs");
    m_maxProbesLabel = Named(new QLabel(QStringLiteral("Probes at a time:")), "lblMaxProbesInFlight");
    m_maxProbes = NumberBox("udMaxProbesInFlight", 1, TProgramOptions::MaxProbesInFlightLimit);

    auto* tcpRow = new QHBoxLayout;
    tcpRow->addWidget(CreateCheckMethod(m_checkTCP));
    tcpRow->addWidget(m_port);
    tcpRow->addStretch();
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(m_timeoutLabel);
    timeoutRow->addWidget(m_timeout);
    timeoutRow->addWidget(m_msLabel);
    timeoutRow->addSpacing(12);
    timeoutRow->addWidget(m_maxProbesLabel);
    timeoutRow->addWidget(m_maxProbes);
    timeoutRow->addStretch();
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(info);
    groupLayout->addWidget(CreateCheckMethod(m_checkNone));
    groupLayout->addWidget(CreateCheckMethod(m_checkPing));
    groupLayout->addLayout(tcpRow);
    groupLayout->addLayout(timeoutRow);

    auto* layout = new QVBoxLayout(m_generalPage);
    layout->addWidget(m_askWizard);
    layout->addWidget(group);
    layout->addStretch();
    return m_generalPage;
}

QWidget* TdlgOptions::CreateComputerListPage() {
    auto* page = Named(new QWidget, "tsComputerList");
    auto* captionLabel = Named(new QLabel(QStringLiteral("Show computer caption as")), "lblComputerCaptionStyle");
    m_captionStyle = Named(new QComboBox, "cmbComputerCaptionStyle");
    captionLabel->setBuddy(m_captionStyle);
    m_interval = NumberBox("udIntervalUpdateComputerList", 5, 32000);
    m_secLabel = Named(new QLabel(QStringLiteral("sec")), "lblSec");

    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(ActionCheckBox(m_autoUpdate, "cbAutoUpdateComputerList"));
    intervalRow->addWidget(m_interval);
    intervalRow->addWidget(m_secLabel);
    intervalRow->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(captionLabel);
    layout->addWidget(m_captionStyle);
    layout->addLayout(intervalRow);
    layout->addStretch();
    return page;
}

QWidget* TdlgOptions::CreateActionPage() {
    auto* page = Named(new QWidget, "tsAction");
    m_threads = NumberBox("udThreads", 1, 100);
    auto* form = new QFormLayout(page);
    // A number field as wide as the page reads as a text field.
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(Named(new QLabel(QStringLiteral("Threads:")), "lblThreads"), m_threads);
    m_confirmExecute =
        Named(new QCheckBox(QStringLiteral("Ask before shutting down or restarting computers")), "cbConfirmExecute");
    form->addRow(m_confirmExecute);
    m_wakeUpWait = NumberBox("udWakeUpWaitSeconds", 0, TProgramOptions::WakeUpWaitLimit);
    form->addRow(Named(new QLabel(QStringLiteral("Wake up: wait for the answer, seconds (0: not at all):")),
                       "lblWakeUpWaitSeconds"),
                 m_wakeUpWait);
    return page;
}

QWidget* TdlgOptions::CreateRemotePage() {
    auto* page = Named(new QWidget, "tsRemote");
    m_remoteProtocol = Named(new QComboBox, "cmbRemoteProtocol");
    m_remoteProtocol->addItems({QStringLiteral("HTTP"), QStringLiteral("HTTPS")});
    m_remotePort = NumberBox("udRemotePort", 0, 65535);
    m_remotePort->setSpecialValueText(QStringLiteral("Protocol default"));
    m_remoteAuthentication = Named(new QComboBox, "cmbRemoteAuthentication");
    m_remoteAuthentication->addItems(
        {QStringLiteral("Negotiate"), QStringLiteral("NTLM"), QStringLiteral("Kerberos"), QStringLiteral("Basic")});
    m_remoteVerifyCertificate =
        Named(new QCheckBox(QStringLiteral("Verify the computer's certificate")), "cbRemoteVerifyCertificate");
    m_remoteCaFile = Named(new QLineEdit, "edRemoteCaFile");
    m_remoteCaFile->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    connect(m_remoteVerifyCertificate, &QCheckBox::toggled, this, &TdlgOptions::ApplyEnableRules);
    m_remoteTimeout = NumberBox("udRemoteTimeout", 1, 3600);
    m_remoteTimeout->setSuffix(QStringLiteral(" s"));
    m_restartWaitLimit = NumberBox("udRestartWaitLimit", 1, 1440);
    m_restartWaitLimit->setSuffix(QStringLiteral(" min"));
    m_remoteAllowUnencrypted = Named(new QCheckBox(QStringLiteral("Allow Basic authentication over unencrypted HTTP")),
                                     "cbRemoteAllowUnencrypted");
    m_remoteUnencryptedWarning =
        Named(new QLabel(QStringLiteral("Warning: over HTTP, Basic authentication sends the user name and password "
                                        "readable to anyone on the network. Use HTTPS wherever you can.")),
              "lblRemoteUnencryptedWarning");
    m_remoteUnencryptedWarning->setWordWrap(true);
    connect(m_remoteProtocol, &QComboBox::currentIndexChanged, this, &TdlgOptions::ApplyEnableRules);
    connect(m_remoteAllowUnencrypted, &QCheckBox::toggled, this, &TdlgOptions::ApplyEnableRules);

    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(Named(new QLabel(QStringLiteral("Protocol:")), "lblRemoteProtocol"), m_remoteProtocol);
    form->addRow(Named(new QLabel(QStringLiteral("Port:")), "lblRemotePort"), m_remotePort);
    form->addRow(Named(new QLabel(QStringLiteral("Authentication:")), "lblRemoteAuthentication"),
                 m_remoteAuthentication);
    form->addRow(m_remoteVerifyCertificate);
    m_remoteCaFileLabel = Named(new QLabel(QStringLiteral("Trusted CA file (PEM):")), "lblRemoteCaFile");
    form->addRow(m_remoteCaFileLabel, m_remoteCaFile);
    form->addRow(Named(new QLabel(QStringLiteral("Time limit of a call:")), "lblRemoteTimeout"), m_remoteTimeout);
    form->addRow(m_remoteAllowUnencrypted);
    form->addRow(m_remoteUnencryptedWarning);
    form->addRow(Named(new QLabel(QStringLiteral("Wait for a restarted computer:")), "lblRestartWaitLimit"),
                 m_restartWaitLimit);
    return page;
}

QWidget* TdlgOptions::CreateDirectoryPage() {
    auto* page = Named(new QWidget, "tsDirectory");
    m_directoryServer = Named(new QLineEdit, "edDirectoryServer");
    m_directoryDomain = Named(new QLineEdit, "edDirectoryDomain");
    auto* hint = Named(new QLabel(QStringLiteral("Leave the server empty to find it through DNS. Without a domain, the "
                                                 "domain of the Kerberos configuration or of this computer is used.")),
                       "lblDirectoryHint");
    hint->setWordWrap(true);
    auto* form = new QFormLayout(page);
    form->addRow(Named(new QLabel(QStringLiteral("Directory server:")), "lblDirectoryServer"), m_directoryServer);
    form->addRow(Named(new QLabel(QStringLiteral("Domain:")), "lblDirectoryDomain"), m_directoryDomain);
    form->addRow(hint);
    return page;
}

QWidget* TdlgOptions::CreatePasswordsPage() {
    auto* page = Named(new QWidget, "tsPasswords");
    auto* protection = Named(
        new QLabel(QStringLiteral(
            "Stored passwords are encrypted with a key made from the computer name, your user name and the system "
            "volume. This keeps them from casual reading. It does not keep them from another user or program on "
            "this computer that wants them: only the files being readable by you alone does.")),
        "lblPasswordProtection");
    protection->setWordWrap(true);
    m_sharedSettings =
        Named(new QLabel(QStringLiteral("These settings are shared by all users of this computer "
                                        "(-systemwideconfig): each of them can read the stored passwords.")),
              "lblSharedSettings");
    m_sharedSettings->setWordWrap(true);
    m_passwordsInSecretStore =
        Named(new QCheckBox(QStringLiteral("Keep stored passwords in the desktop's secret store")),
              "cbPasswordsInSecretStore");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(protection);
    layout->addWidget(m_sharedSettings);
    layout->addWidget(m_passwordsInSecretStore);
    layout->addStretch();
    return page;
}

int TdlgOptions::CheckMethod() const {
    if (m_checkNone->isChecked())
        return -1;
    return m_checkTCP->isChecked() ? 1 : 0;
}

void TdlgOptions::ApplyEnableRules() {
    const int method = CheckMethod();
    m_port->setEnabled(method == 1);
    for (QWidget* widget :
         {static_cast<QWidget*>(m_timeout), static_cast<QWidget*>(m_timeoutLabel), static_cast<QWidget*>(m_msLabel),
          static_cast<QWidget*>(m_maxProbes), static_cast<QWidget*>(m_maxProbesLabel)})
        widget->setEnabled(method >= 0);
    m_interval->setEnabled(m_autoUpdate->isChecked());
    m_secLabel->setEnabled(m_autoUpdate->isChecked());
    m_remoteVerifyCertificate->setEnabled(m_remoteProtocol->currentIndex() == 1);
    const bool verifies = m_remoteVerifyCertificate->isEnabled() && m_remoteVerifyCertificate->isChecked();
    m_remoteCaFile->setEnabled(verifies);
    m_remoteCaFileLabel->setEnabled(verifies);
    m_remoteAllowUnencrypted->setEnabled(m_remoteProtocol->currentIndex() == 0);
    m_remoteUnencryptedWarning->setVisible(m_remoteAllowUnencrypted->isEnabled() &&
                                           m_remoteAllowUnencrypted->isChecked());
}

void TdlgOptions::LoadFrom(const TProgramOptions& options) {
    m_autoUpdate->setChecked(options.AutoUpdateComputerList);
    m_interval->setValue(options.IntervalUpdateComputerList / 1000);
    QAction* method = options.DefaultCheckState == -1  ? m_checkNone
                      : options.DefaultCheckState == 1 ? m_checkTCP
                                                       : m_checkPing;
    method->setChecked(true);
    m_port->setText(QString::number(options.DefaultTCPPort));
    m_timeout->setValue(options.DefaultTimeout);
    m_maxProbes->setValue(options.MaxProbesInFlight);
    m_wakeUpWait->setValue(options.iWakeUpWaitSeconds);
    m_askWizard->setChecked(!options.DontShowAskWizardIfEmpty);
    m_confirmExecute->setChecked(options.bConfirmExecute);
    m_threads->setValue(options.iMaxThreads);

    m_captionStyle->clear();
    for (int style = 0; style < CaptionStyleCount; ++style)
        m_captionStyle->addItem(
            FormatComputerCaption(LangStr(QStringLiteral("sName")), LangStr(QStringLiteral("sDescription")), style));
    m_captionStyle->setCurrentIndex(options.ComputerCaptionStyle < CaptionStyleCount ? options.ComputerCaptionStyle
                                                                                     : -1);

    m_remoteProtocol->setCurrentIndex(qMax(0, RemoteProtocolValues.indexOf(options.RemoteProtocol)));
    m_remotePort->setValue(options.RemotePort);
    m_remoteAuthentication->setCurrentIndex(qMax(0, RemoteAuthenticationValues.indexOf(options.RemoteAuthentication)));
    m_remoteVerifyCertificate->setChecked(options.RemoteVerifyCertificate);
    m_remoteCaFile->setText(options.RemoteCaFile);
    m_remoteTimeout->setValue(options.RemoteTimeout);
    // Shown in whole minutes; a limit in seconds set in the file stays unless the box is changed.
    m_loadedRestartWaitLimit = options.iRestartWaitLimit;
    m_restartWaitLimit->setValue(qMax(1, (options.iRestartWaitLimit + 59) / 60));
    m_remoteAllowUnencrypted->setChecked(options.RemoteAllowUnencrypted);
    m_directoryServer->setText(options.DirectoryServer);
    m_directoryDomain->setText(options.DirectoryDomain);
    m_sharedSettings->setVisible(options.SystemWideConfig);
    m_passwordsInSecretStore->setChecked(options.bPasswordsInSecretStore);
    ApplyEnableRules();
}

void TdlgOptions::OKBtnClick() {
    bool isNumber = false;
    int port = m_port->text().toInt(&isNumber);
    if (!isNumber)
        port = -1;
    if (CheckMethod() == 1 && (port <= 0 || port >= 65536)) {
        m_pages->setCurrentWidget(m_generalPage);
        m_port->setFocus();
        m_prompts.Ask(LangStr(QStringLiteral("sErrorTCPConnectPortNumber")), LangStr(QStringLiteral("sError")),
                      TPromptButtons::OK, TPromptIcon::Error);
        return;
    }
    accept();
}

void TdlgOptions::StoreInto(TProgramOptions& options) const {
    options.IntervalUpdateComputerList = m_interval->value() * 1000;
    options.AutoUpdateComputerList = m_autoUpdate->isChecked();
    options.iMaxThreads = m_threads->value();
    options.iWakeUpWaitSeconds = m_wakeUpWait->value();
    options.DefaultCheckState = CheckMethod();
    if (options.DefaultCheckState >= 0) {
        options.DefaultTimeout = m_timeout->value();
        options.MaxProbesInFlight = m_maxProbes->value();
    }
    if (options.DefaultCheckState == 1) {
        bool isNumber = false;
        const int port = m_port->text().toInt(&isNumber);
        options.DefaultTCPPort = static_cast<quint16>(isNumber ? port : 139);
    }
    options.DontShowAskWizardIfEmpty = !m_askWizard->isChecked();
    options.bConfirmExecute = m_confirmExecute->isChecked();
    if (m_captionStyle->currentIndex() >= 0)
        options.ComputerCaptionStyle = static_cast<quint8>(m_captionStyle->currentIndex());

    options.RemoteProtocol = RemoteProtocolValues.value(m_remoteProtocol->currentIndex(), RemoteProtocolValues.first());
    options.RemotePort = m_remotePort->value();
    options.RemoteAuthentication =
        RemoteAuthenticationValues.value(m_remoteAuthentication->currentIndex(), RemoteAuthenticationValues.first());
    options.RemoteVerifyCertificate = m_remoteVerifyCertificate->isChecked();
    options.RemoteCaFile = m_remoteCaFile->text().trimmed();
    options.RemoteTimeout = m_remoteTimeout->value();
    const bool limitKept = m_restartWaitLimit->value() == qMax(1, (m_loadedRestartWaitLimit + 59) / 60);
    options.iRestartWaitLimit = limitKept ? m_loadedRestartWaitLimit : m_restartWaitLimit->value() * 60;
    options.RemoteAllowUnencrypted = m_remoteAllowUnencrypted->isChecked();
    options.DirectoryServer = m_directoryServer->text().trimmed();
    options.DirectoryDomain = m_directoryDomain->text().trimmed();
    options.bPasswordsInSecretStore = m_passwordsInSecretStore->isChecked();
}

bool ShowOptionsDialog(QWidget* owner, TProgramOptions& options, IUserPrompts& prompts) {
    TdlgOptions dialog(prompts, owner);
    TranslateForm(&dialog);
    dialog.LoadFrom(options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreInto(options);
    return true;
}
