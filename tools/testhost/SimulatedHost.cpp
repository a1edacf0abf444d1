#include "SimulatedHost.h"

#include "SoapRequest.h"
#include "WindowsAnswers.h"

#include <QUuid>

namespace {

const QString EnumerationNs = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/09/enumeration");
const QString WsManNs = QStringLiteral("http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd");
const QString AllClassesUri = QStringLiteral("http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/*");
const QString WqlDialect = QStringLiteral("http://schemas.microsoft.com/wbem/wsman/1/WQL");

QString NormalizedQuery(const QString& query) {
    return query.simplified().toUpper().remove(QLatin1Char(' '));
}

THostReply Answer(int status, QByteArray body) {
    return THostReply::WithStatus(status, std::move(body));
}

} // namespace

TSimulatedHost::TSimulatedHost(const QHostAddress& address, const QString& userName, const QString& password,
                               QObject* parent)
    : QObject(parent), m_Address(address),
      m_ComputerName(QStringLiteral("HOST-") + address.toString().replace(QLatin1Char('.'), QLatin1Char('-'))),
      m_UserName(userName.section(QLatin1Char('\\'), -1)), m_Password(password),
      m_BasicCredentials("Basic " + (userName + QLatin1Char(':') + password).toUtf8().toBase64()) {}

std::optional<QString> TSimulatedHost::PasswordOf(const QString& user, const QString&) const {
    if (user.section(QLatin1Char('@'), 0, 0).compare(m_UserName, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return m_Password;
}

bool TSimulatedHost::Restarting() {
    if (!m_Restarting || m_Behaviour.NeverBack || !m_BackAt.hasExpired())
        return m_Restarting;
    m_Restarting = false;
    m_BootTime = QDateTime::currentDateTimeUtc();
    return false;
}

void TSimulatedHost::StartRestart(int flags) {
    constexpr int RebootFlag = 2;
    if (!(flags & RebootFlag) || (m_Behaviour.RebootMs < 0 && !m_Behaviour.NeverBack))
        return;
    m_Restarting = true;
    m_BackAt = QDeadlineTimer(qMax(0, m_Behaviour.RebootMs));
}

THostReply TSimulatedHost::Handle(const QByteArray& authorization, const QByteArray& contentType,
                                  const QByteArray& body, bool https) {
    if (m_Behaviour.DropConnection || Restarting())
        return THostReply::Of(THostReply::TKind::Drop);
    if (m_Behaviour.Silent)
        return THostReply::Of(THostReply::TKind::Silent);
    if (m_Behaviour.DenyCredentials || authorization != m_BasicCredentials ||
        (!https && !m_Behaviour.AllowUnencrypted)) {
        THostReply reply = Answer(401, QByteArray());
        reply.AskForCredentials = true;
        return reply;
    }
    return HandleAuthenticated(contentType, body);
}

THostReply TSimulatedHost::RefuseUnaskedCredentials() {
    emit credentialsUnasked(m_Address);
    THostReply reply = Answer(401, QByteArray());
    reply.AskForCredentials = true;
    return reply;
}

THostReply TSimulatedHost::HandleAuthenticated(const QByteArray& contentType, const QByteArray& body) {
    if (m_Behaviour.DropConnection || Restarting())
        return THostReply::Of(THostReply::TKind::Drop);
    if (m_Behaviour.Silent)
        return THostReply::Of(THostReply::TKind::Silent);
    if (!contentType.toLower().startsWith("application/soap+xml"))
        return Answer(415, QByteArray());
    const TSoapRequest request = TSoapRequest::Parse(body);
    const TWindowsAnswers answers(m_ComputerName, request.MessageId);
    if (!request.Error.isEmpty())
        return Answer(400, answers.ServiceFault(QStringLiteral("w:SchemaValidationError"),
                                                QStringLiteral("The SOAP XML in the message does not match the "
                                                               "corresponding XML schema definition."),
                                                request.Error));
    if (request.Action == EnumerationNs + QStringLiteral("/Enumerate"))
        return Enumerate(request, answers);
    if (request.Action == EnumerationNs + QStringLiteral("/Pull"))
        return Pull(request, answers);
    if (request.Action == EnumerationNs + QStringLiteral("/Release"))
        return Release(request, answers);
    for (const QString& method : {QStringLiteral("Win32Shutdown"), QStringLiteral("Win32ShutdownTracker")}) {
        if (request.Action == TWindowsAnswers::OperatingSystemUri + QLatin1Char('/') + method)
            return Shutdown(method, request, answers);
    }
    return Answer(500, answers.ServiceFault(QStringLiteral("a:ActionNotSupported"),
                                            QStringLiteral("The action is not supported by the service."),
                                            QStringLiteral("The WS-Management service cannot process the request "
                                                           "because the action is not supported: ") +
                                                request.Action));
}

QString TSimulatedHost::Items(const QString& mode, const TWindowsAnswers& answers) const {
    if (m_Behaviour.NoOperatingSystem)
        return QString();
    return answers.OperatingSystemItem(mode, !m_Behaviour.Singleton, m_BootTime)
        .repeated(qMax(1, m_Behaviour.ManyObjects));
}

// Lines that would pass for the client's own log lines if it wrote the text as it comes.
QString TSimulatedHost::HugeFaultText() const {
    const QString forged = QStringLiteral("Access denied\r\n01.01.2026 00:00:00\tSUCCESS\tpc: has been shut down.\n");
    return forged.repeated(m_Behaviour.HugeFaultBytes / forged.size() + 1).left(m_Behaviour.HugeFaultBytes);
}

THostReply TSimulatedHost::Enumerate(const TSoapRequest& request, const TWindowsAnswers& answers) {
    const QString query = request.BodyText(WsManNs, QStringLiteral("Filter"));
    const bool queryOk = request.ResourceUri == AllClassesUri &&
                         request.Body.elementsByTagNameNS(WsManNs, QStringLiteral("Filter"))
                                 .at(0)
                                 .toElement()
                                 .attribute(QStringLiteral("Dialect")) == WqlDialect &&
                         NormalizedQuery(query) ==
                             NormalizedQuery(QStringLiteral("SELECT * FROM Win32_OperatingSystem WHERE Primary=True"));
    const bool classOk = request.ResourceUri == TWindowsAnswers::OperatingSystemUri && query.isEmpty();
    if (!queryOk && !classOk)
        return Answer(500, answers.ServiceFault(QStringLiteral("w:CannotProcessFilter"),
                                                QStringLiteral("The data source could not process the filter."),
                                                QStringLiteral("The simulated host answers only the primary "
                                                               "operating-system query: ") +
                                                    query));
    if (!m_Behaviour.FaultMessage.isEmpty())
        return Answer(500, answers.ProviderFault(m_Behaviour.FaultMessage, 2147749889));
    if (m_Behaviour.HugeFaultBytes > 0)
        return Answer(500, answers.ProviderFault(HugeFaultText(), 2147749889));
    const QString context = QStringLiteral("uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString mode = request.BodyText(WsManNs, QStringLiteral("EnumerationMode"));
    if (request.BodyHas(WsManNs, QStringLiteral("OptimizeEnumeration"))) {
        QByteArray body = answers.EnumerateResponse(QString(), Items(mode, answers), true);
        if (m_Behaviour.Huge) // built as bytes: the host must stay quick while it floods the client
            body.replace("</w:Items>", "<w:Padding>" + QByteArray(50 * 1024 * 1024, 'x') + "</w:Padding></w:Items>");
        return Answer(200, std::move(body));
    }
    m_Enumerations.insert(context, {mode, false});
    return Answer(200, answers.EnumerateResponse(context, QString(), false));
}

THostReply TSimulatedHost::Pull(const TSoapRequest& request, const TWindowsAnswers& answers) {
    const QString context = request.BodyText(EnumerationNs, QStringLiteral("EnumerationContext"));
    const auto enumeration = m_Enumerations.find(context);
    if (enumeration == m_Enumerations.end())
        return Answer(500, answers.ServiceFault(QStringLiteral("n:InvalidEnumerationContext"),
                                                QStringLiteral("The supplied enumeration context is invalid."),
                                                QStringLiteral("The enumeration context supplied in the message is "
                                                               "not valid.")));
    // One object per Pull, then an empty answer that ends the sequence: both rounds are exercised.
    if (!enumeration->Delivered) {
        enumeration->Delivered = true;
        return Answer(200, answers.PullResponse(context, Items(enumeration->Mode, answers), false));
    }
    m_Enumerations.erase(enumeration);
    return Answer(200, answers.PullResponse(context, QString(), true));
}

THostReply TSimulatedHost::Release(const TSoapRequest& request, const TWindowsAnswers& answers) {
    m_Enumerations.remove(request.BodyText(EnumerationNs, QStringLiteral("EnumerationContext")));
    return Answer(200, answers.ReleaseResponse());
}

THostReply TSimulatedHost::Shutdown(const QString& method, const TSoapRequest& request,
                                    const TWindowsAnswers& answers) {
    // Windows names the instance by Name and adds the namespace, in either order; the namespace may be left out.
    using TSelectors = QList<QPair<QString, QString>>;
    TSelectors selectors = request.Selectors;
    selectors.removeOne({QStringLiteral("__cimnamespace"), QStringLiteral("root/cimv2")});
    const TSelectors expectedSelectors =
        m_Behaviour.Singleton ? TSelectors{} : TSelectors{{QStringLiteral("Name"), answers.OperatingSystemName()}};
    if (request.ResourceUri != TWindowsAnswers::OperatingSystemUri || selectors != expectedSelectors)
        return Answer(500, answers.ServiceFault(QStringLiteral("w:InvalidSelectors"),
                                                QStringLiteral("The selectors for the resource are not valid."),
                                                QStringLiteral("The WS-Management service cannot process the request "
                                                               "because the request contained invalid selectors for "
                                                               "the resource. ")));
    const auto number = [&request](const char* name, bool* ok) {
        return request.BodyText(TWindowsAnswers::OperatingSystemUri, QLatin1String(name)).toLongLong(ok);
    };
    bool flagsOk = false;
    const int flags = int(number("Flags", &flagsOk));
    const bool tracker = method == QLatin1String("Win32ShutdownTracker");
    bool timeoutOk = true;
    bool reasonOk = true;
    const qint64 timeout = tracker ? number("Timeout", &timeoutOk) : 0;
    const qint64 reason = tracker ? number("ReasonCode", &reasonOk) : 0;
    const bool trackerOk =
        timeoutOk && reasonOk && timeout >= 0 && timeout <= 0xFFFFFFFF && reason >= 0 && reason <= 0xFFFFFFFF &&
        (!tracker || request.BodyHas(TWindowsAnswers::OperatingSystemUri, QStringLiteral("Comment")));
    if (request.Body.localName() != method + QStringLiteral("_INPUT") ||
        request.Body.namespaceURI() != TWindowsAnswers::OperatingSystemUri || !flagsOk || !trackerOk)
        return Answer(500, answers.ServiceFault(QStringLiteral("w:InvalidParameter"),
                                                QStringLiteral("One or more parameters are not valid."),
                                                QStringLiteral("The WS-Management service cannot process the request "
                                                               "because the method parameters are not valid.")));
    if (m_Behaviour.ReturnValue == 0) {
        if (tracker)
            emit trackerAccepted(m_Address, flags, quint32(timeout), quint32(reason),
                                 request.BodyText(TWindowsAnswers::OperatingSystemUri, QStringLiteral("Comment")));
        else
            emit shutdownAccepted(m_Address, flags);
        StartRestart(flags);
    }
    THostReply reply = Answer(200, answers.ShutdownOutput(method, m_Behaviour.ReturnValue));
    reply.DelayMs = m_Behaviour.DelayMs;
    return reply;
}
