#include "WsManResponse.h"

#include "LangChanger.h"
#include "WsManNamespaces.h"
#include "uXmlShapeCheck.h"

#include <QXmlStreamReader>

namespace {

struct TElement {
    QString Namespace;
    QString Name;
    QString Text;

    bool Is(QLatin1StringView nsUri, QLatin1StringView name) const { return Namespace == nsUri && Name == name; }
};

// Enumeration answers put Items and EndOfSequence in the enumeration namespace (Pull) or in the
// WS-Management namespace (optimized Enumerate).
bool IsEnumerationElement(const TElement& element, QLatin1StringView name) {
    return element.Is(WsManNs::Enumeration, name) || element.Is(WsManNs::WsMan, name);
}

class TResponseReader {
public:
    explicit TResponseReader(const QByteArray& xml) : m_Xml(xml) {}

    TWsManResponse Read() {
        while (!m_Xml.atEnd()) {
            switch (m_Xml.readNext()) {
            case QXmlStreamReader::DTD:
                m_Result.ParseError = LangStr(QStringLiteral("sRemoteAnswerHasDtd"));
                return m_Result;
            case QXmlStreamReader::StartElement:
                if (!StartElement())
                    return m_Result;
                break;
            case QXmlStreamReader::Characters:
                if (!m_Stack.isEmpty())
                    m_Stack.last().Text += m_Xml.text();
                break;
            case QXmlStreamReader::EndElement:
                EndElement();
                m_Stack.removeLast();
                break;
            default:
                break;
            }
        }
        if (m_Xml.hasError())
            m_Result.ParseError = m_Xml.errorString();
        else if (!m_SeenBody)
            m_Result.ParseError = LangStr(QStringLiteral("sRemoteAnswerNoBody"));
        if (m_Result.IsFault && m_Result.FaultMessage.isEmpty())
            m_Result.FaultMessage = m_FaultReason.trimmed();
        return m_Result;
    }

    // Windows answers are a dozen levels deep; the bound keeps hostile input cheap.
    static constexpr int MaxDepth = 100;
    // An operating-system object has about sixty properties.
    static constexpr qsizetype MaxProperties = 1000;

private:
    // Depths: 0 Envelope, 1 Header/Body, 2 the body's element, 3 its children, ...
    bool StartElement() {
        if (m_Stack.size() >= MaxDepth) {
            m_Result.ParseError = LangStr(QStringLiteral("sRemoteAnswerTooDeep"));
            return false;
        }
        m_Stack.append({m_Xml.namespaceUri().toString(), m_Xml.name().toString(), QString()});
        const TElement& element = m_Stack.last();
        const qsizetype depth = m_Stack.size() - 1;
        if (depth == 0) {
            if (!element.Is(WsManNs::Soap, QLatin1StringView("Envelope"))) {
                m_Result.ParseError = LangStr(QStringLiteral("sRemoteAnswerNotSoap"));
                return false;
            }
        } else if (depth == 1 && element.Is(WsManNs::Soap, QLatin1StringView("Body"))) {
            m_SeenBody = true;
        } else if (depth == 2 && InBody()) {
            if (m_Result.BodyName.isEmpty()) {
                m_Result.BodyNamespace = element.Namespace;
                m_Result.BodyName = element.Name;
                m_Result.IsFault = element.Is(WsManNs::Soap, QLatin1StringView("Fault"));
            }
        } else if (depth >= 3 && InBody()) {
            StartBodyElement(element, depth);
        }
        return true;
    }

    void StartBodyElement(const TElement& element, qsizetype depth) {
        if (m_Result.IsFault) {
            if (element.Is(WsManNs::WsManFault, QLatin1StringView("WSManFault")) && depth >= m_FaultCodeDepth) {
                m_FaultCodeDepth = depth;
                m_Result.FaultCode = m_Xml.attributes().value(QLatin1StringView("Code")).toLongLong();
            }
            return;
        }
        // An item is a child of Items: w:Item holding the object and its endpoint reference, or the
        // endpoint reference itself.
        if (depth == 4 && IsEnumerationElement(m_Stack[3], QLatin1StringView("Items"))) {
            m_Result.Items.append(TWsManEndpointReference());
            m_Result.ItemProperties.append(QHash<QString, QString>());
        }
        if (element.Is(WsManNs::WsMan, QLatin1StringView("Selector")) && InItemReference())
            m_Result.Items.last().Selectors.append(
                {m_Xml.attributes().value(QLatin1StringView("Name")).toString(), QString()});
    }

    void EndElement() {
        const TElement& element = m_Stack.last();
        const qsizetype depth = m_Stack.size() - 1;
        if (depth == 2 && m_Stack[1].Is(WsManNs::Soap, QLatin1StringView("Header")) &&
            element.Is(WsManNs::Addressing, QLatin1StringView("Action"))) {
            m_Result.Action = element.Text.trimmed();
        }
        if (depth < 3 || !InBody())
            return;
        if (m_Result.IsFault)
            EndFaultElement(element, depth);
        else if (depth == 3)
            EndBodyChild(element);
        else if (InItemReference())
            EndReferenceElement(element);
        else
            EndObjectElement(element, depth);
    }

    // Depths inside an item: 4 w:Item, 5 the object, 6 a property, 7 a value wrapped in it.
    void EndObjectElement(const TElement& element, qsizetype depth) {
        if (m_Result.ItemProperties.isEmpty() || !IsEnumerationElement(m_Stack[3], QLatin1StringView("Items")))
            return;
        if (depth == 7)
            m_Stack[6].Text += element.Text;
        else if (depth == 6 && m_Result.ItemProperties.last().size() < MaxProperties)
            m_Result.ItemProperties.last().insert(element.Name, element.Text.trimmed());
    }

    void EndFaultElement(const TElement& element, qsizetype depth) {
        if (element.Is(WsManNs::WsManFault, QLatin1StringView("Message")) && depth > m_FaultMessageDepth &&
            !element.Text.trimmed().isEmpty()) {
            m_FaultMessageDepth = depth;
            m_Result.FaultMessage = element.Text.trimmed();
        } else if (element.Is(WsManNs::Soap, QLatin1StringView("Text")) && depth == 4 &&
                   m_Stack[3].Is(WsManNs::Soap, QLatin1StringView("Reason")) && m_FaultReason.isEmpty()) {
            m_FaultReason = element.Text;
        }
    }

    void EndBodyChild(const TElement& element) {
        if (element.Is(WsManNs::Enumeration, QLatin1StringView("EnumerationContext")))
            m_Result.EnumerationContext = element.Text.trimmed();
        else if (IsEnumerationElement(element, QLatin1StringView("EndOfSequence")))
            m_Result.EndOfSequence = true;
        else if (!IsEnumerationElement(element, QLatin1StringView("Items")))
            m_Result.OutputValues.insert(element.Name, element.Text.trimmed());
    }

    void EndReferenceElement(const TElement& element) {
        TWsManEndpointReference& reference = m_Result.Items.last();
        if (element.Is(WsManNs::WsMan, QLatin1StringView("ResourceURI")))
            reference.ResourceUri = element.Text.trimmed();
        else if (element.Is(WsManNs::WsMan, QLatin1StringView("Selector")) && !reference.Selectors.isEmpty())
            reference.Selectors.last().second = element.Text.trimmed();
    }

    bool InBody() const { return m_Stack.size() > 1 && m_Stack[1].Is(WsManNs::Soap, QLatin1StringView("Body")); }

    // Inside the a:EndpointReference of the current item.
    bool InItemReference() const {
        if (m_Stack.size() < 5 || m_Result.Items.isEmpty() ||
            !IsEnumerationElement(m_Stack[3], QLatin1StringView("Items")))
            return false;
        for (qsizetype i = 4; i < m_Stack.size(); ++i) {
            if (m_Stack[i].Is(WsManNs::Addressing, QLatin1StringView("EndpointReference")))
                return true;
        }
        return false;
    }

    QXmlStreamReader m_Xml;
    TWsManResponse m_Result;
    QList<TElement> m_Stack;
    QString m_FaultReason;
    qsizetype m_FaultMessageDepth = -1;
    qsizetype m_FaultCodeDepth = -1;
    bool m_SeenBody = false;
};

} // namespace

TWsManResponse TWsManResponse::Parse(const QByteArray& xml) {
    if (const auto fault = TXmlShapeCheck(TResponseReader::MaxDepth).Check(xml)) {
        TWsManResponse refused;
        refused.ParseError = fault->Kind == TXmlShapeCheck::TFault::TooDeep
                                 ? LangStr(QStringLiteral("sRemoteAnswerTooDeep"))
                                 : fault->Text();
        return refused;
    }
    return TResponseReader(xml).Read();
}
