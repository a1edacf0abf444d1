#pragma once

#include "RemoteSettings.h"

#include <QDialog>

#include <memory>

class IUserPrompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TThrdShutdownComputer;

// Asks what one computer is to do (turn off, restart, log off; forced or not) and asks it on a thread
// of its own while a running bar shows. A failure is shown in a message box and the dialog stays open;
// success closes it with OK. While an attempt runs the dialog cannot be closed.
class TdlgShutdownComputer : public QDialog {
    Q_OBJECT
public:
    TdlgShutdownComputer(QWidget* parent, IUserPrompts& prompts, const QString& computer, const QString& userName,
                         const QString& password, const TRemoteSettings& settings);
    // Waits for a running attempt, which cannot be called back.
    ~TdlgShutdownComputer() override;

    // The item's position is the shutdown type: 0 turn off, 1 restart, 2 log off.
    QComboBox* cmbShutdown;
    QCheckBox* cbForced;
    QLabel* lblAdminToolShutdownInfo;
    QProgressBar* pbProgress;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    bool IsWorking() const { return ShutdownThread != nullptr; }
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void btnOKClick();
    void ShutdownThreadDone(int result, const QString& errorMessage, int actionIndex);
    void SetWorking(bool working);

    IUserPrompts& m_prompts;
    const QString Computer;
    const QString UserName;
    const QString Password;
    const TRemoteSettings m_settings;
    std::unique_ptr<TThrdShutdownComputer> ShutdownThread;
};

// Shows the dialog modally with the item actionIndex chosen; true when it closed after a successful request.
bool ExecuteShutdownDialog(QWidget* parent, IUserPrompts& prompts, const QString& computer, const QString& userName,
                           const QString& password, int actionIndex, const TRemoteSettings& settings);
