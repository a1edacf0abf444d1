#include "uXMLStorage.h"

#include "HTMLUtil.h"
#include "uParseDigits.h"
#include "uPrivateFiles.h"
#include "uRegularFile.h"
#include "uXmlShapeCheck.h"

#include <QDomProcessingInstruction>
#include <QDomText>
#include <QFile>
#include <QSaveFile>

namespace {

constexpr int kIndent = 2;

// Characters that XML 1.0 cannot carry, not even as references. Written raw they would make the whole
// file unreadable at the next start, so values lose them instead.
bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString WithoutNonXmlChars(const QString& text) {
    QList<uint> codes = text.toUcs4();
    codes.removeIf([](uint c) { return !IsXmlChar(c); });
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

TXMLStorage::TXMLStorage(const QString& fileName, IUserPrompts& prompts)
    : FileName(fileName), Encoding(QStringLiteral("UTF-8")), AutoIndent(true), m_prompts(prompts) {}

TXMLStorage::~TXMLStorage() {
    Close();
}

bool TXMLStorage::Open() {
    Close();
    Document = QDomDocument();
    QFile file(FileName);
    if (!file.exists()) {
        ApplyEncoding();
        Root = Document.appendChild(Document.createElement(QStringLiteral("Options"))).toElement();
        return true;
    }
    if (!OpenRegularFileForReading(file).isEmpty()) {
        ReportError(QStringLiteral("Can't read file"));
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ReportError(QStringLiteral("Can't read file"));
        return false;
    }
    // An empty file is what a first start without default files leaves behind: an empty document.
    if (content.trimmed().isEmpty()) {
        ApplyEncoding();
        Root = Document.appendChild(Document.createElement(QStringLiteral("Options"))).toElement();
        return true;
    }
    // The DOM recurses over the nesting when it writes and frees a document.
    if (TXmlShapeCheck(MaxDepth).Check(content) || !Document.setContent(content) ||
        Document.documentElement().isNull()) {
        Document = QDomDocument();
        ReportError(QStringLiteral("Can't read file"));
        return false;
    }
    ApplyEncoding();
    Root = Document.documentElement();
    return true;
}

bool TXMLStorage::Save() {
    if (Document.isNull() || Root.isNull()) {
        ReportError(QStringLiteral("Can't write file"));
        return false;
    }
    ApplyEncoding();
    const QByteArray content = Document.toByteArray(AutoIndent ? kIndent : 0);
    QSaveFile file(FileName);
    // A short write (a full disk) is no error to QSaveFile; it would commit a cut-off file.
    if (!OpenPrivateSaveFile(file) || file.write(content) != content.size() || !file.commit()) {
        ReportError(QStringLiteral("Can't write file"));
        return false;
    }
    return true;
}

void TXMLStorage::Close() {
    Root = QDomElement();
    Document = QDomDocument();
}

QString TXMLStorage::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    if (Root.isNull())
        return defaultValue;
    const QDomElement element = Root.firstChildElement(section).firstChildElement(key);
    if (element.isNull())
        return defaultValue;
    try {
        return ElementValue(element).value_or(defaultValue);
    } catch (const EConvertError&) {
        return defaultValue;
    }
}

void TXMLStorage::WriteString(const QString& section, const QString& key, const QString& value) {
    if (Root.isNull())
        return;
    SetElementValue(FindOrCreateChild(FindOrCreateChild(Root, section), key), value);
}

int TXMLStorage::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    return TextToInteger(ReadString(section, key, QString()), defaultValue);
}

void TXMLStorage::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

bool TXMLStorage::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TXMLStorage::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TXMLStorage::WriteStringList(const QString& section, const QString& itemName, const QStringList& list) {
    if (Root.isNull())
        return;
    QDomElement container = FindOrCreateChild(FindOrCreateChild(Root, section), itemName);
    while (container.hasChildNodes())
        container.removeChild(container.firstChild());
    for (qsizetype i = 0; i < list.size(); ++i) {
        QDomElement item = Document.createElement(itemName + QString::number(i));
        container.appendChild(item);
        SetElementValue(item, list[i]);
    }
}

int TXMLStorage::TextToInteger(const QString& text, int defaultValue) {
    std::optional<quint32> hex;
    if (text.size() > 2 && (text.startsWith(u"0x") || text.startsWith(u"0X")))
        hex = ParseDigits(QStringView(text).mid(2), 16, 0xFFFFFFFFu);
    else if (text.startsWith(u'$'))
        hex = ParseDigits(QStringView(text).mid(1), 16, 0xFFFFFFFFu);
    else {
        QStringView rest(text);
        while (!rest.isEmpty() && IsBlank(rest.front()))
            rest = rest.mid(1);
        const bool negative = rest.startsWith(u'-');
        if (negative || rest.startsWith(u'+'))
            rest = rest.mid(1);
        const std::optional<quint32> magnitude = ParseDigits(rest, 10, negative ? 0x80000000u : 0x7FFFFFFFu);
        if (!magnitude)
            return defaultValue;
        return negative ? int(-qint64(*magnitude)) : int(*magnitude);
    }
    // Hexadecimal texts cover the full 32 bits, "$FFFFFFFF" being -1.
    return hex ? int(*hex) : defaultValue;
}

QDomElement TXMLStorage::FindOrCreateChild(QDomElement parent, const QString& name) {
    QDomElement child = parent.firstChildElement(name);
    if (child.isNull())
        child = parent.appendChild(parent.ownerDocument().createElement(name)).toElement();
    return child;
}

void TXMLStorage::SetElementValue(QDomElement element, const QString& value) {
    while (element.hasChildNodes())
        element.removeChild(element.firstChild());
    element.appendChild(element.ownerDocument().createTextNode(HTMLEncode(WithoutNonXmlChars(value))));
}

std::optional<QString> TXMLStorage::ElementValue(const QDomElement& element) {
    QString text;
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isElement() || node.isEntityReference())
            return std::nullopt;
        if (node.isText())
            text += node.toText().data();
    }
    return HTMLDecode(text);
}

void TXMLStorage::ReportError(const QString& text) {
    m_prompts.Ask(text + u' ' + FileName, QStringLiteral("Error!"), TPromptButtons::OK, TPromptIcon::Error);
}

void TXMLStorage::ApplyEncoding() {
    const QString declaration = QStringLiteral("version=\"1.0\" encoding=\"%1\"").arg(Encoding);
    QDomNode first = Document.firstChild();
    if (first.isProcessingInstruction() && first.toProcessingInstruction().target() == u"xml")
        first.toProcessingInstruction().setData(declaration);
    else
        Document.insertBefore(Document.createProcessingInstruction(QStringLiteral("xml"), declaration), first);
}
