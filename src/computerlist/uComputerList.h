#pragma once

#include "uComputerStatePass.h"
#include "uUserConnectAs.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QItemSelectionModel>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class IEntryDialogs;
class IUserPrompts;
class TComputerList;
class TComputerSortModel;
class TGroupObject;
class TPreObject;
struct TProgramOptions;

// An owning list of entries, in file order.
using TEntryList = std::vector<std::unique_ptr<TPreObject>>;

// Where entries are dropped relative to the node under the pointer.
enum class TDropPosition { Above, On, Below };

// Text of a computer's node for a caption style (0 to 3; any other value shows the name).
QString FormatComputerCaption(const QString& name, const QString& description, int style);

// An entry of the computer list, a computer or a group. Entries are made by the list and owned by
// their owning list (the parent group's Items or the list's Items); every entry is one node of the tree.
class TPreObject {
public:
    TPreObject(const TPreObject&) = delete;
    TPreObject& operator=(const TPreObject&) = delete;
    virtual ~TPreObject() = default;

    // The text the tree shows for this entry.
    virtual QString GetCaption() const;

    bool IsGroup() const { return m_isGroup; }
    const QString& Name() const { return m_name; }
    const QString& Description() const { return m_description; }
    TGroupObject* ParentGroup() const { return m_parentGroup; }
    qint32 Status() const { return m_status; }
    // Whether a reachability check has answered for the computer since the list was loaded.
    bool StatusKnown() const { return m_statusKnown; }
    TComputerList* ComputerList() const { return m_computerList; }
    const QString& UserPassword() const { return m_userPassword; }
    const QString& UserName() const { return m_userName; }
    TUserConnectAs UserConnectAs() const { return m_userConnectAs; }
    // Position in the owning list.
    int Row() const { return m_row; }

    // The setters store the value only: they neither repaint nor mark the list modified.
    void SetName(const QString& value);
    void SetDescription(const QString& value) { m_description = value; }
    void SetStatus(qint32 value) { m_status = value; }
    void SetUserPassword(const QString& value) { m_userPassword = value; }
    void SetUserName(const QString& value) { m_userName = value; }
    void SetUserConnectAs(TUserConnectAs value) { m_userConnectAs = value; }

    // The check box: a computer's own state; a group's follows from its children (an empty group
    // keeps its own).
    Qt::CheckState CheckState() const;
    // Checks or unchecks the node (a group with everything inside it) and repaints.
    void SetChecked(bool value);

protected:
    TPreObject(bool isGroup, const QString& name, const QString& description, TComputerList* list, TGroupObject* parent,
               qint32 status);

private:
    friend class TComputerList;

    const bool m_isGroup;
    QString m_description;
    QString m_name;
    TGroupObject* m_parentGroup;
    qint32 m_status;
    bool m_statusKnown = false;
    TComputerList* m_computerList;
    QString m_userPassword;
    QString m_userName;
    TUserConnectAs m_userConnectAs = ucInherited;
    bool m_checked = false;
    int m_row = 0;
};

class TComputerObject : public TPreObject {
public:
    const QString& MacAddress() const { return m_macAddress; }
    void SetMacAddress(const QString& value) { m_macAddress = value; }

private:
    friend class TComputerList;
    TComputerObject(const QString& name, const QString& description, TComputerList* list, TGroupObject* parent,
                    qint32 status)
        : TPreObject(false, name, description, list, parent, status) {}

    QString m_macAddress;
};

class TGroupObject : public TPreObject {
public:
    // Name followed by the counts of checked, reachable and all computers anywhere inside the group.
    QString GetCaption() const override;

    const TEntryList& Items() const { return m_items; }
    bool IsExpanded() const { return m_expanded; }
    void SetExpanded(bool value);

private:
    friend class TComputerList;
    TGroupObject(const QString& name, const QString& description, TComputerList* list, TGroupObject* parent,
                 qint32 status)
        : TPreObject(true, name, description, list, parent, status) {}

    TEntryList m_items;
    bool m_expanded = false;
};

// The computer list: owns every entry and is the item model of the computer tree. Views show
// ViewModel() (sorted by CompareNodes) and share SelectionModel(), which holds the selection and the
// focused node; the check boxes and the expanded state of groups live in the entries, so every
// operation works without a view. All operations run on the main thread.
class TComputerList : public QAbstractItemModel {
    Q_OBJECT
public:
    // The tree image of a node: 0 group, 1 computer not reachable, 2 computer reachable, 3 computer
    // without an answer yet in this session (its stored Status is no answer of today).
    static constexpr int ImageIndexRole = Qt::UserRole + 1;
    // Announced (never answered) when the counts in group captions changed: views repaint, but the
    // order stays as it is, as a repaint never re-sorts. Only adding and renaming entries re-sort.
    static constexpr int CountsRole = Qt::UserRole + 2;
    // The data of a drag of entries.
    static constexpr const char* EntriesMimeType = "application/x-dormiva-entries";

    TComputerList(const TProgramOptions& options, IUserPrompts& prompts, IEntryDialogs& dialogs,
                  QObject* parent = nullptr);
    ~TComputerList() override;

    bool Modified() const { return m_modified; }
    // Marks unsaved changes; nothing clears the mark while the program runs.
    void MarkModified() { m_modified = true; }
    const QString& FileName() const { return m_fileName; }
    void SetFileName(const QString& value) { m_fileName = value; }
    const TEntryList& Items() const { return m_items; }
    QTimer& UpdateTimer() { return m_updateTimer; }
    // The running reachability pass, or none.
    IComputerStatePass* StateThread() const { return m_stateThread; }
    bool CredentialsVisible() const { return true; }

    // The sorted model for views, and the selection and focus they share.
    QAbstractItemModel* ViewModel() const;
    QItemSelectionModel* SelectionModel() const { return m_selectionModel.get(); }
    // The node (an index of ViewModel) that shows an entry, and back.
    QModelIndex NodeOf(const TPreObject* entry) const;
    TPreObject* GetItemOfNode(const QModelIndex& node) const;
    // Every entry in tree display order (sorted, depth first, a group before its contents).
    QList<TPreObject*> TreeOrder() const;

    // Making entries without selecting them or marking the list modified (reading a file). Inside a
    // BeginUpdate/EndUpdate bracket views are refreshed once, at the outermost EndUpdate; adding many
    // entries belongs in one (the focus and selection of AddComputer and AddGroup then follow at the end).
    TComputerObject* NewComputer(const QString& name, const QString& description, TGroupObject* parent,
                                 qint32 status = 1);
    TGroupObject* NewGroup(const QString& name, const QString& description, TGroupObject* parent, qint32 status = 1);
    void BeginUpdate();
    void EndUpdate();

    TComputerObject* AddComputer(const QString& name, const QString& description, TGroupObject* parent,
                                 TUserConnectAs mode, const QString& userName, const QString& password);
    TGroupObject* AddGroup(const QString& name, TUserConnectAs mode, TGroupObject* parent, const QString& userName,
                           const QString& password);
    void AddComputerWithDialog();
    void AddGroupWithDialog();
    void EditSelected();
    void DeleteSelected();
    void DeleteAll();
    void DeleteItem(TPreObject* entry);

    TComputerObject* FindComputer(const QString& name) const;
    TGroupObject* FindGroup(const QString& name) const;
    QString GetNewGroupName() const;
    TComputerObject* GetFocusedComputer() const;
    QString GetFocusedComputerName() const;
    TGroupObject* GetSelectedGroup() const;
    bool HasSelection() const;
    bool HasItems() const { return !m_items.empty(); }
    void ExpandAll();
    void CollapseAll();

    void SetUpdateEnabled(bool value);
    void SetUpdateInterval(int milliseconds);
    // Where UpdateState gets its passes from; without a factory a pass starts and ends at once.
    void SetStatePassFactory(TComputerStatePassFactory factory) { m_statePassFactory = std::move(factory); }
    void UpdateState();
    void SetComputerStatus(const QString& name, bool reachable);
    // The same for an answer of a pass: views are repainted once for all answers of one turn of the event loop.
    void ApplyPassResult(const QString& name, bool reachable);
    // A pass learned the hardware address of the computers of the name (stored form). A computer whose
    // stored address differs takes it and marks the list modified; the same address, also in another typed
    // form, changes nothing.
    void LearnHardwareAddress(const QString& name, const QString& hardwareAddress);
    void GetComputerNames(QStringList& names) const;

    // The tree's events.
    // Groups before computers, then captions compared ignoring the case of ASCII letters.
    int CompareNodes(const TPreObject* a, const TPreObject* b) const;
    // Finds the next node in tree order, from the focused one on, whose caption starts with text
    // (ignoring case), focuses and selects it and makes it visible; none when nothing matches.
    TPreObject* IncrementalSearch(const QString& text);
    // Drag over: a drop is accepted on a node that is not inside any selected node.
    bool CanDropOn(const TPreObject* target) const;
    // Drag drop: moves the selected entries relative to target.
    void MoveItem(TPreObject* target, TDropPosition position);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

signals:
    void OnUpdateStateStart();
    void OnUpdateStateDone();
    // A group's expanded state changed outside the view; node is an index of ViewModel.
    void ExpandedChanged(const QModelIndex& node, bool expanded);

private:
    friend class TPreObject;
    friend class TGroupObject;
    enum class TAttachMode { InsertBefore, InsertAfter, AddChildFirst };

    TEntryList& OwningList(TGroupObject* group) { return group ? group->m_items : m_items; }
    QModelIndex SourceIndex(const TPreObject* entry) const;
    static TPreObject* Entry(const QModelIndex& sourceIndex);
    void Insert(std::unique_ptr<TPreObject> entry);
    std::unique_ptr<TPreObject> Take(TPreObject* entry);
    static void Renumber(TEntryList& list, size_t from);
    void SelectAndShow(TPreObject* entry);
    void ShowEntry(const TPreObject* entry);
    void SetExpanded(TGroupObject* group, bool value);
    void SetChecked(TPreObject* entry, bool value);
    void Repaint(const TPreObject* entry, const QList<int>& roles);
    void RepaintAncestors(const TPreObject* entry, const QList<int>& roles);
    QList<TPreObject*> SelectedInTreeOrder() const;
    void MoveEntry(TPreObject* entry, TPreObject* target, TAttachMode mode);
    void StatePassEnded();
    const QList<TPreObject*>& ComputersNamed(const QString& name);
    // Sets the status of the computers of the name; gives those whose status changed.
    QList<TPreObject*> ChangeStatus(const QString& name, bool reachable);
    void RepaintChangedStatus();
    // Before entries are added, moved or removed.
    void ForgetEntries();

    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IEntryDialogs& m_dialogs;
    bool m_modified = false;
    QString m_fileName;
    TEntryList m_items;
    QTimer m_updateTimer;
    IComputerStatePass* m_stateThread = nullptr; // owns itself; cleared when it ends or is detached
    TComputerStatePassFactory m_statePassFactory;
    // The computers of each name, made when first asked for; any change of the entries or names drops it.
    std::optional<QHash<QString, QList<TPreObject*>>> m_computersByName;
    QList<TPreObject*> m_statusRepaints; // changed by a pass, repainted at the next turn of the event loop
    int m_updateDepth = 0;
    TPreObject* m_pendingSelection = nullptr; // selected at the outermost EndUpdate
    // Declared after the entries so that they go first.
    std::unique_ptr<TComputerSortModel> m_sortModel;
    std::unique_ptr<QItemSelectionModel> m_selectionModel;
};
