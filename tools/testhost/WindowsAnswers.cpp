#include "WindowsAnswers.h"

#include <QUuid>

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

const QString EnumerationNs = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/09/enumeration");

} // namespace

const QString TWindowsAnswers::OperatingSystemUri =
    QStringLiteral("http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/Win32_OperatingSystem");

TWindowsAnswers::TWindowsAnswers(QString machine, QString relatesTo)
    : m_Machine(std::move(machine)), m_RelatesTo(std::move(relatesTo)) {}

QByteArray TWindowsAnswers::Envelope(const QString& action, const QString& body) const {
    const QString header =
        QStringLiteral("<s:Header><a:Action>%1</a:Action><a:MessageID>uuid:%2</a:MessageID>"
                       "<a:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:To>"
                       "<a:RelatesTo>%3</a:RelatesTo></s:Header>")
            .arg(Escaped(action), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), Escaped(m_RelatesTo));
    return QStringLiteral(
               "<s:Envelope xml:lang=\"en-US\" xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
               "xmlns:n=\"http://schemas.xmlsoap.org/ws/2004/09/enumeration\" "
               "xmlns:w=\"http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd\">%1<s:Body>%2</s:Body></s:Envelope>")
        .arg(header, body)
        .toUtf8();
}

QByteArray TWindowsAnswers::EnumerateResponse(const QString& context, const QString& items, bool endOfSequence) const {
    return Envelope(EnumerationNs + QStringLiteral("/EnumerateResponse"),
                    QStringLiteral("<n:EnumerateResponse><n:EnumerationContext>%1</n:EnumerationContext>"
                                   "<w:Items>%2</w:Items>%3</n:EnumerateResponse>")
                        .arg(context, items, endOfSequence ? QStringLiteral("<w:EndOfSequence/>") : QString()));
}

QByteArray TWindowsAnswers::PullResponse(const QString& context, const QString& items, bool endOfSequence) const {
    const QString contextElement =
        endOfSequence ? QString() : QStringLiteral("<n:EnumerationContext>%1</n:EnumerationContext>").arg(context);
    return Envelope(EnumerationNs + QStringLiteral("/PullResponse"),
                    QStringLiteral("<n:PullResponse>%1<n:Items>%2</n:Items>%3</n:PullResponse>")
                        .arg(contextElement, items, endOfSequence ? QStringLiteral("<n:EndOfSequence/>") : QString()));
}

QByteArray TWindowsAnswers::ReleaseResponse() const {
    return Envelope(EnumerationNs + QStringLiteral("/ReleaseResponse"), QString());
}

QByteArray TWindowsAnswers::ShutdownOutput(const QString& method, int returnValue) const {
    return Envelope(OperatingSystemUri + QLatin1Char('/') + method + QStringLiteral("Response"),
                    QStringLiteral("<p:%1_OUTPUT xmlns:p=\"%2\"><p:ReturnValue>%3</p:ReturnValue></p:%1_OUTPUT>")
                        .arg(method, OperatingSystemUri)
                        .arg(returnValue));
}

QByteArray TWindowsAnswers::ProviderFault(const QString& message, qint64 code) const {
    const QString fault =
        QStringLiteral(
            "<s:Fault><s:Code><s:Value>s:Receiver</s:Value><s:Subcode><s:Value>w:InternalError</s:Value></s:Subcode>"
            "</s:Code><s:Reason><s:Text xml:lang=\"en-US\">The WS-Management service cannot process the request. "
            "The WMI service or the WMI provider returned an unknown error: HRESULT 0x%1 </s:Text></s:Reason>"
            "<s:Detail><f:WSManFault xmlns:f=\"http://schemas.microsoft.com/wbem/wsman/1/wsmanfault\" Code=\"%2\" "
            "Machine=\"%3\"><f:Message><f:ProviderFault provider=\"WMI Provider\" "
            "path=\"%systemroot%\\system32\\WsmWmiPl.dll\"><f:WSManFault "
            "xmlns:f=\"http://schemas.microsoft.com/wbem/wsman/1/wsmanfault\" Code=\"%2\" Machine=\"%3\">"
            "<f:Message>%4 </f:Message></f:WSManFault><f:ExtendedError><p:__ExtendedStatus "
            "xmlns:p=\"http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/__ExtendedStatus\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:type=\"p:__ExtendedStatus_Type\">"
            "<p:Operation>ExecQuery</p:Operation><p:ProviderName>WinMgmt</p:ProviderName></p:__ExtendedStatus>"
            "</f:ExtendedError></f:ProviderFault></f:Message></f:WSManFault></s:Detail></s:Fault>")
            .arg(QString::number(code, 16))
            .arg(code)
            .arg(Escaped(m_Machine), Escaped(message));
    return Envelope(QStringLiteral("http://schemas.dmtf.org/wbem/wsman/1/wsman/fault"), fault);
}

QByteArray TWindowsAnswers::ServiceFault(const QString& subcode, const QString& reason, const QString& message) const {
    const QString fault =
        QStringLiteral("<s:Fault><s:Code><s:Value>s:Sender</s:Value><s:Subcode><s:Value>%1</s:Value></s:Subcode>"
                       "</s:Code><s:Reason><s:Text xml:lang=\"en-US\">%2</s:Text></s:Reason><s:Detail>"
                       "<f:WSManFault xmlns:f=\"http://schemas.microsoft.com/wbem/wsman/1/wsmanfault\" "
                       "Code=\"2150858752\" Machine=\"%3\"><f:Message>%4</f:Message></f:WSManFault></s:Detail>"
                       "</s:Fault>")
            .arg(Escaped(subcode), Escaped(reason), Escaped(m_Machine), Escaped(message));
    return Envelope(QStringLiteral("http://schemas.dmtf.org/wbem/wsman/1/wsman/fault"), fault);
}

QString TWindowsAnswers::OperatingSystemName() const {
    return QStringLiteral("Microsoft Windows Server 2022 Standard|C:\\Windows|\\Device\\Harddisk0\\Partition2");
}

QString TWindowsAnswers::OperatingSystemItem(const QString& mode, bool withSelectors,
                                             const QDateTime& lastBootUpTime) const {
    const QString object =
        QStringLiteral(
            "<p:Win32_OperatingSystem xmlns:p=\"%1\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xmlns:cim=\"http://schemas.dmtf.org/wbem/wscim/1/common\" "
            "xsi:type=\"p:Win32_OperatingSystem_Type\" xml:lang=\"en-US\">"
            "<p:BootDevice>\\Device\\HarddiskVolume1</p:BootDevice><p:BuildNumber>20348</p:BuildNumber>"
            "<p:Caption>Microsoft Windows Server 2022 Standard</p:Caption><p:CSName>%2</p:CSName>"
            "<p:LastBootUpTime><cim:Datetime>%4</cim:Datetime></p:LastBootUpTime>"
            "<p:Name>%3</p:Name><p:Primary>true</p:Primary><p:Version>10.0.20348</p:Version>"
            "</p:Win32_OperatingSystem>")
            .arg(OperatingSystemUri, Escaped(m_Machine), Escaped(OperatingSystemName()),
                 lastBootUpTime.toUTC().toString(Qt::ISODateWithMs));
    const QString selectors =
        withSelectors ? QStringLiteral("<w:SelectorSet><w:Selector Name=\"Name\">%1</w:Selector>"
                                       "<w:Selector Name=\"__cimnamespace\">root/cimv2</w:Selector></w:SelectorSet>")
                            .arg(Escaped(OperatingSystemName()))
                      : QString();
    const QString reference =
        QStringLiteral("<a:EndpointReference><a:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/"
                       "anonymous</a:Address><a:ReferenceParameters><w:ResourceURI>%1</w:ResourceURI>%2"
                       "</a:ReferenceParameters></a:EndpointReference>")
            .arg(OperatingSystemUri, selectors);
    if (mode == QLatin1String("EnumerateObjectAndEPR"))
        return QStringLiteral("<w:Item>%1%2</w:Item>").arg(object, reference);
    if (mode == QLatin1String("EnumerateEPR"))
        return reference;
    return object;
}
