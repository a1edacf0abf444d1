#pragma once

#include "NetUtil.h"
#include "PlatformDirectory.h"
#include "uProbeEngine.h"
#include "uSimpleObject.h"

#include <QThread>

#include <functional>
#include <memory>
#include <vector>

// One search for groups and computers on its own thread: the network browse list (mode 0), the directory
// (mode 1), an address range (mode 2) or a text file (mode 3). Every object found is handed to the main
// thread at once, parents before children, and the search waits until the handler has run. It frees
// itself when it has ended, after the end handler ran; a detached search reports nothing more and ends
// early.
class TThrdSearchGroupsAndComputers : public QThread {
    Q_OBJECT
public:
    using TFoundHandler = std::function<void(TSimpleObject& object)>;
    using TEndHandler = std::function<void(const TThrdSearchGroupsAndComputers& search)>;

    // The address range's check; its time-out also bounds the name queries.
    explicit TThrdSearchGroupsAndComputers(const TCheckSettings& check);
    ~TThrdSearchGroupsAndComputers() override;

    // Set before start(): the source and its settings.
    void SetSearchMode(int value) { m_searchMode = value; }
    void SetServerTypes(quint32 value) { m_serverTypes = value; }
    void SetImportFileName(const QString& value) { m_importFileName = value; }
    void SetStartIP(const QString& value) { m_startIP = value; }
    void SetStopIP(const QString& value) { m_stopIP = value; }
    void SetResolveNames(bool value) { m_resolveNames = value; }
    void SetOnlyLiveComputers(bool value) { m_onlyLiveComputers = value; }
    void SetIncludeDisabledComputers(bool value) { m_includeDisabledComputers = value; }
    // The most workgroups and computers taken from the network or the directory; a longer answer is cut.
    static constexpr int MaxNetworkNames = 100000;
    void SetMaxNetworkNames(int value) { m_maxNetworkNames = value; }
    // The address range's ceiling on probes in flight; 1 asks one address at a time.
    void SetMaxProbesInFlight(int value) { m_maxProbesInFlight = value; }
    // Mode 1: the server and the logon; IncludeDisabled comes from SetIncludeDisabledComputers.
    void SetDirectory(const Platform::TDirectoryQuery& value) { m_directory = value; }
    // Main thread: who receives the objects found and who is told of the end. Empty handlers detach.
    void SetOnFoundObject(TFoundHandler handler) { m_onFoundObject = std::move(handler); }
    void SetOnSearchEnded(TEndHandler handler) { m_onSearchEnded = std::move(handler); }
    // Main thread: nothing more reaches the consumer, and the source stops at its next object.
    void Detach();

    // Read in the end handler.
    const QString& ErrorText() const { return m_errorText; }
    bool Finished() const { return m_finished; }
    const TSimpleGroup& Root() const { return m_root; }

    // Addresses from the lower to the higher end, both included; 0 when either is no address.
    static quint64 RangeSize(const QString& startIP, const QString& stopIP);
    // The first of the names that keeps a character once control characters are gone; empty when none does.
    static QString GroupNameOf(const QStringList& names);

protected:
    void run() override;

private:
    void SearchNetwork();
    void SearchDirectory();
    void SearchAddressRange();
    void SearchTextFile();
    // False when the handler stopped the search or the list was cut.
    bool ReportBrowsedComputers(const QString& domain, TSimpleGroup* group);
    // A computer in the group; one without a group is taken over by the search.
    TSimpleComputer& NewComputer(const QString& name, TSimpleGroup* group);
    // Counts a name taken from the network; false once the answer holds more than the search takes.
    bool TakeNetworkName();
    // Hands the object to the main thread and waits there; false once the search is detached.
    bool ReportFound(TSimpleObject& object);
    void SearchEnded();

    TCheckSettings m_check;
    int m_searchMode = -1;
    quint32 m_serverTypes = 0xFFFFFFFF;
    QString m_importFileName;
    QString m_startIP;
    QString m_stopIP;
    bool m_resolveNames = false;
    bool m_onlyLiveComputers = false;
    bool m_includeDisabledComputers = false;
    int m_maxProbesInFlight = TProbeLimits().MaxInFlight;
    int m_maxNetworkNames = MaxNetworkNames;
    int m_networkNames = 0;
    bool m_answerCut = false;
    Platform::TDirectoryQuery m_directory;
    TFoundHandler m_onFoundObject;
    TEndHandler m_onSearchEnded;
    TSimpleGroup m_root{QString(), QString(), nullptr};
    std::vector<std::unique_ptr<TSimpleComputer>> m_ungrouped;
    QString m_errorText;
    bool m_finished = false;
};
