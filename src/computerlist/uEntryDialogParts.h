#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class QWidget;
class TCredentialsFrame;

// The page control of the group and computer dialogs: pcParameters with an empty General page
// (tsGeneral) for the caller to fill and a Credentials page (tsCredentials) offering all four modes.
struct TEntryPages {
    QTabWidget* Pages = nullptr;
    QWidget* General = nullptr;
    QWidget* CredentialsPage = nullptr;
    TCredentialsFrame* Credentials = nullptr;

    // Shows the credentials page only when asked to and opens the first page.
    void Show(bool credentialsVisible) const;
};
TEntryPages CreateEntryPages(QDialog* dialog);

// OK (OKBtn, the default button, whose click the caller handles) and Cancel (CancelBtn, rejects).
QDialogButtonBox* CreateOkCancelButtons(QDialog* dialog, QPushButton*& ok);
