#include "uDlgManual.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

TDlgManual::TDlgManual(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgManual"));
    setWindowTitle(QStringLiteral("User manual"));
    txtManual = new QTextBrowser(this);
    txtManual->setObjectName(QStringLiteral("txtManual"));
    txtManual->setOpenExternalLinks(true);
    // From the resources, so that the pictures the manual names are found beside it.
    txtManual->setSource(QUrl(QStringLiteral("qrc:/docs/manual.md")), QTextDocument::MarkdownResource);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtManual);
    layout->addWidget(buttons);
    resize(760, 600);
}
