#include "uEntryDialogParts.h"

#include "uCredentialsFrame.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

void TEntryPages::Show(bool credentialsVisible) const {
    if (!credentialsVisible)
        Pages->removeTab(Pages->indexOf(CredentialsPage));
    Pages->setCurrentIndex(0);
}

TEntryPages CreateEntryPages(QDialog* dialog) {
    TEntryPages pages;
    pages.Pages = new QTabWidget(dialog);
    pages.Pages->setObjectName(QStringLiteral("pcParameters"));
    pages.General = new QWidget(pages.Pages);
    pages.General->setObjectName(QStringLiteral("tsGeneral"));
    pages.Pages->addTab(pages.General, QStringLiteral("General"));
    pages.CredentialsPage = new QWidget(pages.Pages);
    pages.CredentialsPage->setObjectName(QStringLiteral("tsCredentials"));
    pages.Credentials =
        new TCredentialsFrame({ucInherited, ucPromptUser, ucCurrentUser, ucFollowingUser}, pages.CredentialsPage);
    (new QVBoxLayout(pages.CredentialsPage))->addWidget(pages.Credentials);
    pages.Pages->addTab(pages.CredentialsPage, QStringLiteral("Credentials"));
    return pages;
}

QDialogButtonBox* CreateOkCancelButtons(QDialog* dialog, QPushButton*& ok) {
    auto* buttons = new QDialogButtonBox(dialog);
    ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}
