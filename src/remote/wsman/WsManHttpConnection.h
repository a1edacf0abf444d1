#pragma once

#include "RemoteSettings.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

struct TWsManHttpReply {
    long Status = 0;
    QList<QPair<QByteArray, QByteArray>> Headers; // of the final answer, names as sent
    QByteArray Body;
    bool NewConnection = false; // the request went out on a connection opened for it

    // The first header of that name (case-insensitive), or empty.
    QByteArray Header(const QByteArray& name) const;
};

// One HTTP(S) connection to the WS-Management listener of one computer, kept open from one request to
// the next and closed with the object. Authentication schemes build on Post with their own headers.
// Every request ends by the deadline given at construction.
class TWsManHttpConnection {
public:
    // computer: a host name or address as listed; "." and an empty text mean this computer.
    TWsManHttpConnection(const QString& computer, const TRemoteSettings& settings, QDeadlineTimer deadline);
    ~TWsManHttpConnection();
    TWsManHttpConnection(const TWsManHttpConnection&) = delete;
    TWsManHttpConnection& operator=(const TWsManHttpConnection&) = delete;

    const QString& Computer() const { return m_Computer; }
    int Port() const { return m_Settings.EffectivePort(); }
    const QString& Url() const { return m_Url; }
    const TRemoteSettings& Settings() const { return m_Settings; }

    // Sends one POST and returns the answer, whatever its status. Raises ERemoteError when the computer
    // cannot be reached, the TLS handshake fails, the deadline passes or the answer is too large.
    TWsManHttpReply Post(const QByteArray& body, const QByteArray& contentType,
                         const QList<QByteArray>& extraHeaders = {});

    // The "tls-server-end-point" channel binding of the HTTPS connection (RFC 5929: the prefix and the hash
    // of the server's certificate), once a request has gone out on it; empty over HTTP.
    const QByteArray& ChannelBinding() const { return m_ChannelBinding; }

    // Windows answers stay below half a megabyte; anything far beyond is not a WS-Management answer.
    static constexpr qsizetype MaxReplySize = 16 * 1024 * 1024;

private:
    struct TCurl;
    QString m_Computer;
    TRemoteSettings m_Settings;
    QDeadlineTimer m_Deadline;
    QString m_Url;
    std::unique_ptr<TCurl> m_Curl;
    QByteArray m_ChannelBinding;
};
