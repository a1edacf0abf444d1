#pragma once

#include <QWidget>

class QAction;
class QComboBox;
class QStackedWidget;
class QToolButton;

// The action panel of the main window: the action list, one description page per action code and
// the Execute button, which becomes the Stop button while a run goes on. Each item of the list
// carries its page; the page's position is the action code.
class TActionPanel : public QWidget {
    Q_OBJECT
public:
    TActionPanel(QAction* actExecute, QAction* actStop, QWidget* parent = nullptr);

    // The action code of the chosen item.
    qint32 SelectedAction() const;
    // The item texts from the current language; the choice stays.
    void ReloadActionNames();
    // Shows Stop in the place of Execute while a run goes on.
    void SetRunning(bool running);

    QComboBox* cmbShutdownAction;
    QStackedWidget* pcActionInfo;
    QWidget* tsShutdown;
    QWidget* tsRestart;
    QWidget* tsWakeUp;
    QToolButton* btnExecute;
    QToolButton* btnStop;

private:
    QWidget* MakePage(const char* name, const QString& title, const QString& text, const QIcon& image);
    void FillActionList();
    void cmbShutdownActionSelect(int index);
};
