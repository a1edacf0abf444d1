#include "SoapRequest.h"

#include <QDomDocument>

namespace {

const QString SoapNs = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
const QString AddressingNs = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing");
const QString WsManNs = QStringLiteral("http://schemas.dmtf.org/wbem/wsman/1/wsman.xsd");

QDomElement FirstChild(const QDomElement& parent, const QString& nsUri, const QString& name) {
    for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.namespaceURI() == nsUri && child.localName() == name)
            return child;
    }
    return QDomElement();
}

} // namespace

TSoapRequest TSoapRequest::Parse(const QByteArray& xml) {
    TSoapRequest request;
    QDomDocument document;
    if (!document.setContent(xml, true, &request.Error)) {
        if (request.Error.isEmpty())
            request.Error = QStringLiteral("not XML");
        return request;
    }
    const QDomElement envelope = document.documentElement();
    if (envelope.namespaceURI() != SoapNs || envelope.localName() != QLatin1String("Envelope")) {
        request.Error = QStringLiteral("not a SOAP 1.2 envelope");
        return request;
    }
    const QDomElement header = FirstChild(envelope, SoapNs, QStringLiteral("Header"));
    request.Action = FirstChild(header, AddressingNs, QStringLiteral("Action")).text().trimmed();
    request.MessageId = FirstChild(header, AddressingNs, QStringLiteral("MessageID")).text().trimmed();
    request.ResourceUri = FirstChild(header, WsManNs, QStringLiteral("ResourceURI")).text().trimmed();
    const QDomElement selectors = FirstChild(header, WsManNs, QStringLiteral("SelectorSet"));
    for (QDomElement selector = selectors.firstChildElement(); !selector.isNull();
         selector = selector.nextSiblingElement())
        request.Selectors.append({selector.attribute(QStringLiteral("Name")), selector.text()});
    request.Body = FirstChild(envelope, SoapNs, QStringLiteral("Body")).firstChildElement();
    if (request.Action.isEmpty() || request.Body.isNull())
        request.Error = QStringLiteral("the envelope lacks its action or body");
    return request;
}

QString TSoapRequest::BodyText(const QString& nsUri, const QString& name) const {
    const QDomNodeList nodes = Body.elementsByTagNameNS(nsUri, name);
    return nodes.isEmpty() ? QString() : nodes.at(0).toElement().text().trimmed();
}

bool TSoapRequest::BodyHas(const QString& nsUri, const QString& name) const {
    return !Body.elementsByTagNameNS(nsUri, name).isEmpty();
}
