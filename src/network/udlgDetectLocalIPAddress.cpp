#include "udlgDetectLocalIPAddress.h"

#include "uTranslateForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TdlgDetectLocalIPRange::TdlgDetectLocalIPRange(QWidget* owner)
    : QDialog(owner), m_cmbIPAddressIndex(new QComboBox(this)) {
    setObjectName(QStringLiteral("dlgDetectLocalIPRange"));
    setWindowTitle(tr("Local IP Address"));
    m_cmbIPAddressIndex->setObjectName(QStringLiteral("cmbIPAddressIndex"));
    auto* label = new QLabel(tr("Select IP address"), this);
    label->setObjectName(QStringLiteral("lblSelectIPAddress"));
    label->setBuddy(m_cmbIPAddressIndex);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_cmbIPAddressIndex);
    layout->addWidget(buttons);
    TranslateForm(this);
}

void TdlgDetectLocalIPRange::SetLines(const QStringList& lines) {
    m_cmbIPAddressIndex->clear();
    m_cmbIPAddressIndex->addItems(lines);
    m_cmbIPAddressIndex->setCurrentIndex(lines.isEmpty() ? -1 : 0);
}

qsizetype TdlgDetectLocalIPRange::SelectedIndex() const {
    return m_cmbIPAddressIndex->currentIndex();
}

std::optional<qsizetype> TdlgDetectLocalIPRange::Choose(QWidget* owner, const QStringList& lines) {
    TdlgDetectLocalIPRange dialog(owner);
    dialog.SetLines(lines);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedIndex() < 0)
        return std::nullopt;
    return dialog.SelectedIndex();
}
