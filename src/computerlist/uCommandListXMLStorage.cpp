#include "uCommandListXMLStorage.h"

#include "uConvertError.h"

namespace {

const QString kCommandList = QStringLiteral("CommandList");
const QString kItem = QStringLiteral("CommandListItem");

} // namespace

QList<TCommandListRecord> TCommandListXMLStorage::LoadCommandList(const QString& listName) const {
    QList<TCommandListRecord> tools;
    if (Root.isNull())
        return tools;
    const QDomElement list = Root.firstChildElement(kCommandList).firstChildElement(listName);
    // A field that does not decode or holds elements of its own ends the reading.
    const auto field = [](const QDomElement& item, const QString& name) {
        const QDomElement child = item.firstChildElement(name);
        if (child.isNull())
            return QString();
        const std::optional<QString> value = ElementValue(child);
        if (!value)
            throw EConvertError(name);
        return *value;
    };
    try {
        for (QDomElement item = list.firstChildElement(); !item.isNull(); item = item.nextSiblingElement()) {
            if (item.firstChildElement(QStringLiteral("Name")).isNull())
                continue;
            TCommandListRecord tool;
            tool.Name = field(item, QStringLiteral("Name"));
            tool.Operation = field(item, QStringLiteral("Operation"));
            tool.FileName = field(item, QStringLiteral("FileName"));
            tool.Parameters = field(item, QStringLiteral("Parameters"));
            tool.Directory = field(item, QStringLiteral("Directory"));
            tool.ShowCmd = TextToInteger(field(item, QStringLiteral("ShowCmd")), 1);
            tools.append(tool);
        }
    } catch (const EConvertError&) {
    }
    return tools;
}

void TCommandListXMLStorage::SaveCommandList(const QString& listName, const QList<TCommandListRecord>& tools) {
    if (Root.isNull())
        return;
    QDomElement list = FindOrCreateChild(FindOrCreateChild(Root, kCommandList), listName);
    while (list.hasChildNodes())
        list.removeChild(list.firstChild());
    for (const TCommandListRecord& tool : tools) {
        QDomElement item = list.appendChild(Document.createElement(kItem)).toElement();
        const std::pair<QString, QString> fields[] = {
            {QStringLiteral("Name"), tool.Name},           {QStringLiteral("Operation"), tool.Operation},
            {QStringLiteral("FileName"), tool.FileName},   {QStringLiteral("Parameters"), tool.Parameters},
            {QStringLiteral("Directory"), tool.Directory}, {QStringLiteral("ShowCmd"), QString::number(tool.ShowCmd)},
        };
        for (const auto& [name, value] : fields)
            SetElementValue(item.appendChild(Document.createElement(name)).toElement(), value);
    }
}
