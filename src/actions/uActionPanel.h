#pragma once

#include "PlatformWmi.h"

#include <QWidget>

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;
class QStackedWidget;
class QToolButton;

// The action panel of the main window: the action list, one description page per action code and
// the Execute button, which becomes the Stop button while a run goes on. Each item of the list
// carries its page; the page's position is the action code. Below them, the options of a run: what
// the users in front of the computers are told before they go down.
class TActionPanel : public QWidget {
    Q_OBJECT
public:
    TActionPanel(QAction* actExecute, QAction* actStop, QWidget* parent = nullptr);

    // The action code of the chosen item.
    qint32 SelectedAction() const;
    // The delay, message and reason chosen for the run.
    TShutdownNotice Notice() const;
    // The item texts from the current language; the choices stay.
    void ReloadActionNames();
    // Shows Stop in the place of Execute while a run goes on.
    void SetRunning(bool running);

    QComboBox* cmbShutdownAction;
    QStackedWidget* pcActionInfo;
    QWidget* tsShutdown;
    QWidget* tsRestart;
    QWidget* tsRestartWait;
    QGroupBox* gbOptions;
    QSpinBox* edDelay;
    QLineEdit* edMessage;
    QComboBox* cmbReason;
    QWidget* tsWakeUp;
    QToolButton* btnExecute;
    QToolButton* btnStop;

private:
    QWidget* MakePage(const char* name, const QString& title, const QString& text, const QIcon& image);
    void FillActionList();
    QGroupBox* MakeOptions();
    void FillReasonList();
    void cmbShutdownActionSelect(int index);
};
