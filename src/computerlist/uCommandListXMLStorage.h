#pragma once

#include "uXMLStorage.h"

#include <QList>

// One tool as it is stored in the options file.
struct TCommandListRecord {
    QString Name;
    QString Operation;
    QString FileName;
    QString Parameters;
    QString Directory;
    int ShowCmd = 1;
};

// The settings storage extended by the tools lists, kept under CommandList/<list name>, one
// CommandListItem per tool.
class TCommandListXMLStorage : public TXMLStorage {
public:
    using TXMLStorage::TXMLStorage;

    // The tools stored under the list's element, in file order; items without a Name child are
    // skipped. A damaged part ends the reading silently with the tools read so far.
    QList<TCommandListRecord> LoadCommandList(const QString& listName) const;
    // Replaces the list's element with the given tools.
    void SaveCommandList(const QString& listName, const QList<TCommandListRecord>& tools);
};
