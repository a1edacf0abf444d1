#include "udlgWizardComputerList.h"

#include "LangChanger.h"
#include "NetUtil.h"
#include "uBoundButton.h"
#include "uComputerList.h"
#include "uFileDialogs.h"
#include "uFormat.h"
#include "uProgramOptions.h"
#include "uThrdSearchGroupsAndComputers.h"
#include "uTranslateForm.h"
#include "uUserPrompts.h"
#include "udlgDetectLocalIPAddress.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TPage { PageImportFrom, PageSearch, PageGrouping, PageFinish };
enum TSource { SourceNetwork, SourceAD, SourceIPRange, SourceFile };

template <typename TWidget> TWidget* Named(TWidget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    return Named(new QLabel(text, parent), name);
}

// The NetServerEnum type bits of the five type boxes, in their order.
constexpr quint32 TypeBits[] = {0x00000018, 0x00008000, 0x02000000, 0x00000004, 0x00000001};

} // namespace

TdlgWizardComputerList::TdlgWizardComputerList(QWidget* parent, TComputerList& list, const TProgramOptions& options,
                                               IUserPrompts& prompts, IFileDialogs& fileDialogs)
    : QDialog(parent), m_list(list), m_options(options), m_prompts(prompts), m_fileDialogs(fileDialogs),
      m_adapterSource(Platform::GetAdaptersIPv4),
      m_chooseAddress([this](const QStringList& lines) { return TdlgDetectLocalIPRange::Choose(this, lines); }) {
    setObjectName(QStringLiteral("dlgWizardComputerList"));
    setWindowTitle(QStringLiteral("Add Computers Wizard"));
    m_pages = Named(new QStackedWidget(this), "pcWizard");
    m_pages->addWidget(CreateImportFromPage());
    m_pages->addWidget(CreateSearchPage());
    m_pages->addWidget(CreateGroupingPage());
    m_pages->addWidget(CreateFinishPage());

    m_btnBack = Named(new QPushButton(QStringLiteral("< &Back"), this), "btnBack");
    m_btnNext = Named(new QPushButton(QStringLiteral("&Next >"), this), "btnNext");
    m_btnFinish = Named(new QPushButton(QStringLiteral("&Finish"), this), "btnFinish");
    m_btnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
    for (QPushButton* button : {m_btnBack, m_btnNext, m_btnFinish, m_btnCancel})
        button->setAutoDefault(false);
    connect(m_btnBack, &QPushButton::clicked, this, &TdlgWizardComputerList::BackClicked);
    connect(m_btnNext, &QPushButton::clicked, this, &TdlgWizardComputerList::NextClicked);
    connect(m_btnFinish, &QPushButton::clicked, this, &TdlgWizardComputerList::FinishClicked);
    connect(m_btnCancel, &QPushButton::clicked, this, &TdlgWizardComputerList::CancelClicked);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_btnBack, m_btnNext, m_btnFinish, m_btnCancel})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    // The groups of the list, depth first, for "existing group".
    for (TPreObject* entry : m_list.TreeOrder())
        if (entry->IsGroup())
            m_cmbGroup->addItem(entry->Name(), QVariant::fromValue(static_cast<void*>(entry)));
    m_cmbGroup->setCurrentIndex(m_cmbGroup->count() > 0 ? 0 : -1);
    m_edNewGroupName->setText(LangStr(QStringLiteral("sNewGroup")));

    TranslateForm(this);
    m_cmbImportFrom->setCurrentIndex(SourceNetwork);
    ShowPage(PageImportFrom);
}

TdlgWizardComputerList::~TdlgWizardComputerList() {
    AbandonSearch();
}

void TdlgWizardComputerList::SetLocalAddresses(TAdapterSource source, TChooseAddressLine choose) {
    m_adapterSource = std::move(source);
    m_chooseAddress = std::move(choose);
}

QAction* TdlgWizardComputerList::AddChoice(const char* name, const QString& text) {
    auto* action = Named(new QAction(text, this), name);
    action->setCheckable(true);
    return action;
}

QWidget* TdlgWizardComputerList::CreateImportFromPage() {
    auto* page = Named(new QWidget(this), "tsImportFrom");
    m_cmbImportFrom = Named(new QComboBox(page), "cmbImportFrom");
    m_cmbImportFrom->addItems({QStringLiteral("Network"), QStringLiteral("Active Directory"),
                               QStringLiteral("IP Range"), QStringLiteral("File")});
    auto* label = Label("lblImportFrom", QStringLiteral("Import computers from "), page);
    label->setBuddy(m_cmbImportFrom);
    m_pcImportFrom = Named(new QStackedWidget(page), "pcImportFrom");
    m_pcImportFrom->addWidget(CreateNetworkPage());
    m_pcImportFrom->addWidget(CreateADPage());
    m_pcImportFrom->addWidget(CreateIPRangePage());
    m_pcImportFrom->addWidget(CreateFilePage());
    connect(m_cmbImportFrom, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_pcImportFrom->setCurrentIndex(index);
        if (index == SourceIPRange)
            m_edStartIP->setFocus();
        else if (index == SourceFile)
            m_edImportFromFile->setFocus();
        UpdateButtons();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_cmbImportFrom, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(m_pcImportFrom, 1);
    return page;
}

QWidget* TdlgWizardComputerList::CreateNetworkPage() {
    auto* page = Named(new QWidget(this), "tsNetwork");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Label("lblSelectTypes", QStringLiteral("Select type of computers:"), page));
    m_cbAllTypes = Named(new QRadioButton(QStringLiteral("All types"), page), "cbAllTypes");
    m_cbOnlyTheseTypes = Named(new QRadioButton(QStringLiteral("Only these types:"), page), "cbOnlyTheseTypes");
    m_cbAllTypes->setChecked(true);
    layout->addWidget(m_cbAllTypes);
    layout->addWidget(m_cbOnlyTheseTypes);
    const std::pair<const char*, QString> boxes[] = {{"cbDC", QStringLiteral("Domain controllers")},
                                                     {"cbServerNotDC", QStringLiteral("Servers that not DC")},
                                                     {"cbTerminal", QStringLiteral("Terminal servers")},
                                                     {"cbSQL", QStringLiteral("SQL servers")},
                                                     {"cbWkst", QStringLiteral("Workstations")}};
    auto* types = new QVBoxLayout;
    types->setContentsMargins(20, 0, 0, 0);
    for (const auto& [name, text] : boxes) {
        auto* box = Named(new QCheckBox(text, page), name);
        box->setChecked(true);
        box->setEnabled(false);
        connect(box, &QCheckBox::toggled, this, &TdlgWizardComputerList::UpdateButtons);
        m_typeBoxes.append(box);
        types->addWidget(box);
    }
    layout->addLayout(types);
    layout->addStretch();
    connect(m_cbOnlyTheseTypes, &QRadioButton::toggled, this, [this](bool only) {
        for (QCheckBox* box : std::as_const(m_typeBoxes))
            box->setEnabled(only);
        UpdateButtons();
    });
    return page;
}

QWidget* TdlgWizardComputerList::CreateADPage() {
    auto* page = Named(new QWidget(this), "tsAD");
    m_cbIncludeDisabledComputers =
        Named(new QCheckBox(QStringLiteral("Include disabled computers"), page), "cbIncludeDisabledComputers");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_cbIncludeDisabledComputers);
    layout->addStretch();
    return page;
}

QWidget* TdlgWizardComputerList::CreateIPRangePage() {
    auto* page = Named(new QWidget(this), "tsIPRange");
    m_edStartIP = Named(new QLineEdit(page), "edStartIP");
    m_edStopIP = Named(new QLineEdit(page), "edStopIP");
    auto* detect = Named(new QPushButton(QStringLiteral("Detect IP Range"), page), "btnDetectIPRange");
    detect->setAutoDefault(false);
    connect(detect, &QPushButton::clicked, this, &TdlgWizardComputerList::DetectIPRange);
    m_actClassB = Named(new QAction(QStringLiteral("Class B"), this), "actTabImportFromIPRangeClassB");
    m_actClassC = Named(new QAction(QStringLiteral("Class C"), this), "actTabImportFromIPRangeClassC");
    connect(m_actClassB, &QAction::triggered, this, [this] { FillRange(QStringLiteral("255.255.0.0")); });
    connect(m_actClassC, &QAction::triggered, this, [this] { FillRange(QStringLiteral("255.255.255.0")); });
    auto* classB = Named(new QToolButton(page), "btnClassB");
    classB->setDefaultAction(m_actClassB);
    auto* classC = Named(new QToolButton(page), "btnClassC");
    classC->setDefaultAction(m_actClassC);
    m_cbResolveComputerNames =
        Named(new QCheckBox(QStringLiteral("Resolve computer names"), page), "cbResolveComputerNames");
    m_cbAddOnlyLiveComputers =
        Named(new QCheckBox(QStringLiteral("Add only live computers"), page), "cbAddOnlyLiveComputers");
    m_cbResolveComputerNames->setChecked(true);
    m_cbAddOnlyLiveComputers->setChecked(true);
    for (QLineEdit* edit : {m_edStartIP, m_edStopIP})
        connect(edit, &QLineEdit::textChanged, this, &TdlgWizardComputerList::UpdateButtons);

    auto* grid = new QGridLayout(page);
    auto* startLabel = Label("lblStartIP", QStringLiteral("Start IP"), page);
    auto* stopLabel = Label("lblStopIP", QStringLiteral("Stop IP"), page);
    startLabel->setBuddy(m_edStartIP);
    stopLabel->setBuddy(m_edStopIP);
    grid->addWidget(startLabel, 0, 0);
    grid->addWidget(m_edStartIP, 0, 1);
    grid->addWidget(detect, 0, 2);
    grid->addWidget(stopLabel, 1, 0);
    grid->addWidget(m_edStopIP, 1, 1);
    auto* classes = new QHBoxLayout;
    classes->addWidget(classB);
    classes->addWidget(classC);
    grid->addLayout(classes, 1, 2);
    grid->addWidget(m_cbResolveComputerNames, 2, 0, 1, 3);
    grid->addWidget(m_cbAddOnlyLiveComputers, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* TdlgWizardComputerList::CreateFilePage() {
    auto* page = Named(new QWidget(this), "tsFile");
    m_edImportFromFile = Named(new QLineEdit(page), "edImportFromFile");
    connect(m_edImportFromFile, &QLineEdit::textChanged, this, &TdlgWizardComputerList::UpdateButtons);
    auto* browse = Named(new QToolButton(page), "sbSelectImportFromFile");
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, &TdlgWizardComputerList::SelectImportFile);
    auto* label =
        Label("lblImportFromFile", QStringLiteral("Specify the file that contains the computer names "), page);
    label->setBuddy(m_edImportFromFile);
    auto* row = new QHBoxLayout;
    row->addWidget(m_edImportFromFile, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TdlgWizardComputerList::CreateSearchPage() {
    auto* page = Named(new QWidget(this), "tsSearch");
    auto* box = Named(new QGroupBox(QStringLiteral("Search for computers on the network"), page), "gbSearch");
    m_vstComputers = Named(new QTreeWidget(box), "vstComputers");
    m_vstComputers->setHeaderHidden(true);
    m_vstComputers->setColumnCount(1);
    m_lblStatusInfo = Label("lblStatusInfo", QStringLiteral("Searching..."), box);
    m_pbProgress = Named(new QProgressBar(box), "pbProgress");
    m_pbProgress->setRange(0, 0); // a search gives no progress figure: the bar runs as a marquee
    m_pbProgress->setTextVisible(false);
    m_actTabSearchStop = Named(new QAction(QStringLiteral("Stop"), this), "actTabSearchStop");
    connect(m_actTabSearchStop, &QAction::triggered, this, [this] {
        if (m_search && ConfirmStopSearch())
            AbandonSearch();
    });
    m_sbStopSearch = Named(new QToolButton(box), "sbStopSearch");
    m_sbStopSearch->setDefaultAction(m_actTabSearchStop);
    auto* status = new QHBoxLayout;
    status->addWidget(Label("lblStatus", QStringLiteral("Status:"), box));
    status->addWidget(m_lblStatusInfo, 1);
    status->addWidget(m_pbProgress);
    status->addWidget(m_sbStopSearch);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(m_vstComputers, 1);
    boxLayout->addLayout(status);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(box);
    return page;
}

QWidget* TdlgWizardComputerList::CreateGroupingPage() {
    auto* page = Named(new QWidget(this), "tsGroupping");
    auto* choices = new QActionGroup(this);
    m_actGroupingToOriginal = AddChoice("actGroupingToOriginal", QStringLiteral("Original grouping"));
    m_actGroupingToNew = AddChoice("actGroupingToNew", QStringLiteral("Add all computers to a new group:"));
    m_actGroupingToExisting =
        AddChoice("actGroupingToExisting", QStringLiteral("Add all computers to an existing group:"));
    m_edNewGroupName = Named(new QLineEdit(page), "edNewGroupName");
    connect(m_edNewGroupName, &QLineEdit::textChanged, this, &TdlgWizardComputerList::UpdateButtons);
    m_cmbGroup = Named(new QComboBox(page), "cmbGroup");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Label("lblGrouping", QStringLiteral("Select grouping type for computers"), page));
    for (QAction* choice : {m_actGroupingToOriginal, m_actGroupingToNew, m_actGroupingToExisting}) {
        choices->addAction(choice);
        auto* button = BoundButton<QRadioButton>(choice, page);
        button->setAutoExclusive(false); // the action group keeps the choices exclusive
        layout->addWidget(button);
        if (choice == m_actGroupingToNew)
            layout->addWidget(m_edNewGroupName);
        else if (choice == m_actGroupingToExisting)
            layout->addWidget(m_cmbGroup);
    }
    layout->addStretch();
    m_actGroupingToOriginal->setChecked(true);
    for (QAction* choice : {m_actGroupingToOriginal, m_actGroupingToNew, m_actGroupingToExisting})
        connect(choice, &QAction::toggled, this, &TdlgWizardComputerList::UpdateButtons);
    return page;
}

QWidget* TdlgWizardComputerList::CreateFinishPage() {
    auto* page = Named(new QWidget(this), "tsFinish");
    auto* box = Named(new QGroupBox(QStringLiteral("Computers with the same name"), page), "gbDuplicates");
    m_rbDupAddNew = Named(new QRadioButton(QStringLiteral("Add new computer"), box), "rbDupAddNew");
    m_rbDupDeleteOld = Named(new QRadioButton(QStringLiteral("Delete old computer"), box), "rbDupDeleteOld");
    m_rbDupNotAddNew = Named(new QRadioButton(QStringLiteral("Don't add new computer"), box), "rbDupNotAddNew");
    m_rbDupDeleteOld->setChecked(true);
    auto* boxLayout = new QVBoxLayout(box);
    for (QRadioButton* button : {m_rbDupAddNew, m_rbDupDeleteOld, m_rbDupNotAddNew})
        boxLayout->addWidget(button);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Label("lblAddComputers", QStringLiteral("Add computers to list"), page));
    layout->addWidget(box);
    layout->addStretch();
    return page;
}

void TdlgWizardComputerList::ShowPage(int page) {
    m_pages->setCurrentIndex(page);
    UpdateButtons();
}

void TdlgWizardComputerList::UpdateButtons() {
    const int page = m_pages->currentIndex();
    m_btnBack->setVisible(page != PageImportFrom);
    m_btnNext->setVisible(page != PageFinish);
    m_btnFinish->setVisible(page == PageFinish);

    bool next = true;
    switch (page) {
    case PageImportFrom:
        switch (m_cmbImportFrom->currentIndex()) {
        case SourceNetwork:
            next = m_cbAllTypes->isChecked() ||
                   std::any_of(m_typeBoxes.begin(), m_typeBoxes.end(), [](QCheckBox* box) { return box->isChecked(); });
            break;
        case SourceIPRange:
            next = IsIPAddress(m_edStartIP->text()) && IsIPAddress(m_edStopIP->text());
            break;
        case SourceFile:
            next = !m_edImportFromFile->text().isEmpty();
            break;
        default:
            break;
        }
        break;
    case PageSearch:
        next = m_search == nullptr;
        break;
    case PageGrouping:
        next = !(m_actGroupingToNew->isChecked() && m_edNewGroupName->text().isEmpty());
        break;
    default:
        break;
    }
    m_btnNext->setEnabled(next);
    const bool classes = IsIPAddress(m_edStartIP->text());
    m_actClassB->setEnabled(classes);
    m_actClassC->setEnabled(classes);
    m_actTabSearchStop->setEnabled(m_search != nullptr);
    m_actGroupingToExisting->setEnabled(m_cmbGroup->count() > 0);
    m_edNewGroupName->setEnabled(m_actGroupingToNew->isChecked());
    m_cmbGroup->setEnabled(m_actGroupingToExisting->isChecked());
}

void TdlgWizardComputerList::NextClicked() {
    switch (m_pages->currentIndex()) {
    case PageImportFrom:
        StartSearch();
        break;
    case PageSearch:
        ShowPage(PageGrouping);
        break;
    case PageGrouping:
        ShowPage(PageFinish);
        break;
    default:
        break;
    }
}

void TdlgWizardComputerList::BackClicked() {
    const int page = m_pages->currentIndex();
    if (page == PageSearch && m_search) {
        if (!ConfirmStopSearch())
            return;
        AbandonSearch();
    }
    if (page > PageImportFrom)
        ShowPage(page - 1);
}

void TdlgWizardComputerList::CancelClicked() {
    if (m_search && m_pages->currentIndex() == PageSearch) {
        if (!ConfirmStopSearch())
            return;
        AbandonSearch();
    }
    reject();
}

void TdlgWizardComputerList::FillRange(const QString& mask) {
    QString first;
    QString last;
    if (GetIPRangeByMask(m_edStartIP->text(), mask, first, last))
        SetRange(first, last);
}

void TdlgWizardComputerList::SetRange(const QString& first, const QString& last) {
    m_edStartIP->setText(first);
    m_edStopIP->setFocus();
    m_edStopIP->setText(last);
}

void TdlgWizardComputerList::DetectIPRange() {
    QString first;
    QString last;
    if (DetectLocalIPRange(first, last, false, m_chooseAddress, m_adapterSource))
        SetRange(first, last);
}

void TdlgWizardComputerList::SelectImportFile() {
    const QString path = m_fileDialogs.PromptOpenFileName(
        LangStr(QStringLiteral("sImportTextFileTitle")), LangStr(QStringLiteral("sImportTextFileFilter")),
        LangStr(QStringLiteral("sImportTextFileDefaultExt")), m_options.SettingsFolder);
    if (!path.isEmpty())
        m_edImportFromFile->setText(path);
}

void TdlgWizardComputerList::StartSearch() {
    const int source = m_cmbImportFrom->currentIndex();
    if (source == SourceIPRange) {
        // A typing slip must not queue millions of addresses.
        const quint64 size = TThrdSearchGroupsAndComputers::RangeSize(m_edStartIP->text(), m_edStopIP->text());
        if (size > LargeRangeSize &&
            m_prompts.Ask(Format(LangStr(QStringLiteral("sConfirmLargeIPRange")), {QString::number(size)}),
                          LangStr(QStringLiteral("sWarning")), TPromptButtons::OKCancel,
                          TPromptIcon::Warning) != TPromptResult::OK)
            return;
    }
    AbandonSearch();
    m_vstComputers->clear();
    m_lblStatusInfo->setText(LangStr(QStringLiteral("sStatusSearchSearch")));
    m_pbProgress->setVisible(true);
    m_sbStopSearch->setVisible(true);

    m_search = new TThrdSearchGroupsAndComputers(TCheckSettings::FromOptions(m_options));
    m_search->SetSearchMode(source);
    m_search->SetMaxProbesInFlight(m_options.MaxProbesInFlight);
    switch (source) {
    case SourceNetwork: {
        quint32 types = 0xFFFFFFFF;
        if (m_cbOnlyTheseTypes->isChecked()) {
            types = 0;
            for (qsizetype i = 0; i < m_typeBoxes.size(); ++i)
                if (m_typeBoxes.at(i)->isChecked())
                    types |= TypeBits[i];
        }
        m_search->SetServerTypes(types);
        break;
    }
    case SourceAD:
        m_search->SetIncludeDisabledComputers(m_cbIncludeDisabledComputers->isChecked());
        m_search->SetDirectory({m_options.DirectoryServer, m_options.DirectoryDomain, m_options.DefaultUserName,
                                m_options.DefaultUserPassword, m_options.RemoteVerifyCertificate, false});
        break;
    case SourceIPRange:
        m_search->SetStartIP(m_edStartIP->text());
        m_search->SetStopIP(m_edStopIP->text());
        m_search->SetOnlyLiveComputers(m_cbAddOnlyLiveComputers->isChecked());
        m_search->SetResolveNames(m_cbResolveComputerNames->isChecked());
        break;
    case SourceFile:
        m_search->SetImportFileName(m_edImportFromFile->text());
        break;
    default:
        break;
    }
    m_search->SetOnFoundObject([this](TSimpleObject& object) { FoundObject(object); });
    m_search->SetOnSearchEnded([this](const TThrdSearchGroupsAndComputers& search) { SearchEnded(search); });
    m_search->start();
    ShowPage(PageSearch);
}

void TdlgWizardComputerList::FoundObject(TSimpleObject& object) {
    auto* parentItem = object.Parent ? static_cast<QTreeWidgetItem*>(object.Parent->Node) : nullptr;
    auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(m_vstComputers);
    item->setData(0, NameRole, object.Name);
    item->setData(0, DescriptionRole, object.Description);
    item->setData(0, ItemTypeRole, object.IsGroup() ? 0 : 1);
    if (object.IsGroup()) {
        item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        SetGroupCaption(item);
    } else {
        item->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
        item->setText(0, FormatComputerCaption(object.Name, object.Description, m_options.ComputerCaptionStyle));
    }
    if (parentItem)
        SetGroupCaption(parentItem);
    object.Node = item;
}

void TdlgWizardComputerList::SetGroupCaption(QTreeWidgetItem* item) {
    item->setText(0, item->data(0, NameRole).toString() + QStringLiteral(" (") + QString::number(item->childCount()) +
                         u')');
}

void TdlgWizardComputerList::SearchEnded(const TThrdSearchGroupsAndComputers& search) {
    m_lblStatusInfo->setText(
        LangStr(search.Finished() ? QStringLiteral("sStatusSearchComplete") : QStringLiteral("sStatusSearchStopped")));
    m_vstComputers->expandAll();
    const QString error = search.ErrorText();
    m_search = nullptr;
    SearchGone();
    if (!error.isEmpty())
        m_prompts.Ask(error, LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
}

bool TdlgWizardComputerList::ConfirmStopSearch() {
    return m_prompts.Ask(LangStr(QStringLiteral("sStopSearchProcess")), LangStr(QStringLiteral("sWarning")),
                         TPromptButtons::OKCancel, TPromptIcon::Warning) == TPromptResult::OK;
}

void TdlgWizardComputerList::AbandonSearch() {
    if (!m_search)
        return;
    std::exchange(m_search, nullptr)->Detach();
    m_lblStatusInfo->setText(LangStr(QStringLiteral("sStatusSearchStopped")));
    SearchGone();
}

void TdlgWizardComputerList::SearchGone() {
    m_pbProgress->setVisible(false);
    m_sbStopSearch->setVisible(false);
    UpdateButtons();
}

void TdlgWizardComputerList::FinishClicked() {
    TGroupObject* target = nullptr;
    if (m_actGroupingToNew->isChecked())
        target = m_list.AddGroup(m_edNewGroupName->text(), ucInherited, nullptr, QString(), QString());
    else if (m_actGroupingToExisting->isChecked())
        target = static_cast<TGroupObject*>(m_cmbGroup->currentData().value<void*>());
    m_list.BeginUpdate();
    if (target) {
        for (QTreeWidgetItemIterator it(m_vstComputers); *it; ++it)
            if ((*it)->data(0, ItemTypeRole).toInt() == 1)
                AddFoundComputer(*it, target);
    } else {
        AddFoundComputers(m_vstComputers->invisibleRootItem(), nullptr);
    }
    m_list.EndUpdate();
    accept();
}

void TdlgWizardComputerList::AddFoundComputers(QTreeWidgetItem* parent, TGroupObject* target) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* item = parent->child(i);
        if (item->data(0, ItemTypeRole).toInt() == 1) {
            AddFoundComputer(item, target);
            continue;
        }
        const QString name = item->data(0, NameRole).toString();
        TGroupObject* group = m_list.FindGroup(name);
        if (!group)
            group = m_list.AddGroup(name, ucInherited, nullptr, QString(), QString());
        AddFoundComputers(item, group);
    }
}

void TdlgWizardComputerList::AddFoundComputer(const QTreeWidgetItem* item, TGroupObject* target) {
    const QString name = item->data(0, NameRole).toString();
    if (TComputerObject* old = m_list.FindComputer(name)) {
        if (m_rbDupNotAddNew->isChecked())
            return;
        if (m_rbDupDeleteOld->isChecked())
            m_list.DeleteItem(old);
    }
    m_list.AddComputer(name, item->data(0, DescriptionRole).toString(), target, ucInherited, QString(), QString());
}

bool ExecuteComputerListWizard(QWidget* parent, TComputerList& list, const TProgramOptions& options,
                               IUserPrompts& prompts, IFileDialogs& fileDialogs) {
    TdlgWizardComputerList wizard(parent, list, options, prompts, fileDialogs);
    return wizard.exec() == QDialog::Accepted;
}
