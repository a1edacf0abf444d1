#include "uThrdSearchGroupsAndComputers.h"

#include "LangChanger.h"
#include "PlatformNetworkBrowse.h"
#include "PlatformSockets.h"
#include "uAddressRangeScan.h"
#include "uComputerListFile.h"
#include "uFormat.h"
#include "uTextLineReader.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

TThrdSearchGroupsAndComputers::TThrdSearchGroupsAndComputers(const TCheckSettings& check) : m_check(check) {
    // The object lives on the main thread: the reports and the end run there.
    connect(this, &QThread::finished, this, &TThrdSearchGroupsAndComputers::SearchEnded);
}

TThrdSearchGroupsAndComputers::~TThrdSearchGroupsAndComputers() = default;

void TThrdSearchGroupsAndComputers::Detach() {
    m_onFoundObject = nullptr;
    m_onSearchEnded = nullptr;
    requestInterruption();
}

quint64 TThrdSearchGroupsAndComputers::RangeSize(const QString& startIP, const QString& stopIP) {
    const auto start = Platform::ParseIPv4(startIP);
    const auto stop = Platform::ParseIPv4(stopIP);
    if (!start || !stop)
        return 0;
    return quint64(qMax(*start, *stop)) - qMin(*start, *stop) + 1;
}

void TThrdSearchGroupsAndComputers::run() {
    m_errorText.clear();
    try {
        switch (m_searchMode) {
        case 0:
            SearchNetwork();
            break;
        case 1:
            SearchDirectory();
            break;
        case 2:
            SearchAddressRange();
            break;
        case 3:
            SearchTextFile();
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        m_errorText = QString::fromLocal8Bit(error.what());
    }
    m_finished = true;
}

QString TThrdSearchGroupsAndComputers::GroupNameOf(const QStringList& names) {
    for (const QString& name : names)
        if (const QString cleaned = CleanComputerName(name); !cleaned.isEmpty())
            return cleaned;
    return QString();
}

void TThrdSearchGroupsAndComputers::SearchNetwork() {
    std::vector<TSimpleGroup*> groups;
    for (const QString& domain : Platform::BrowseDomains().value_or(QStringList())) {
        // A workgroup named by control characters alone can be neither shown nor asked for.
        if (!TakeNetworkName())
            break;
        const QString name = GroupNameOf({domain});
        if (name.isEmpty())
            continue;
        groups.push_back(new TSimpleGroup(name, QString(), &m_root));
        if (!ReportFound(*groups.back()))
            return;
    }
    // Without any workgroup in the list, the computers of our own one come without a group.
    if (groups.empty() && !m_answerCut)
        ReportBrowsedComputers(Platform::PrimaryDomain(), nullptr);
    for (TSimpleGroup* group : groups)
        if (m_answerCut || !ReportBrowsedComputers(group->Name, group))
            break;
    if (m_answerCut)
        m_errorText = Format(LangStr(QStringLiteral("sBrowseListCut")), {m_maxNetworkNames});
}

bool TThrdSearchGroupsAndComputers::ReportBrowsedComputers(const QString& domain, TSimpleGroup* group) {
    for (const QString& computer : Platform::BrowseComputers(domain, m_serverTypes).value_or(QStringList())) {
        if (!TakeNetworkName())
            return false;
        const QString name = CleanComputerName(computer);
        if (!name.isEmpty() && !ReportFound(NewComputer(name, group)))
            return false;
    }
    return true;
}

void TThrdSearchGroupsAndComputers::SearchDirectory() {
    Platform::TDirectoryQuery query = m_directory;
    query.IncludeDisabled = m_includeDisabledComputers;
    TSimpleGroup* group = nullptr;
    const auto onDomain = [this, &group](const QString& netBIOSName, const QString& dnsName) {
        const QString name = GroupNameOf({netBIOSName, dnsName});
        // No group rather than one without a name.
        if (name.isEmpty())
            return true;
        group = new TSimpleGroup(name, QString(), &m_root);
        return ReportFound(*group);
    };
    // Names that clean away to nothing count as well: an endless answer of them must end too.
    const auto onComputer = [this, &group](const QString& name) {
        if (!TakeNetworkName())
            return false;
        const QString cleaned = CleanComputerName(name);
        return cleaned.isEmpty() || ReportFound(NewComputer(cleaned, group));
    };
    // A search that could not even start must not look like a directory without computers.
    const Platform::TDirectoryResult result = Platform::SearchDirectoryComputers(query, onDomain, onComputer);
    switch (result.Kind) {
    case Platform::TDirectoryResult::Success:
        if (m_answerCut)
            m_errorText = Format(LangStr(QStringLiteral("sDirectoryAnswerCut")), {result.Server, m_maxNetworkNames});
        break;
    case Platform::TDirectoryResult::NoDomain:
        m_errorText = LangStr(QStringLiteral("sDirectoryNoDomain"));
        break;
    case Platform::TDirectoryResult::NoServer:
        m_errorText = Format(LangStr(QStringLiteral("sDirectoryServerNotFound")), {result.Server});
        break;
    case Platform::TDirectoryResult::NoServerAnswer:
        m_errorText = Format(LangStr(QStringLiteral("sDirectoryServerLookupFailed")), {result.Server, result.Reason});
        break;
    case Platform::TDirectoryResult::Failed:
        m_errorText = Format(LangStr(QStringLiteral("sDirectorySearchFailed")), {result.Server, result.Reason});
        break;
    case Platform::TDirectoryResult::Unavailable:
        m_errorText = LangStr(QStringLiteral("sDirectorySearchUnavailable"));
        break;
    }
}

void TThrdSearchGroupsAndComputers::SearchAddressRange() {
    auto* group = new TSimpleGroup(FormatIPRange(m_startIP, m_stopIP), QString(), &m_root);
    if (!ReportFound(*group))
        return;
    const auto start = Platform::ParseIPv4(m_startIP);
    const auto stop = Platform::ParseIPv4(m_stopIP);
    if (!start || !stop)
        return;
    const quint32 first = qMin(*start, *stop);
    const quint32 last = qMax(*start, *stop);
    const auto report = [this, group](const QString& address, const QString& name) {
        return ReportFound(*new TSimpleComputer(address, name, group));
    };
    if (m_onlyLiveComputers) {
        TAddressRangeScan(m_check, m_resolveNames, {m_maxProbesInFlight}).Run(first, last, report, [this] {
            return isInterruptionRequested();
        });
        return;
    }
    // Nothing to ask: every host address is reported as it stands.
    for (quint64 value = first; value <= last; ++value) {
        if (TAddressRangeScan::IsHostAddress(value) && !report(Platform::FormatIPv4(quint32(value)), QString()))
            return;
    }
}

void TThrdSearchGroupsAndComputers::SearchTextFile() {
    QFile file(m_importFileName);
    const auto fail = [this](const QString& reason) {
        m_errorText = Format(LangStr(QStringLiteral("sImportFileReadError")), {m_importFileName, reason});
    };
    // Only a regular file: a device or a pipe could be endless.
    const QFileInfo info(m_importFileName);
    if (info.exists() && !info.isFile())
        return fail(LangStr(QStringLiteral("sImportFileNotAFile")));
    if (file.size() > TComputerListFile::MaxFileSize)
        return fail(Format(LangStr(QStringLiteral("sListFileTooLarge")), {TComputerListFile::MaxFileSize >> 20}));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // The same line reader as the list's text import: encodings alike, never the whole file in memory.
    TTextLineReader reader(file);
    QString line;
    while (reader.ReadLine(line)) {
        const QString name = CleanComputerName(line);
        if (!name.isEmpty() && !ReportFound(NewComputer(name, nullptr)))
            return;
    }
    if (reader.HasError())
        fail(file.errorString());
}

TSimpleComputer& TThrdSearchGroupsAndComputers::NewComputer(const QString& name, TSimpleGroup* group) {
    if (group)
        return *new TSimpleComputer(name, QString(), group);
    return *m_ungrouped.emplace_back(std::make_unique<TSimpleComputer>(name, QString(), nullptr));
}

bool TThrdSearchGroupsAndComputers::TakeNetworkName() {
    if (m_networkNames >= m_maxNetworkNames) {
        m_answerCut = true;
        return false;
    }
    ++m_networkNames;
    return true;
}

bool TThrdSearchGroupsAndComputers::ReportFound(TSimpleObject& object) {
    if (isInterruptionRequested())
        return false;
    QMetaObject::invokeMethod(
        this,
        [this, &object] {
            if (m_onFoundObject)
                m_onFoundObject(object);
        },
        Qt::BlockingQueuedConnection);
    return !isInterruptionRequested();
}

void TThrdSearchGroupsAndComputers::SearchEnded() {
    if (const TEndHandler onEnded = std::exchange(m_onSearchEnded, nullptr))
        onEnded(*this);
    deleteLater();
}
