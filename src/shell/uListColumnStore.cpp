#include "uListColumnStore.h"

#include "uXMLStorage.h"

void LoadColumnLayout(const TXMLStorage& storage, TListColumnLayout& layout, int lastIndex, const QString& section) {
    if (layout.size() <= lastIndex)
        layout.resize(lastIndex + 1);
    for (int i = 0; i <= lastIndex; ++i) {
        const QString n = QString::number(i);
        TListColumnStore& column = layout[i];
        column.Visible = storage.ReadBool(section, QStringLiteral("Visible") + n, true);
        column.Width = storage.ReadInteger(section, QStringLiteral("Width") + n, 50);
        column.Alignment = storage.ReadInteger(section, QStringLiteral("Alignment") + n, 0);
        column.Position = storage.ReadInteger(section, QStringLiteral("Position") + n, i);
        column.SortDirection = storage.ReadInteger(section, QStringLiteral("SortDirection") + n, 0);
        column.Sorted = storage.ReadBool(section, QStringLiteral("Sorted") + n, false);
    }
}

void SaveColumnLayout(TXMLStorage& storage, const TListColumnLayout& layout, int lastIndex, const QString& section) {
    for (int i = 0; i <= lastIndex && i < layout.size(); ++i) {
        const QString n = QString::number(i);
        const TListColumnStore& column = layout[i];
        storage.WriteBool(section, QStringLiteral("Visible") + n, column.Visible);
        storage.WriteInteger(section, QStringLiteral("Width") + n, column.Width);
        storage.WriteInteger(section, QStringLiteral("Alignment") + n, column.Alignment);
        storage.WriteInteger(section, QStringLiteral("Position") + n, column.Position);
        storage.WriteInteger(section, QStringLiteral("SortDirection") + n, column.SortDirection);
        storage.WriteBool(section, QStringLiteral("Sorted") + n, column.Sorted);
    }
}
