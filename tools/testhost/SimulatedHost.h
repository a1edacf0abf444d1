#pragma once

#include "HostBehaviour.h"
#include "HostReply.h"

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <optional>

struct TSoapRequest;
class TWindowsAnswers;

// One Windows computer on one loopback address: its WS-Management service with Basic authentication
// (NTLM logons are kept per connection, see TNtlmLogon), its operating-system object and the
// enumerations in progress.
class TSimulatedHost : public QObject {
    Q_OBJECT
public:
    TSimulatedHost(const QHostAddress& address, const QString& userName, const QString& password, QObject* parent);

    const QHostAddress& Address() const { return m_Address; }
    // The NetBIOS name, "HOST-127-0-6-2" for 127.0.6.2.
    const QString& ComputerName() const { return m_ComputerName; }
    const THostBehaviour& Behaviour() const { return m_Behaviour; }
    void SetBehaviour(const THostBehaviour& behaviour) { m_Behaviour = behaviour; }
    // The password of the host's account when an NTLM logon names it ("user", "DOMAIN\user" or
    // "user@domain"; the domain does not matter to a stand-alone computer), otherwise none.
    std::optional<QString> PasswordOf(const QString& user, const QString& domain) const;

    // Handles one HTTP request to /wsman; authorization is the Authorization header as received. Basic
    // over plain HTTP is refused like wrong credentials unless the host allows unencrypted traffic.
    THostReply Handle(const QByteArray& authorization, const QByteArray& contentType, const QByteArray& body,
                      bool https);
    // Basic credentials on a connection that has not been asked for them: refused with a challenge and
    // reported, since the client sent the password before knowing that the host takes Basic.
    THostReply RefuseUnaskedCredentials();
    // Handles a request whose connection has already logged on.
    THostReply HandleAuthenticated(const QByteArray& contentType, const QByteArray& body);

signals:
    void shutdownAccepted(const QHostAddress& address, int flags);
    void trackerAccepted(const QHostAddress& address, int flags, quint32 timeout, quint32 reasonCode,
                         const QString& comment);
    void credentialsUnasked(const QHostAddress& address);

private:
    THostReply Enumerate(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Pull(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Release(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Shutdown(const QString& method, const TSoapRequest& request, const TWindowsAnswers& answers);
    // Whether an accepted restart keeps the host down at this moment; boots anew when the time is up.
    bool Restarting();
    void StartRestart(int flags);
    QString Items(const QString& mode, const TWindowsAnswers& answers) const;
    QString HugeFaultText() const;

    struct TEnumeration {
        QString Mode;
        bool Delivered = false;
    };

    QHostAddress m_Address;
    QString m_ComputerName;
    QString m_UserName;
    QString m_Password;
    QByteArray m_BasicCredentials; // "Basic " + base64(user:password)
    THostBehaviour m_Behaviour;
    QHash<QString, TEnumeration> m_Enumerations;
    QDateTime m_BootTime = QDateTime::currentDateTimeUtc().addDays(-1);
    bool m_Restarting = false;
    QDeadlineTimer m_BackAt;
};
