#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

class QIODevice;

// Reads the lines of a text file from a device a chunk at a time, so that a large file never sits
// in memory whole. A byte order mark selects UTF-8, UTF-16 or UTF-32; text without one is 8-bit,
// each line UTF-8 when its bytes are valid UTF-8, else Latin-1. CR LF, LF and CR each end a line.
class TTextLineReader {
public:
    static constexpr qint64 ChunkSize = 64 * 1024;

    explicit TTextLineReader(QIODevice& device);

    // The next line without its end; false at the end of the text or after a read error.
    bool ReadLine(QString& line);
    bool HasError() const { return m_error; }

private:
    // Appends the next chunk to the pending text, dropping what was read; false at the end or on an error.
    bool ReadChunk();
    template <typename TText> bool TakeLine(TText& pending, QString& line);

    QIODevice& m_device;
    bool m_started = false;
    bool m_error = false;
    bool m_atEnd = false;
    bool m_skipLineFeed = false; // the last line ended with CR: a LF that follows belongs to it
    QStringDecoder m_decoder;    // valid when a byte order mark chose a Unicode encoding
    QByteArray m_pendingBytes;   // 8-bit text
    QString m_pendingText;       // decoded Unicode text
    qsizetype m_position = 0;    // in the pending text: where the next line starts
};
