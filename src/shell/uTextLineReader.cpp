#include "uTextLineReader.h"

#include "uTextDecoding.h"

#include <QIODevice>

#include <type_traits>

TTextLineReader::TTextLineReader(QIODevice& device) : m_device(device) {}

bool TTextLineReader::ReadChunk() {
    if (m_atEnd || m_error)
        return false;
    if (!m_started) {
        m_started = true;
        const auto encoding = QStringConverter::encodingForData(m_device.peek(4));
        if (encoding && *encoding != QStringConverter::Utf8)
            m_decoder = QStringDecoder(*encoding); // skips the byte order mark itself
    }
    const QByteArray chunk = m_device.read(ChunkSize);
    if (chunk.isEmpty()) {
        m_atEnd = true;
        m_error = !m_device.atEnd(); // a read that fails before the end
        return false;
    }
    m_pendingBytes.remove(0, m_position);
    m_pendingText.remove(0, m_position);
    m_position = 0;
    if (m_decoder.isValid())
        m_pendingText += m_decoder.decode(chunk);
    else
        m_pendingBytes += chunk;
    return true;
}

template <typename TText> bool TTextLineReader::TakeLine(TText& pending, QString& line) {
    qsizetype end = m_position;
    for (;;) {
        if (end == pending.size()) {
            const qsizetype scanned = end - m_position;
            if (!ReadChunk())
                break;
            end = m_position + scanned;
            continue;
        }
        if (m_skipLineFeed) {
            m_skipLineFeed = false;
            if (pending.at(end) == u'\n') {
                end = ++m_position;
                continue;
            }
        }
        if (pending.at(end) == u'\r' || pending.at(end) == u'\n')
            break;
        ++end;
    }
    if (end == pending.size() && end == m_position)
        return false; // a line end at the very end adds no line
    const auto text = pending.sliced(m_position, end - m_position);
    if constexpr (std::is_same_v<TText, QString>)
        line = text;
    else
        line = DecodeEightBitText(text);
    if (end < pending.size()) {
        m_skipLineFeed = pending.at(end) == u'\r';
        ++end;
    }
    m_position = end;
    return true;
}

bool TTextLineReader::ReadLine(QString& line) {
    if (!m_started && !ReadChunk())
        return false;
    return m_decoder.isValid() ? TakeLine(m_pendingText, line) : TakeLine(m_pendingBytes, line);
}
