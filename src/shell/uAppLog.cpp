#include "uAppLog.h"

#include "LangChanger.h"
#include "uFormat.h"
#include "uUserPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

namespace {

enum TLogColumn { ColumnTime = 0, ColumnMessage = 1, ColumnCount = 2 };

// The locale's long time format without the time-zone name that Qt adds to it: a log line
// carries the local wall-clock time, as the desktop shows it.
QString LongTimeFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.simplified();
}

QString ShortDate(const QDate& date) {
    const QLocale locale;
    return locale.toString(date, locale.dateFormat(QLocale::ShortFormat));
}

QString LongTime(const QTime& time) {
    const QLocale locale;
    return locale.toString(time, LongTimeFormat(locale));
}

} // namespace

TAppLog::TAppLog(const QString& settingsFolder, IUserPrompts* errorReporter, QObject* parent)
    : QAbstractTableModel(parent), m_fileName(settingsFolder + QStringLiteral("app.log")),
      m_errorReporter(errorReporter) {}

void TAppLog::Add(const QString& text, TAppLogLevel level) {
    AddAt(text, level, QDateTime::currentDateTime());
}

void TAppLog::AddAt(const QString& text, TAppLogLevel level, const QDateTime& time) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString writeError = WriteFileLine(text, level, time);

    // Trim before inserting: the oldest entries sit at the end.
    if (m_items.size() >= MaxEntries) {
        beginRemoveRows({}, MaxEntries - 1, Count() - 1);
        m_items.resize(MaxEntries - 1);
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_items.prepend({level, text, time});
    endInsertRows();

    if (writeError.isEmpty())
        m_writeFailureReported = false;
    else
        ReportWriteFailure(writeError);
}

QString TAppLog::WriteFileLine(const QString& text, TAppLogLevel level, const QDateTime& time) {
    QFile file(m_fileName);
    if (!file.exists())
        QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    // Unbuffered, so that a short write comes back to this loop: the attempt after it fails with the
    // system's own reason (a full disk), where a buffered flush reports no reason at all.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 start = file.size();
    const QByteArray line =
        (FormatFileTime(time) + u'\t' + LevelText(level) + u'\t' + text + QStringLiteral("\r\n")).toLocal8Bit();
    for (qint64 written = 0; written < line.size();) {
        const qint64 count = file.write(line.constData() + written, line.size() - written);
        if (count <= 0) {
            const QString error = file.errorString();
            file.resize(start); // the next line must not run on from a cut one
            return error;
        }
        written += count;
    }
    file.close();
    return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

// Reported from the event loop rather than from inside AddAt: a log entry often arrives while a
// worker waits on its report, and a message box there would hold that worker up.
void TAppLog::ReportWriteFailure(const QString& error) {
    if (m_writeFailureReported || !m_errorReporter)
        return;
    m_writeFailureReported = true;
    const QString message = Format(LangStr(QStringLiteral("sAppLogWriteError")), {m_fileName, error});
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            m_errorReporter->Ask(message, LangStr(QStringLiteral("sError")), TPromptButtons::OK, TPromptIcon::Error);
        },
        Qt::QueuedConnection);
}

void TAppLog::Clear() {
    beginResetModel();
    m_items.clear();
    endResetModel();
}

QString TAppLog::CopyRowsAsText(const QList<int>& rows, const QList<int>& columns) const {
    QStringList lines;
    lines.reserve(rows.size());
    for (const int row : rows) {
        QString line;
        for (const int column : columns) {
            if (!line.isEmpty())
                line += u'\t';
            line += data(index(row, column)).toString();
        }
        lines.append(line);
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString TAppLog::LevelText(TAppLogLevel level) {
    switch (level) {
    case TAppLogLevel::Success:
        return QStringLiteral("SUCCESS");
    case TAppLogLevel::Warning:
        return QStringLiteral("WARN");
    case TAppLogLevel::Info:
        return QStringLiteral("INFO");
    case TAppLogLevel::Error:
        return QStringLiteral("ERROR");
    case TAppLogLevel::Stop:
        break;
    }
    return QStringLiteral("STOP");
}

QString TAppLog::FormatFileTime(const QDateTime& time) {
    return ShortDate(time.date()) + u' ' + LongTime(time.time());
}

QString TAppLog::FormatLogTime(const QDateTime& time) {
    return FormatLogTime(time, QDateTime::currentDateTime());
}

QString TAppLog::FormatLogTime(const QDateTime& time, const QDateTime& now) {
    if (ShortDate(time.date()) == ShortDate(now.date()))
        return LongTime(time.time());
    return FormatFileTime(time);
}

int TAppLog::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int TAppLog::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TAppLog::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TAppLogItem& item = m_items.at(index.row());
    if (role == Qt::DisplayRole)
        return index.column() == ColumnTime ? FormatLogTime(item.Time) : item.Text;
    // The whole entry, also where the cell cuts it off: the date of an entry of today, a long message.
    if (role == Qt::ToolTipRole)
        return index.column() == ColumnTime ? FormatFileTime(item.Time) : item.Text;
    if (role == ImageIndexRole)
        return index.column() == ColumnTime ? static_cast<int>(item.Level) : -1;
    // A column's alignment is the stored layout's, for its cells as for its header.
    if (role == Qt::TextAlignmentRole)
        return m_alignments[index.column()];
    return {};
}

QVariant TAppLog::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole)
        return m_alignments[section];
    if (role != Qt::DisplayRole)
        return {};
    if (m_captions[section].isValid())
        return m_captions[section];
    return GetTranslation(QStringLiteral("LogColumns%1").arg(section));
}

bool TAppLog::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return false;
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        m_captions[section] = value;
    else if (role == Qt::TextAlignmentRole)
        m_alignments[section] = value;
    else
        return false;
    // The header repaints only on this signal; a language switch must show at once.
    emit headerDataChanged(orientation, section, section);
    return true;
}
