#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// SOAP answers written the way the WinRM service of Windows writes them.
class TWindowsAnswers {
public:
    TWindowsAnswers(QString machine, QString relatesTo);

    // objects: the items' XML (see OperatingSystemItem); context empty when the sequence has ended.
    QByteArray EnumerateResponse(const QString& context, const QString& items, bool endOfSequence) const;
    QByteArray PullResponse(const QString& context, const QString& items, bool endOfSequence) const;
    QByteArray ReleaseResponse() const;
    // The output of Win32Shutdown or Win32ShutdownTracker.
    QByteArray ShutdownOutput(const QString& method, int returnValue) const;
    // A WMI provider fault: the text sits in the innermost f:Message, as Windows nests it.
    QByteArray ProviderFault(const QString& message, qint64 code) const;
    // A fault of the WS-Management service itself.
    QByteArray ServiceFault(const QString& subcode, const QString& reason, const QString& message) const;

    // One w:Item with the operating-system object and/or its endpoint reference, by enumeration mode
    // ("EnumerateObjectAndEPR", "EnumerateEPR", or empty for the object alone).
    QString OperatingSystemItem(const QString& mode, bool withSelectors, const QDateTime& lastBootUpTime) const;
    // The selector value naming this host's operating system.
    QString OperatingSystemName() const;

    static const QString OperatingSystemUri;

private:
    QByteArray Envelope(const QString& action, const QString& body) const;

    QString m_Machine;
    QString m_RelatesTo;
};
