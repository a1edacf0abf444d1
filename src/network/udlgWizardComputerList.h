#pragma once

#include "uDetectLocalIPRange.h"

#include <QDialog>

class IFileDialogs;
class IUserPrompts;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TComputerList;
class TGroupObject;
class TSimpleObject;
class TThrdSearchGroupsAndComputers;
struct TProgramOptions;

// "Add Computers Wizard": finds computers in one of four sources on a search thread, shows them in a tree
// while the search runs, and adds the chosen ones to the computer list with the chosen grouping and
// handling of computers that are already in the list.
class TdlgWizardComputerList : public QDialog {
    Q_OBJECT
public:
    // The data of a found node.
    static constexpr int NameRole = Qt::UserRole + 1;
    static constexpr int DescriptionRole = Qt::UserRole + 2;
    static constexpr int ItemTypeRole = Qt::UserRole + 3; // 0 group, 1 computer

    // Addresses above which an address range is confirmed before the scan.
    static constexpr quint64 LargeRangeSize = 65536;

    TdlgWizardComputerList(QWidget* parent, TComputerList& list, const TProgramOptions& options, IUserPrompts& prompts,
                           IFileDialogs& fileDialogs);
    ~TdlgWizardComputerList() override;

    // Where "Detect IP Range" reads the local addresses and how it lets the operator choose one.
    void SetLocalAddresses(TAdapterSource source, TChooseAddressLine choose);
    // The search attached now, or none.
    TThrdSearchGroupsAndComputers* Search() const { return m_search; }

private:
    QWidget* CreateImportFromPage();
    QWidget* CreateNetworkPage();
    QWidget* CreateADPage();
    QWidget* CreateIPRangePage();
    QWidget* CreateFilePage();
    QWidget* CreateSearchPage();
    QWidget* CreateGroupingPage();
    QWidget* CreateFinishPage();
    QAction* AddChoice(const char* name, const QString& text);

    void UpdateButtons();
    void ShowPage(int page);
    void NextClicked();
    void BackClicked();
    void CancelClicked();
    void FinishClicked();
    void FillRange(const QString& mask);
    void SetRange(const QString& first, const QString& last);
    void DetectIPRange();
    void SelectImportFile();

    void StartSearch();
    void FoundObject(TSimpleObject& object);
    void SearchEnded(const TThrdSearchGroupsAndComputers& search);
    // Asks before stopping; false when the operator lets the search run on.
    bool ConfirmStopSearch();
    // Detaches the search: nothing it still finds reaches the wizard.
    void AbandonSearch();
    void SearchGone();

    void SetGroupCaption(QTreeWidgetItem* item);
    void AddFoundComputers(QTreeWidgetItem* parent, TGroupObject* target);
    void AddFoundComputer(const QTreeWidgetItem* item, TGroupObject* target);

    TComputerList& m_list;
    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IFileDialogs& m_fileDialogs;
    TAdapterSource m_adapterSource;
    TChooseAddressLine m_chooseAddress;
    TThrdSearchGroupsAndComputers* m_search = nullptr;

    QStackedWidget* m_pages;
    QComboBox* m_cmbImportFrom;
    QStackedWidget* m_pcImportFrom;
    QRadioButton* m_cbAllTypes;
    QRadioButton* m_cbOnlyTheseTypes;
    QList<QCheckBox*> m_typeBoxes;
    QCheckBox* m_cbIncludeDisabledComputers;
    QLineEdit* m_edStartIP;
    QLineEdit* m_edStopIP;
    QAction* m_actClassB;
    QAction* m_actClassC;
    QCheckBox* m_cbResolveComputerNames;
    QCheckBox* m_cbAddOnlyLiveComputers;
    QLineEdit* m_edImportFromFile;
    QTreeWidget* m_vstComputers;
    QLabel* m_lblStatusInfo;
    QProgressBar* m_pbProgress;
    QAction* m_actTabSearchStop;
    QToolButton* m_sbStopSearch;
    QAction* m_actGroupingToOriginal;
    QAction* m_actGroupingToNew;
    QAction* m_actGroupingToExisting;
    QLineEdit* m_edNewGroupName;
    QComboBox* m_cmbGroup;
    QRadioButton* m_rbDupAddNew;
    QRadioButton* m_rbDupDeleteOld;
    QRadioButton* m_rbDupNotAddNew;
    QPushButton* m_btnBack;
    QPushButton* m_btnNext;
    QPushButton* m_btnFinish;
    QPushButton* m_btnCancel;
};

// Runs the wizard for the list; true when it was closed with Finish.
bool ExecuteComputerListWizard(QWidget* parent, TComputerList& list, const TProgramOptions& options,
                               IUserPrompts& prompts, IFileDialogs& fileDialogs);
