#pragma once

#include <QByteArray>
#include <QHash>

#include <optional>

// The probes that wait for a datagram, and which of them a received message answers: an ICMP echo reply
// by identifier, sequence number and source; an ICMP error by the echo request it quotes; a node status
// reply by transaction id and source. Anything else is a stray and changes nothing.
class TReplyMatcher {
public:
    struct TMatch {
        quint64 Probe = 0;
        bool Answered = false; // false: an ICMP error reported the target unreachable
    };

    // The identifier our echo replies carry; behindIpHeader when messages arrive with their IP header.
    void SetEchoSocket(quint16 identifier, bool behindIpHeader);
    // Registers a probe and gives the sequence number (transaction id) its request must carry.
    quint16 AddEcho(quint64 probe, quint32 address);
    quint16 AddNodeStatus(quint64 probe, quint32 address);
    void RemoveEcho(quint16 sequence) { m_echoes.remove(sequence); }
    void RemoveNodeStatus(quint16 transaction) { m_nodeStatus.remove(transaction); }
    // The probe the message answers, which is no longer waiting then; none for a stray.
    std::optional<TMatch> MatchIcmp(const QByteArray& message, quint32 from);
    std::optional<TMatch> MatchNodeStatus(const QByteArray& message, quint32 from);
    qsizetype Waiting() const { return m_echoes.size() + m_nodeStatus.size(); }

private:
    struct TWaiting {
        quint64 Probe = 0;
        quint32 Address = 0;
    };
    using TTable = QHash<quint16, TWaiting>;

    static quint16 Add(TTable& table, quint16& next, quint64 probe, quint32 address);
    static std::optional<TMatch> Take(TTable& table, quint16 tag, quint32 address, bool answered);

    quint16 m_echoIdentifier = 0;
    bool m_behindIpHeader = false;
    TTable m_echoes;
    TTable m_nodeStatus;
    quint16 m_nextSequence = 1;
    quint16 m_nextTransaction = 1;
};
