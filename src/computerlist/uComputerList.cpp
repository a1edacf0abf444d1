#include "uComputerList.h"

#include "LangChanger.h"
#include "uComputerSortModel.h"
#include "uEntryDialogs.h"
#include "uFormat.h"
#include "uHardwareAddress.h"
#include "uProgramOptions.h"
#include "uUserPrompts.h"

#include <QMetaObject>
#include <QMimeData>
#include <QSet>

#include <algorithm>
#include <map>
#include <utility>

namespace {

// Compares like the tree's sort: ASCII letters folded to upper case, everything else by code unit.
int CompareTextAscii(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x -= u'a' - u'A';
        if (y >= u'a' && y <= u'z')
            y -= u'a' - u'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Visits entries depth first in list order, a group before its contents, until visit returns true.
template <typename Visit> TPreObject* FindFirst(const TEntryList& items, const Visit& visit) {
    for (const auto& item : items) {
        if (visit(item.get()))
            return item.get();
        if (item->IsGroup()) {
            if (TPreObject* found = FindFirst(static_cast<const TGroupObject&>(*item).Items(), visit))
                return found;
        }
    }
    return nullptr;
}

template <typename Visit> void ForEachEntry(const TEntryList& items, const Visit& visit) {
    FindFirst(items, [&](TPreObject* entry) {
        visit(entry);
        return false;
    });
}

bool IsInside(const TPreObject* entry, const TPreObject* group) {
    for (const TPreObject* p = entry->ParentGroup(); p; p = p->ParentGroup()) {
        if (p == group)
            return true;
    }
    return false;
}

constexpr int UnknownStatusImage = 3;

struct TCaptionCounts {
    int Checked = 0;
    int Reachable = 0;
    int Total = 0;
};

void CountComputers(const TEntryList& items, TCaptionCounts& counts) {
    for (const auto& item : items) {
        if (item->IsGroup()) {
            CountComputers(static_cast<const TGroupObject&>(*item).Items(), counts);
            continue;
        }
        ++counts.Total;
        if (item->CheckState() == Qt::Checked)
            ++counts.Checked;
        if (item->Status() == 1)
            ++counts.Reachable;
    }
}

} // namespace

QString FormatComputerCaption(const QString& name, const QString& description, int style) {
    if (description.isEmpty())
        return name;
    switch (style) {
    case 0:
        return Format(LangStr(QStringLiteral("sComputerCaptionStyle")), {name, description});
    case 1:
        return Format(LangStr(QStringLiteral("sComputerCaptionStyle")), {description, name});
    case 3:
        return description;
    default:
        return name;
    }
}

// ---- TPreObject and its kinds ----

TPreObject::TPreObject(bool isGroup, const QString& name, const QString& description, TComputerList* list,
                       TGroupObject* parent, qint32 status)
    : m_isGroup(isGroup), m_description(description), m_name(name), m_parentGroup(parent), m_status(status),
      m_computerList(list) {}

void TPreObject::SetName(const QString& value) {
    m_name = value;
    m_computerList->m_computersByName.reset();
}

QString TPreObject::GetCaption() const {
    return FormatComputerCaption(m_name, m_description, m_computerList->m_options.ComputerCaptionStyle);
}

Qt::CheckState TPreObject::CheckState() const {
    if (!m_isGroup || static_cast<const TGroupObject*>(this)->Items().empty())
        return m_checked ? Qt::Checked : Qt::Unchecked;
    bool anyChecked = false;
    bool anyUnchecked = false;
    for (const auto& item : static_cast<const TGroupObject*>(this)->Items()) {
        const Qt::CheckState state = item->CheckState();
        anyChecked = anyChecked || state != Qt::Unchecked;
        anyUnchecked = anyUnchecked || state != Qt::Checked;
        if (anyChecked && anyUnchecked)
            return Qt::PartiallyChecked;
    }
    return anyChecked ? Qt::Checked : Qt::Unchecked;
}

void TPreObject::SetChecked(bool value) {
    m_computerList->SetChecked(this, value);
}

QString TGroupObject::GetCaption() const {
    TCaptionCounts counts;
    CountComputers(m_items, counts);
    return Format(QStringLiteral("%s (%d/%d/%d)"), {Name(), counts.Checked, counts.Reachable, counts.Total});
}

void TGroupObject::SetExpanded(bool value) {
    ComputerList()->SetExpanded(this, value);
}

// ---- TComputerList ----

TComputerList::TComputerList(const TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs,
                             QObject* parent)
    : QAbstractItemModel(parent), m_options(options), m_prompts(prompts), m_dialogs(dialogs),
      m_sortModel(std::make_unique<TComputerSortModel>(*this)),
      m_selectionModel(std::make_unique<QItemSelectionModel>(m_sortModel.get())) {
    connect(&m_updateTimer, &QTimer::timeout, this, &TComputerList::UpdateState);
    // A group that gets the focus opens.
    connect(m_selectionModel.get(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        TPreObject* entry = GetItemOfNode(current);
        if (entry && entry->IsGroup())
            SetExpanded(static_cast<TGroupObject*>(entry), true);
    });
}

TComputerList::~TComputerList() {
    if (m_stateThread)
        m_stateThread->Detach();
    m_stateThread = nullptr;
}

QAbstractItemModel* TComputerList::ViewModel() const {
    return m_sortModel.get();
}

QModelIndex TComputerList::SourceIndex(const TPreObject* entry) const {
    return entry ? createIndex(entry->m_row, 0, entry) : QModelIndex();
}

TPreObject* TComputerList::Entry(const QModelIndex& sourceIndex) {
    return static_cast<TPreObject*>(sourceIndex.internalPointer());
}

QModelIndex TComputerList::NodeOf(const TPreObject* entry) const {
    return entry ? m_sortModel->mapFromSource(SourceIndex(entry)) : QModelIndex();
}

TPreObject* TComputerList::GetItemOfNode(const QModelIndex& node) const {
    if (!node.isValid())
        return nullptr;
    return Entry(node.model() == this ? node : m_sortModel->mapToSource(node));
}

QList<TPreObject*> TComputerList::TreeOrder() const {
    QList<TPreObject*> order;
    order.reserve(rowCount());
    const auto visit = [&](const auto& self, const QModelIndex& parent) -> void {
        const int rows = m_sortModel->rowCount(parent);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex node = m_sortModel->index(row, 0, parent);
            TPreObject* entry = GetItemOfNode(node);
            order.append(entry);
            if (entry->IsGroup())
                self(self, node);
        }
    };
    visit(visit, {});
    return order;
}

void TComputerList::Renumber(TEntryList& list, size_t from) {
    for (size_t i = from; i < list.size(); ++i)
        list[i]->m_row = static_cast<int>(i);
}

void TComputerList::Insert(std::unique_ptr<TPreObject> entry) {
    ForgetEntries();
    TEntryList& list = OwningList(entry->m_parentGroup);
    const int row = static_cast<int>(list.size());
    entry->m_row = row;
    if (m_updateDepth == 0)
        beginInsertRows(SourceIndex(entry->m_parentGroup), row, row);
    list.push_back(std::move(entry));
    if (m_updateDepth == 0)
        endInsertRows();
}

std::unique_ptr<TPreObject> TComputerList::Take(TPreObject* entry) {
    ForgetEntries();
    if (m_pendingSelection && (m_pendingSelection == entry || IsInside(m_pendingSelection, entry)))
        m_pendingSelection = nullptr;
    TEntryList& list = OwningList(entry->m_parentGroup);
    const auto row = static_cast<size_t>(entry->m_row);
    std::unique_ptr<TPreObject> owned = std::move(list[row]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(list, row);
    return owned;
}

TComputerObject* TComputerList::NewComputer(const QString& name, const QString& description, TGroupObject* parent,
                                            qint32 status) {
    auto* computer = new TComputerObject(name, description, this, parent, status);
    Insert(std::unique_ptr<TPreObject>(computer));
    return computer;
}

TGroupObject* TComputerList::NewGroup(const QString& name, const QString& description, TGroupObject* parent,
                                      qint32 status) {
    auto* group = new TGroupObject(name, description, this, parent, status);
    Insert(std::unique_ptr<TPreObject>(group));
    return group;
}

void TComputerList::BeginUpdate() {
    if (m_updateDepth++ == 0)
        beginResetModel();
}

void TComputerList::EndUpdate() {
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    endResetModel();
    if (TPreObject* entry = std::exchange(m_pendingSelection, nullptr))
        m_selectionModel->setCurrentIndex(NodeOf(entry), QItemSelectionModel::ClearAndSelect);
}

void TComputerList::ShowEntry(const TPreObject* entry) {
    for (TGroupObject* group = entry->m_parentGroup; group; group = group->m_parentGroup)
        SetExpanded(group, true);
}

void TComputerList::SelectAndShow(TPreObject* entry) {
    ShowEntry(entry);
    if (m_updateDepth > 0)
        m_pendingSelection = entry;
    else
        m_selectionModel->setCurrentIndex(NodeOf(entry), QItemSelectionModel::ClearAndSelect);
}

TComputerObject* TComputerList::AddComputer(const QString& name, const QString& description, TGroupObject* parent,
                                            TUserConnectAs mode, const QString& userName, const QString& password) {
    TComputerObject* computer = NewComputer(name, description, parent);
    computer->SetUserConnectAs(mode);
    computer->SetUserName(userName);
    computer->SetUserPassword(password);
    SelectAndShow(computer);
    MarkModified();
    return computer;
}

TGroupObject* TComputerList::AddGroup(const QString& name, TUserConnectAs mode, TGroupObject* parent,
                                      const QString& userName, const QString& password) {
    TGroupObject* group = NewGroup(name, QString(), parent);
    group->SetUserConnectAs(mode);
    group->SetUserName(userName);
    group->SetUserPassword(password);
    SelectAndShow(group);
    MarkModified();
    return group;
}

void TComputerList::AddComputerWithDialog() {
    QString name, description, hardwareAddress, userName, password;
    TUserConnectAs mode = ucInherited;
    if (m_dialogs.ExecuteComputerEditDialog(name, description, hardwareAddress, mode, userName, password,
                                            CredentialsVisible()))
        AddComputer(name, description, GetSelectedGroup(), mode, userName, password)->SetMacAddress(hardwareAddress);
}

void TComputerList::AddGroupWithDialog() {
    QString name = GetNewGroupName();
    QString userName, password;
    TUserConnectAs mode = ucInherited;
    if (m_dialogs.ExecuteGroupEditDialog(name, mode, userName, password, CredentialsVisible(), true))
        AddGroup(name, mode, nullptr, userName, password);
}

void TComputerList::EditSelected() {
    const QList<TPreObject*> selected = SelectedInTreeOrder();
    if (selected.isEmpty())
        return;
    TPreObject* entry = selected.first();
    QString name = entry->Name();
    QString description = entry->Description();
    QString userName = entry->UserName();
    QString password = entry->UserPassword();
    TUserConnectAs mode = entry->UserConnectAs();
    auto* computer = entry->IsGroup() ? nullptr : static_cast<TComputerObject*>(entry);
    QString hardwareAddress = computer ? computer->MacAddress() : QString();
    const bool accepted =
        computer ? m_dialogs.ExecuteComputerEditDialog(name, description, hardwareAddress, mode, userName, password,
                                                       CredentialsVisible())
                 : m_dialogs.ExecuteGroupEditDialog(name, mode, userName, password, CredentialsVisible(), false);
    if (!accepted)
        return;
    entry->SetName(name);
    if (computer) {
        computer->SetDescription(description);
        computer->SetMacAddress(hardwareAddress);
    }
    entry->SetUserConnectAs(mode);
    entry->SetUserName(userName);
    entry->SetUserPassword(password);
    Repaint(entry, {Qt::DisplayRole});
    MarkModified();
}

QList<TPreObject*> TComputerList::SelectedInTreeOrder() const {
    struct TSelected {
        QList<int> Path;
        TPreObject* Entry;
    };
    QList<TSelected> selected;
    QSet<const TPreObject*> entries;
    const QModelIndexList nodes = m_selectionModel->selectedIndexes();
    for (const QModelIndex& node : nodes) {
        TSelected item{{}, GetItemOfNode(node)};
        for (QModelIndex n = node; n.isValid(); n = n.parent())
            item.Path.prepend(n.row());
        entries.insert(item.Entry);
        selected.append(std::move(item));
    }
    std::sort(selected.begin(), selected.end(), [](const TSelected& a, const TSelected& b) { return a.Path < b.Path; });
    QList<TPreObject*> result;
    for (const TSelected& item : selected) {
        const auto hasSelectedAncestor = [&] {
            for (const TPreObject* p = item.Entry->ParentGroup(); p; p = p->ParentGroup()) {
                if (entries.contains(p))
                    return true;
            }
            return false;
        };
        if (!hasSelectedAncestor())
            result.append(item.Entry);
    }
    return result;
}

void TComputerList::DeleteSelected() {
    const int count = static_cast<int>(m_selectionModel->selectedIndexes().size());
    if (count == 0)
        return;
    const QString text =
        LangStr(count == 1 ? QStringLiteral("sDeleteSelectedInList1") : QStringLiteral("sDeleteSelectedInList"));
    const QString caption =
        LangStr(count == 1 ? QStringLiteral("sDeleteComputerTitle") : QStringLiteral("sDeleteComputerMTitle"));
    if (m_prompts.Ask(Format(text, {count}), caption, TPromptButtons::OKCancel, TPromptIcon::Warning) !=
        TPromptResult::OK)
        return;
    const QList<TPreObject*> entries = SelectedInTreeOrder();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        DeleteItem(*it);
}

void TComputerList::DeleteAll() {
    if (m_prompts.Ask(LangStr(QStringLiteral("sComputerListClear")), LangStr(QStringLiteral("sComputerListClearTitle")),
                      TPromptButtons::OKCancel, TPromptIcon::Question) != TPromptResult::OK)
        return;
    BeginUpdate();
    m_pendingSelection = nullptr;
    ForgetEntries();
    m_items.clear();
    EndUpdate();
    MarkModified();
}

void TComputerList::DeleteItem(TPreObject* entry) {
    const bool notify = m_updateDepth == 0;
    if (notify)
        beginRemoveRows(SourceIndex(entry->m_parentGroup), entry->m_row, entry->m_row);
    std::unique_ptr<TPreObject> owned = Take(entry);
    if (notify)
        endRemoveRows();
    RepaintAncestors(owned.get(), {CountsRole, Qt::CheckStateRole});
    MarkModified();
}

TComputerObject* TComputerList::FindComputer(const QString& name) const {
    return static_cast<TComputerObject*>(FindFirst(m_items, [&](const TPreObject* entry) {
        return !entry->IsGroup() && entry->Name().compare(name, Qt::CaseInsensitive) == 0;
    }));
}

TGroupObject* TComputerList::FindGroup(const QString& name) const {
    return static_cast<TGroupObject*>(FindFirst(m_items, [&](const TPreObject* entry) {
        return entry->IsGroup() && entry->Name().compare(name, Qt::CaseInsensitive) == 0;
    }));
}

QString TComputerList::GetNewGroupName() const {
    QSet<QString> taken;
    ForEachEntry(m_items, [&](const TPreObject* entry) {
        if (entry->IsGroup())
            taken.insert(entry->Name().toCaseFolded());
    });
    const QString base = LangStr(QStringLiteral("sNewGroup"));
    QString candidate = base;
    // One more try than there are groups always finds a free number, and ends even when a
    // translation's format has no number in it.
    for (qsizetype n = 1; taken.contains(candidate.toCaseFolded()) && n <= taken.size() + 1; ++n)
        candidate = Format(LangStr(QStringLiteral("sNewGroupNameFormat")), {base, n});
    return candidate;
}

TComputerObject* TComputerList::GetFocusedComputer() const {
    TPreObject* entry = GetItemOfNode(m_selectionModel->currentIndex());
    return entry && !entry->IsGroup() ? static_cast<TComputerObject*>(entry) : nullptr;
}

QString TComputerList::GetFocusedComputerName() const {
    const TComputerObject* computer = GetFocusedComputer();
    return computer ? computer->Name() : QString();
}

TGroupObject* TComputerList::GetSelectedGroup() const {
    const QList<TPreObject*> selected = SelectedInTreeOrder();
    if (selected.isEmpty())
        return nullptr;
    TPreObject* first = selected.first();
    return first->IsGroup() ? static_cast<TGroupObject*>(first) : first->ParentGroup();
}

bool TComputerList::HasSelection() const {
    return m_selectionModel->hasSelection();
}

void TComputerList::SetExpanded(TGroupObject* group, bool value) {
    if (group->m_expanded == value)
        return;
    group->m_expanded = value;
    if (m_updateDepth == 0)
        emit ExpandedChanged(NodeOf(group), value);
}

void TComputerList::ExpandAll() {
    ForEachEntry(m_items, [&](TPreObject* entry) {
        if (entry->IsGroup())
            SetExpanded(static_cast<TGroupObject*>(entry), true);
    });
}

void TComputerList::CollapseAll() {
    ForEachEntry(m_items, [&](TPreObject* entry) {
        if (entry->IsGroup())
            SetExpanded(static_cast<TGroupObject*>(entry), false);
    });
}

void TComputerList::Repaint(const TPreObject* entry, const QList<int>& roles) {
    if (m_updateDepth > 0)
        return;
    const QModelIndex index = SourceIndex(entry);
    emit dataChanged(index, index, roles);
}

void TComputerList::RepaintAncestors(const TPreObject* entry, const QList<int>& roles) {
    for (const TPreObject* group = entry->m_parentGroup; group; group = group->m_parentGroup)
        Repaint(group, roles);
}

void TComputerList::SetChecked(TPreObject* entry, bool value) {
    const auto apply = [&](const auto& self, TPreObject* e) -> void {
        e->m_checked = value;
        if (!e->IsGroup())
            return;
        const TEntryList& items = static_cast<TGroupObject*>(e)->m_items;
        for (const auto& item : items)
            self(self, item.get());
        if (!items.empty() && m_updateDepth == 0) {
            emit dataChanged(SourceIndex(items.front().get()), SourceIndex(items.back().get()), {Qt::CheckStateRole});
            for (const auto& item : items) {
                if (item->IsGroup())
                    Repaint(item.get(), {CountsRole});
            }
        }
    };
    apply(apply, entry);
    Repaint(entry, {Qt::CheckStateRole, CountsRole});
    RepaintAncestors(entry, {Qt::CheckStateRole, CountsRole});
}

void TComputerList::SetUpdateEnabled(bool value) {
    if (!value)
        m_updateTimer.stop();
    else if (!m_updateTimer.isActive())
        m_updateTimer.start();
}

void TComputerList::SetUpdateInterval(int milliseconds) {
    m_updateTimer.setInterval(milliseconds);
}

void TComputerList::UpdateState() {
    if (m_stateThread || m_items.empty())
        return;
    emit OnUpdateStateStart();
    if (!m_statePassFactory) {
        emit OnUpdateStateDone();
        return;
    }
    QStringList names;
    GetComputerNames(names);
    m_stateThread = m_statePassFactory();
    m_stateThread->Start(
        names, [this](const QString& name, bool reachable) { ApplyPassResult(name, reachable); },
        [this](const QString& name, const QString& hardwareAddress) { LearnHardwareAddress(name, hardwareAddress); },
        [this] { StatePassEnded(); });
}

void TComputerList::StatePassEnded() {
    m_stateThread = nullptr;
    emit OnUpdateStateDone();
}

void TComputerList::SetComputerStatus(const QString& name, bool reachable) {
    for (TPreObject* entry : ChangeStatus(name, reachable)) {
        Repaint(entry, {ImageIndexRole});
        RepaintAncestors(entry, {CountsRole});
    }
}

void TComputerList::ApplyPassResult(const QString& name, bool reachable) {
    const QList<TPreObject*> changed = ChangeStatus(name, reachable);
    if (changed.isEmpty())
        return;
    if (m_statusRepaints.isEmpty())
        QMetaObject::invokeMethod(this, &TComputerList::RepaintChangedStatus, Qt::QueuedConnection);
    m_statusRepaints += changed;
}

void TComputerList::LearnHardwareAddress(const QString& name, const QString& hardwareAddress) {
    if (hardwareAddress.isEmpty())
        return;
    for (TPreObject* entry : ComputersNamed(name)) {
        auto* computer = static_cast<TComputerObject*>(entry);
        if (NormalizeHardwareAddress(computer->m_macAddress) != hardwareAddress) {
            computer->m_macAddress = hardwareAddress;
            MarkModified();
        }
    }
}

QList<TPreObject*> TComputerList::ChangeStatus(const QString& name, bool reachable) {
    const qint32 status = reachable ? 1 : 0;
    QList<TPreObject*> changed;
    for (TPreObject* entry : ComputersNamed(name)) {
        if (!entry->m_statusKnown || entry->m_status != status) {
            entry->m_status = status;
            entry->m_statusKnown = true;
            changed.append(entry);
        }
    }
    return changed;
}

void TComputerList::RepaintChangedStatus() {
    // One signal for the changed rows of each owning list and one for each group above them, however many
    // computers changed.
    std::map<const TGroupObject*, std::pair<int, int>> rows;
    QSet<const TPreObject*> groups;
    for (const TPreObject* entry : std::exchange(m_statusRepaints, {})) {
        const auto range = rows.try_emplace(entry->m_parentGroup, entry->m_row, entry->m_row).first;
        range->second = {std::min(range->second.first, entry->m_row), std::max(range->second.second, entry->m_row)};
        for (const TPreObject* group = entry->m_parentGroup; group && !groups.contains(group);
             group = group->m_parentGroup)
            groups.insert(group);
    }
    if (m_updateDepth > 0)
        return;
    for (const auto& [parent, range] : rows) {
        const TEntryList& list = parent ? parent->m_items : m_items;
        emit dataChanged(SourceIndex(list[static_cast<size_t>(range.first)].get()),
                         SourceIndex(list[static_cast<size_t>(range.second)].get()), {ImageIndexRole});
    }
    for (const TPreObject* group : std::as_const(groups))
        Repaint(group, {CountsRole});
}

void TComputerList::ForgetEntries() {
    // Repaints still due go out while their entries and rows are as they were.
    if (!m_statusRepaints.isEmpty())
        RepaintChangedStatus();
    m_computersByName.reset();
}

const QList<TPreObject*>& TComputerList::ComputersNamed(const QString& name) {
    if (!m_computersByName) {
        m_computersByName.emplace();
        ForEachEntry(m_items, [this](TPreObject* entry) {
            if (!entry->IsGroup())
                (*m_computersByName)[entry->m_name].append(entry);
        });
    }
    static const QList<TPreObject*> none;
    const auto found = m_computersByName->constFind(name);
    return found == m_computersByName->constEnd() ? none : *found;
}

void TComputerList::GetComputerNames(QStringList& names) const {
    ForEachEntry(m_items, [&](const TPreObject* entry) {
        if (!entry->IsGroup())
            names.append(entry->Name());
    });
}

int TComputerList::CompareNodes(const TPreObject* a, const TPreObject* b) const {
    if (a->IsGroup() != b->IsGroup())
        return a->IsGroup() ? -1 : 1;
    return CompareTextAscii(a->GetCaption(), b->GetCaption());
}

TPreObject* TComputerList::IncrementalSearch(const QString& text) {
    if (text.isEmpty())
        return nullptr;
    const QList<TPreObject*> order = TreeOrder();
    const qsizetype start = std::max<qsizetype>(0, order.indexOf(GetItemOfNode(m_selectionModel->currentIndex())));
    for (qsizetype i = 0; i < order.size(); ++i) {
        TPreObject* entry = order[(start + i) % order.size()];
        if (entry->GetCaption().startsWith(text, Qt::CaseInsensitive)) {
            SelectAndShow(entry);
            return entry;
        }
    }
    return nullptr;
}

bool TComputerList::CanDropOn(const TPreObject* target) const {
    if (!target)
        return false;
    const QModelIndexList nodes = m_selectionModel->selectedIndexes();
    return std::none_of(nodes.begin(), nodes.end(),
                        [&](const QModelIndex& node) { return IsInside(target, GetItemOfNode(node)); });
}

void TComputerList::MoveItem(TPreObject* target, TDropPosition position) {
    if (!CanDropOn(target))
        return;
    const QList<TPreObject*> selected = SelectedInTreeOrder();
    if (selected.isEmpty() || selected.first() == target)
        return;
    TAttachMode mode = TAttachMode::InsertAfter;
    if (position == TDropPosition::Above)
        mode = TAttachMode::InsertBefore;
    else if (target->IsGroup())
        mode = TAttachMode::AddChildFirst;
    // One layout change for the whole drop, so that views and the selection follow once however many
    // entries move.
    const bool notify = m_updateDepth == 0;
    QModelIndexList persistent;
    QList<TPreObject*> persistentEntries;
    if (notify) {
        emit layoutAboutToBeChanged();
        persistent = persistentIndexList();
        for (const QModelIndex& index : std::as_const(persistent))
            persistentEntries.append(Entry(index));
    }
    MoveEntry(selected.first(), target, mode);
    for (qsizetype i = 1; i < selected.size(); ++i)
        MoveEntry(selected[i], selected[i - 1], TAttachMode::InsertAfter);
    if (notify) {
        QModelIndexList moved;
        for (const TPreObject* entry : std::as_const(persistentEntries))
            moved.append(SourceIndex(entry));
        changePersistentIndexList(persistent, moved);
        emit layoutChanged();
    }
    for (const TPreObject* entry : selected)
        ShowEntry(entry);
}

void TComputerList::MoveEntry(TPreObject* entry, TPreObject* target, TAttachMode mode) {
    // An entry cannot go next to or into itself or anything inside it.
    if (entry == target || IsInside(target, entry))
        return;
    TGroupObject* newParent =
        mode == TAttachMode::AddChildFirst ? static_cast<TGroupObject*>(target) : target->m_parentGroup;
    int position = 0;
    if (mode == TAttachMode::InsertBefore)
        position = target->m_row;
    else if (mode == TAttachMode::InsertAfter)
        position = target->m_row + 1;
    const bool sameList = entry->m_parentGroup == newParent;
    const int row = entry->m_row;
    std::unique_ptr<TPreObject> owned = Take(entry);
    if (sameList && position > row)
        --position;
    owned->m_parentGroup = newParent;
    TEntryList& list = OwningList(newParent);
    list.insert(list.begin() + position, std::move(owned));
    Renumber(list, static_cast<size_t>(position));
}

QModelIndex TComputerList::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const TPreObject* owner = Entry(parent);
    if (owner && !owner->IsGroup())
        return {};
    const TEntryList& list = owner ? static_cast<const TGroupObject*>(owner)->m_items : m_items;
    if (static_cast<size_t>(row) >= list.size())
        return {};
    return createIndex(row, 0, list[static_cast<size_t>(row)].get());
}

QModelIndex TComputerList::parent(const QModelIndex& child) const {
    const TPreObject* entry = child.isValid() ? Entry(child) : nullptr;
    return entry ? SourceIndex(entry->m_parentGroup) : QModelIndex();
}

int TComputerList::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    const TPreObject* owner = parent.isValid() ? Entry(parent) : nullptr;
    if (!owner)
        return static_cast<int>(m_items.size());
    return owner->IsGroup() ? static_cast<int>(static_cast<const TGroupObject*>(owner)->m_items.size()) : 0;
}

int TComputerList::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TComputerList::data(const QModelIndex& index, int role) const {
    const TPreObject* entry = index.isValid() ? Entry(index) : nullptr;
    if (!entry)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return entry->GetCaption();
    case Qt::CheckStateRole:
        return static_cast<int>(entry->CheckState());
    case ImageIndexRole:
        if (entry->IsGroup())
            return 0;
        return entry->StatusKnown() ? entry->Status() + 1 : UnknownStatusImage;
    default:
        return {};
    }
}

bool TComputerList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    SetChecked(Entry(index), value.toInt() != Qt::Unchecked);
    return true;
}

Qt::ItemFlags TComputerList::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled; // drops between top-level nodes
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

QStringList TComputerList::mimeTypes() const {
    return {QLatin1String(EntriesMimeType)};
}

QMimeData* TComputerList::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty())
        return nullptr;
    // The drop moves the selection; the data only marks the drag as ours.
    auto* data = new QMimeData;
    data->setData(QLatin1String(EntriesMimeType), {});
    return data;
}
