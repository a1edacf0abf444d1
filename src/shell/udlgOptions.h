#pragma once

#include <QDialog>

class IUserPrompts;
class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
struct TProgramOptions;

// The "Preferences" dialog: the options a user changes by hand, on the pages General, Computer list,
// Action, Remote and Passwords. It works on a copy: LoadFrom fills the controls, StoreInto writes them back.
class TdlgOptions : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOptions(IUserPrompts& prompts, QWidget* parent = nullptr);

    void LoadFrom(const TProgramOptions& options);
    void StoreInto(TProgramOptions& options) const;
    // Accepts unless "TCP connect to port" is chosen with a port outside 1 to 65535.
    void OKBtnClick();

private:
    QWidget* CreateGeneralPage();
    QWidget* CreateComputerListPage();
    QWidget* CreateActionPage();
    QWidget* CreateRemotePage();
    QWidget* CreateDirectoryPage();
    QWidget* CreatePasswordsPage();
    QRadioButton* CreateCheckMethod(QAction* action);
    void ApplyEnableRules();
    int CheckMethod() const;

    IUserPrompts& m_prompts;
    QTabWidget* m_pages;
    QWidget* m_generalPage = nullptr;
    QCheckBox* m_askWizard = nullptr;
    QCheckBox* m_confirmExecute = nullptr;
    QAction* m_checkNone;
    QAction* m_checkPing;
    QAction* m_checkTCP;
    QLineEdit* m_port = nullptr;
    QSpinBox* m_timeout = nullptr;
    QLabel* m_timeoutLabel = nullptr;
    QSpinBox* m_maxProbes = nullptr;
    QLabel* m_maxProbesLabel = nullptr;
    QSpinBox* m_wakeUpWait = nullptr;
    QLabel* m_msLabel = nullptr;
    QComboBox* m_captionStyle = nullptr;
    QAction* m_autoUpdate;
    QSpinBox* m_interval = nullptr;
    QLabel* m_secLabel = nullptr;
    QSpinBox* m_threads = nullptr;
    QComboBox* m_remoteProtocol = nullptr;
    QSpinBox* m_remotePort = nullptr;
    QComboBox* m_remoteAuthentication = nullptr;
    QCheckBox* m_remoteVerifyCertificate = nullptr;
    QLineEdit* m_remoteCaFile = nullptr;
    QLabel* m_remoteCaFileLabel = nullptr;
    QSpinBox* m_remoteTimeout = nullptr;
    QSpinBox* m_restartWaitLimit = nullptr;
    int m_loadedRestartWaitLimit = 0; // seconds, as loaded
    QCheckBox* m_remoteAllowUnencrypted = nullptr;
    QLabel* m_remoteUnencryptedWarning = nullptr;
    QLineEdit* m_directoryServer = nullptr;
    QLineEdit* m_directoryDomain = nullptr;
    QLabel* m_sharedSettings = nullptr;
    QCheckBox* m_passwordsInSecretStore = nullptr;
};

// Adds the numbers-only and right-aligned styles to an edit.
void SetNumericEditStyle(QLineEdit* edit);
// Runs the dialog modally, translated; on OK the options in memory take its values. True on OK.
bool ShowOptionsDialog(QWidget* owner, TProgramOptions& options, IUserPrompts& prompts);
