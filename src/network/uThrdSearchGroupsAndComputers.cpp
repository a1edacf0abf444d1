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

void TThrdSearchGroupsAndComputers::SearchNetwork() {
    std::vector<TSimpleGroup*> groups;
    for (const QString& domain : Platform::BrowseDomains().value_or(QStringList())) {
        const QString name = CleanComputerName(domain);
        if (name.isEmpty())
            continue;
        groups.push_back(new TSimpleGroup(name, QString(), &m_root));
        if (!ReportFound(*groups.back()))
            return;
    }
    // Without any workgroup in the list, the computers of our own one come without a group.
    if (groups.empty()) {
        for (const QString& computer :
             Platform::BrowseComputers(Platform::PrimaryDomain(), m_serverTypes).value_or(QStringList())) {
            const QString name = CleanComputerName(computer);
            if (!name.isEmpty() && !ReportFound(*Ungrouped(name)))
                return;
        }
        return;
    }
    for (TSimpleGroup* group : groups) {
        for (const QString& computer : Platform::BrowseComputers(group->Name, m_serverTypes).value_or(QStringList())) {
            const QString name = CleanComputerName(computer);
            if (!name.isEmpty() && !ReportFound(*new TSimpleComputer(name, QString(), group)))
                return;
        }
    }
}

void TThrdSearchGroupsAndComputers::SearchDirectory() {
    Platform::TDirectoryQuery query = m_directory;
    query.IncludeDisabled = m_includeDisabledComputers;
    TSimpleGroup* group = nullptr;
    const auto onDomain = [this, &group](const QString& name) {
        group = new TSimpleGroup(CleanComputerName(name), QString(), &m_root);
        return ReportFound(*group);
    };
    const auto onComputer = [this, &group](const QString& name) {
        const QString cleaned = CleanComputerName(name);
        return cleaned.isEmpty() || ReportFound(*new TSimpleComputer(cleaned, QString(), group));
    };
    // A search that could not even start must not look like a directory without computers.
    const Platform::TDirectoryResult result = Platform::SearchDirectoryComputers(query, onDomain, onComputer);
    switch (result.Kind) {
    case Platform::TDirectoryResult::Success:
        break;
    case Platform::TDirectoryResult::NoDomain:
        m_errorText = LangStr(QStringLiteral("sDirectoryNoDomain"));
        break;
    case Platform::TDirectoryResult::NoServer:
        m_errorText = Format(LangStr(QStringLiteral("sDirectoryServerNotFound")), {result.Server});
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
        if (!name.isEmpty() && !ReportFound(*Ungrouped(name)))
            return;
    }
    if (reader.HasError())
        fail(file.errorString());
}

TSimpleComputer* TThrdSearchGroupsAndComputers::Ungrouped(const QString& name) {
    return m_ungrouped.emplace_back(std::make_unique<TSimpleComputer>(name, QString(), nullptr)).get();
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
