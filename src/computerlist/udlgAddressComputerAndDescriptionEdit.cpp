#include "udlgAddressComputerAndDescriptionEdit.h"

#include "LangChanger.h"
#include "uCredentialsFrame.h"
#include "uDlgSelectComputer.h"
#include "uEntryDialogParts.h"
#include "uFormat.h"
#include "uHardwareAddress.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TdlgAddressComputerAndDescriptionEdit::TdlgAddressComputerAndDescriptionEdit(QWidget* parent, IUserPrompts& prompts,
                                                                             IComputerBrowser* browser)
    : QDialog(parent), m_prompts(prompts), m_browser(browser) {
    setObjectName(QStringLiteral("dlgAddressComputerAndDescriptionEdit"));
    setWindowTitle(QStringLiteral("Add Computer"));
    m_pages = CreateEntryPages(this);
    QWidget* general = m_pages.General;
    m_computerName = new QLineEdit(general);
    m_computerName->setObjectName(QStringLiteral("edComputerName"));
    auto* browse = new QToolButton(general);
    browse->setObjectName(QStringLiteral("sbSelectComputer"));
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, &TdlgAddressComputerAndDescriptionEdit::SelectComputer);
    m_description = new QLineEdit(general);
    m_description->setObjectName(QStringLiteral("edDescription"));
    auto* nameLabel = new QLabel(QStringLiteral("Computer name or IP address"), general);
    nameLabel->setObjectName(QStringLiteral("lblComputerName"));
    nameLabel->setBuddy(m_computerName);
    auto* descriptionLabel = new QLabel(QStringLiteral("Description:"), general);
    descriptionLabel->setObjectName(QStringLiteral("lblDescription"));
    descriptionLabel->setBuddy(m_description);
    m_hardwareAddress = new QLineEdit(general);
    m_hardwareAddress->setObjectName(QStringLiteral("edHardwareAddress"));
    m_hardwareAddress->setMaxLength(64);
    m_hardwareAddress->setPlaceholderText(QStringLiteral("00-1A-2B-3C-4D-5E"));
    auto* hardwareLabel = new QLabel(QStringLiteral("Hardware (MAC) address, to wake it up:"), general);
    hardwareLabel->setObjectName(QStringLiteral("lblHardwareAddress"));
    hardwareLabel->setBuddy(m_hardwareAddress);
    auto* generalLayout = new QGridLayout(general);
    generalLayout->addWidget(nameLabel, 0, 0, 1, 2);
    generalLayout->addWidget(m_computerName, 1, 0);
    generalLayout->addWidget(browse, 1, 1);
    generalLayout->addWidget(descriptionLabel, 2, 0, 1, 2);
    generalLayout->addWidget(m_description, 3, 0, 1, 2);
    generalLayout->addWidget(hardwareLabel, 4, 0, 1, 2);
    generalLayout->addWidget(m_hardwareAddress, 5, 0, 1, 2);
    generalLayout->setRowStretch(6, 1);
    m_credentials = m_pages.Credentials;

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = CreateOkCancelButtons(this, ok);
    connect(ok, &QPushButton::clicked, this, &TdlgAddressComputerAndDescriptionEdit::CheckAndAccept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages.Pages);
    layout->addWidget(buttons);
}

void TdlgAddressComputerAndDescriptionEdit::SetValues(const QString& name, const QString& description,
                                                      const QString& hardwareAddress, TUserConnectAs mode,
                                                      const QString& userName, const QString& password,
                                                      bool credentialsVisible) {
    m_computerName->setText(name);
    m_description->setText(name.isEmpty() ? QString() : description);
    m_hardwareAddress->setText(name.isEmpty() ? QString() : hardwareAddress);
    m_credentials->SetAccount(userName, password);
    m_credentials->SetMode(mode);
    m_pages.Show(credentialsVisible);
    m_computerName->setFocus();
}

void TdlgAddressComputerAndDescriptionEdit::ReadValues(QString& name, QString& description, QString& hardwareAddress,
                                                       TUserConnectAs& mode, QString& userName,
                                                       QString& password) const {
    name = m_computerName->text();
    description = m_description->text();
    hardwareAddress = NormalizeHardwareAddress(m_hardwareAddress->text()).value_or(QString());
    m_credentials->ReadResult(mode, userName, password);
}

void TdlgAddressComputerAndDescriptionEdit::CheckAndAccept() {
    if (m_computerName->text().trimmed().isEmpty()) {
        m_prompts.Ask(LangStr(QStringLiteral("sEnterValidCompName")), LangStr(QStringLiteral("sError")),
                      TPromptButtons::OK, TPromptIcon::Error);
        return;
    }
    if (!NormalizeHardwareAddress(m_hardwareAddress->text())) {
        m_prompts.Ask(Format(LangStr(QStringLiteral("sInvalidHardwareAddress")), {m_hardwareAddress->text()}),
                      LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
        m_hardwareAddress->setFocus();
        return;
    }
    if (m_credentials->CheckAccount(m_prompts))
        accept();
}

void TdlgAddressComputerAndDescriptionEdit::SelectComputer() {
    QString name = m_computerName->text();
    if (ExecuteSelectComputerDialog(this, m_browser, name))
        m_computerName->setText(name);
}

bool ExecuteComputerEditDialog(QWidget* parent, IUserPrompts& prompts, IComputerBrowser* browser, QString& name,
                               QString& description, QString& hardwareAddress, TUserConnectAs& mode, QString& userName,
                               QString& password, bool credentialsVisible) {
    TdlgAddressComputerAndDescriptionEdit dialog(parent, prompts, browser);
    TranslateForm(&dialog);
    dialog.setWindowTitle(LangStr(name.isEmpty() ? QStringLiteral("sAddressComputerAddTitle")
                                                 : QStringLiteral("sAddressComputerEditTitle")));
    dialog.SetValues(name, description, hardwareAddress, mode, userName, password, credentialsVisible);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ReadValues(name, description, hardwareAddress, mode, userName, password);
    return true;
}
