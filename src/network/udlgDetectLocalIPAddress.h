#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>

class QComboBox;

// "Local IP Address": the operator picks which local address gives the scan range.
class TdlgDetectLocalIPRange : public QDialog {
    Q_OBJECT
public:
    explicit TdlgDetectLocalIPRange(QWidget* owner);

    // Fills the list with the lines and selects the first.
    void SetLines(const QStringList& lines);
    qsizetype SelectedIndex() const;

    // Shows the dialog modally; the chosen line, or none on Cancel.
    static std::optional<qsizetype> Choose(QWidget* owner, const QStringList& lines);

private:
    QComboBox* m_cmbIPAddressIndex;
};
