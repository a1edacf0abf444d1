#pragma once

#include "HostBehaviour.h"
#include "HostReply.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

struct TSoapRequest;
class TWindowsAnswers;

// One Windows computer on one loopback address: its WS-Management service with Basic authentication,
// its operating-system object and the enumerations in progress.
class TSimulatedHost : public QObject {
    Q_OBJECT
public:
    TSimulatedHost(const QHostAddress& address, const QByteArray& basicCredentials, QObject* parent);

    const QHostAddress& Address() const { return m_Address; }
    void SetBehaviour(const THostBehaviour& behaviour) { m_Behaviour = behaviour; }

    // Handles one HTTP request to /wsman; authorization is the Authorization header as received.
    THostReply Handle(const QByteArray& authorization, const QByteArray& contentType, const QByteArray& body);

signals:
    void shutdownAccepted(const QHostAddress& address, int flags);

private:
    THostReply Enumerate(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Pull(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Release(const TSoapRequest& request, const TWindowsAnswers& answers);
    THostReply Win32Shutdown(const TSoapRequest& request, const TWindowsAnswers& answers);
    QString Items(const QString& mode, const TWindowsAnswers& answers) const;

    struct TEnumeration {
        QString Mode;
        bool Delivered = false;
    };

    QHostAddress m_Address;
    QByteArray m_BasicCredentials; // "Basic " + base64(user:password)
    THostBehaviour m_Behaviour;
    QHash<QString, TEnumeration> m_Enumerations;
};
