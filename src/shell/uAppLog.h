#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>

class IUserPrompts;

// Ordinals are stored with each entry and double as the image index in the log view.
enum class TAppLogLevel { Success = 0, Warning = 1, Info = 2, Error = 3, Stop = 4 };

// One log entry; never changed after it is made.
struct TAppLogItem {
    TAppLogLevel Level;
    QString Text;
    QDateTime Time;
};

// The application log: the entries shown in the log view, newest first and at most MaxEntries of
// them, each also appended as one line to app.log in the settings folder. The model has two
// columns, time and message; ImageIndexRole gives the level's image for the time column. Captions
// and alignments set as header data replace the language's column captions until the next set.
//
// The file is opened and closed per entry so that every line survives a crash. When it cannot be
// written the entry still reaches the view (job outcomes must never be lost), and the failure is
// reported once through the error reporter until a later write succeeds again.
// Like every item model it belongs to the GUI thread; workers reach it through the main thread.
class TAppLog : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int MaxEntries = 1000;
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    TAppLog(const QString& settingsFolder, IUserPrompts* errorReporter, QObject* parent = nullptr);

    void Add(const QString& text, TAppLogLevel level);
    void AddAt(const QString& text, TAppLogLevel level, const QDateTime& time);
    // Empties the list; app.log keeps its lines.
    void Clear();

    int Count() const { return static_cast<int>(m_items.size()); }
    const TAppLogItem& Item(int index) const { return m_items.at(index); }
    QString FileName() const { return m_fileName; }

    // The given rows, cells joined by TAB (only after a non-empty start), rows joined by CR LF.
    QString CopyRowsAsText(const QList<int>& rows, const QList<int>& columns) const;

    static QString LevelText(TAppLogLevel level);
    // Date and time as written to app.log: the locale's short date, a blank, the long time.
    static QString FormatFileTime(const QDateTime& time);
    // The time column: only the time of day for an entry of today, else date and time.
    static QString FormatLogTime(const QDateTime& time);
    static QString FormatLogTime(const QDateTime& time, const QDateTime& now);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

private:
    // Appends the entry's line to app.log; returns the error text, empty on success.
    QString WriteFileLine(const QString& text, TAppLogLevel level, const QDateTime& time);
    void ReportWriteFailure(const QString& error);

    QString m_fileName;
    IUserPrompts* m_errorReporter;
    bool m_writeFailureReported = false;
    QList<TAppLogItem> m_items;
    QVariant m_captions[2]; // time, message
    QVariant m_alignments[2];
};
