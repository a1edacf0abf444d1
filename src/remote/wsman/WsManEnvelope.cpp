#include "WsManEnvelope.h"

#include "WsManNamespaces.h"

#include <QUuid>
#include <QXmlStreamWriter>

#include <functional>

namespace {

using TBodyWriter = std::function<void(QXmlStreamWriter&)>;

void WriteMustUnderstand(QXmlStreamWriter& xml, const QString& nsUri, const QString& name, const QString& text) {
    xml.writeStartElement(nsUri, name);
    xml.writeAttribute(WsManNs::Soap, QStringLiteral("mustUnderstand"), QStringLiteral("true"));
    xml.writeCharacters(text);
    xml.writeEndElement();
}

QByteArray BuildEnvelope(const QString& toAddress, qint64 timeoutMs, const QString& action,
                         const TWsManEndpointReference& target, const TBodyWriter& writeBody) {
    QByteArray result;
    QXmlStreamWriter xml(&result);
    xml.writeNamespace(WsManNs::Soap, QStringLiteral("s"));
    xml.writeNamespace(WsManNs::Addressing, QStringLiteral("a"));
    xml.writeNamespace(WsManNs::Enumeration, QStringLiteral("n"));
    xml.writeNamespace(WsManNs::WsMan, QStringLiteral("w"));
    xml.writeNamespace(WsManNs::MsWsMan, QStringLiteral("p"));
    xml.writeStartElement(WsManNs::Soap, QStringLiteral("Envelope"));
    xml.writeStartElement(WsManNs::Soap, QStringLiteral("Header"));
    xml.writeTextElement(WsManNs::Addressing, QStringLiteral("To"), toAddress);
    WriteMustUnderstand(xml, WsManNs::WsMan, QStringLiteral("ResourceURI"), target.ResourceUri);
    xml.writeStartElement(WsManNs::Addressing, QStringLiteral("ReplyTo"));
    WriteMustUnderstand(xml, WsManNs::Addressing, QStringLiteral("Address"), WsManNs::AnonymousAddress);
    xml.writeEndElement();
    WriteMustUnderstand(xml, WsManNs::Addressing, QStringLiteral("Action"), action);
    WriteMustUnderstand(xml, WsManNs::WsMan, QStringLiteral("MaxEnvelopeSize"), QStringLiteral("512000"));
    xml.writeTextElement(WsManNs::Addressing, QStringLiteral("MessageID"),
                         QStringLiteral("uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    xml.writeStartElement(WsManNs::WsMan, QStringLiteral("Locale"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("en-US"));
    xml.writeAttribute(WsManNs::Soap, QStringLiteral("mustUnderstand"), QStringLiteral("false"));
    xml.writeEndElement();
    xml.writeTextElement(
        WsManNs::WsMan, QStringLiteral("OperationTimeout"),
        QStringLiteral("PT%1.%2S").arg(timeoutMs / 1000).arg(timeoutMs % 1000, 3, 10, QLatin1Char('0')));
    if (!target.Selectors.isEmpty()) {
        xml.writeStartElement(WsManNs::WsMan, QStringLiteral("SelectorSet"));
        for (const auto& [name, value] : target.Selectors) {
            xml.writeStartElement(WsManNs::WsMan, QStringLiteral("Selector"));
            xml.writeAttribute(QStringLiteral("Name"), name);
            xml.writeCharacters(value);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement(); // Header
    xml.writeStartElement(WsManNs::Soap, QStringLiteral("Body"));
    writeBody(xml);
    xml.writeEndElement(); // Body
    xml.writeEndElement(); // Envelope
    return result;
}

void WriteEnumerationContext(QXmlStreamWriter& xml, const QString& context) {
    xml.writeTextElement(WsManNs::Enumeration, QStringLiteral("EnumerationContext"), context);
}

} // namespace

TWsManEnvelope::TWsManEnvelope(QString toAddress, qint64 operationTimeoutMs)
    : m_ToAddress(std::move(toAddress)), m_OperationTimeoutMs(operationTimeoutMs) {}

QByteArray TWsManEnvelope::Enumerate(const QString& resourceUri, const QString& wqlQuery) const {
    return BuildEnvelope(
        m_ToAddress, m_OperationTimeoutMs, WsManNs::EnumerateAction, {resourceUri, {}}, [&](QXmlStreamWriter& xml) {
            xml.writeStartElement(WsManNs::Enumeration, QStringLiteral("Enumerate"));
            xml.writeEmptyElement(WsManNs::WsMan, QStringLiteral("OptimizeEnumeration"));
            xml.writeTextElement(WsManNs::WsMan, QStringLiteral("MaxElements"), QString::number(MaxElements));
            xml.writeTextElement(WsManNs::WsMan, QStringLiteral("EnumerationMode"),
                                 QStringLiteral("EnumerateObjectAndEPR"));
            xml.writeStartElement(WsManNs::WsMan, QStringLiteral("Filter"));
            xml.writeAttribute(QStringLiteral("Dialect"), WsManNs::WqlDialect);
            xml.writeCharacters(wqlQuery);
            xml.writeEndElement();
            xml.writeEndElement();
        });
}

QByteArray TWsManEnvelope::Pull(const QString& resourceUri, const QString& enumerationContext) const {
    return BuildEnvelope(
        m_ToAddress, m_OperationTimeoutMs, WsManNs::PullAction, {resourceUri, {}}, [&](QXmlStreamWriter& xml) {
            xml.writeStartElement(WsManNs::Enumeration, QStringLiteral("Pull"));
            WriteEnumerationContext(xml, enumerationContext);
            xml.writeTextElement(WsManNs::Enumeration, QStringLiteral("MaxElements"), QString::number(MaxElements));
            xml.writeEndElement();
        });
}

QByteArray TWsManEnvelope::Release(const QString& resourceUri, const QString& enumerationContext) const {
    return BuildEnvelope(m_ToAddress, m_OperationTimeoutMs, WsManNs::ReleaseAction, {resourceUri, {}},
                         [&](QXmlStreamWriter& xml) {
                             xml.writeStartElement(WsManNs::Enumeration, QStringLiteral("Release"));
                             WriteEnumerationContext(xml, enumerationContext);
                             xml.writeEndElement();
                         });
}

QByteArray TWsManEnvelope::Invoke(const TWsManEndpointReference& object, const QString& method,
                                  const QList<QPair<QString, QString>>& parameters) const {
    return BuildEnvelope(m_ToAddress, m_OperationTimeoutMs, object.ResourceUri + QLatin1Char('/') + method, object,
                         [&](QXmlStreamWriter& xml) {
                             xml.writeNamespace(object.ResourceUri, QStringLiteral("m"));
                             xml.writeStartElement(object.ResourceUri, method + QStringLiteral("_INPUT"));
                             for (const auto& [name, value] : parameters)
                                 xml.writeTextElement(object.ResourceUri, name, value);
                             xml.writeEndElement();
                         });
}
