#pragma once

#include "uSecretStorePasswords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <exception>
#include <optional>

class IFileDialogs;
class ISecretStore;
class IUserPrompts;
class TComputerList;
struct TProgramOptions;

// A list file could not be read or written; Message() is ready to be shown.
class EListFileError : public std::exception {
public:
    explicit EListFileError(const QString& message) : m_message(message), m_what(message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// The computer list's file: the XML list file (root List, Group and Computer elements with their
// fields), and plain text import and export (one computer name per line). Passwords are stored
// protected with the key of the security level in force when the file is read or written.
class TComputerListFile {
public:
    // Files larger than this are refused: no list of computers comes near it.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
    // Groups nested deeper than this make a file unreadable.
    static constexpr int MaxGroupDepth = 1000;
    // Elements nested deeper than this make a file unreadable: room for the deepest groups, each a
    // Group and a List element, with their fields.
    static constexpr int MaxElementDepth = 2 * MaxGroupDepth + 16;

    // secretStore: where the list file keeps its passwords when bPasswordsInSecretStore is set; none
    // means that no store is available.
    TComputerListFile(TComputerList& list, const TProgramOptions& options, IUserPrompts& prompts, IFileDialogs& dialogs,
                      ISecretStore* secretStore = nullptr);

    // Appends the file's entries to the list; a missing file adds nothing. Raises EListFileError for
    // a file that cannot be read or parsed; nothing is added then. Leaves FileName, and Modified unless
    // passwords kept in the secret store cannot be read: that is said, and the entries come without them.
    void LoadFromFile(const QString& path);
    // Writes the whole list (via a temporary file); nothing for an empty path. Raises EListFileError,
    // also for a list larger than the read limit: the file on disk is then left as it was.
    // The list file itself keeps its passwords in the secret store when bPasswordsInSecretStore is set;
    // when the store fails, that is said and they go into the file as usual.
    void SaveToFile(const QString& path);
    // SaveToFile(FileName). When the list file could not be read at start-up, it is first kept
    // beside as NAME.bak, so that the user's word is needed before it is gone.
    void SaveList();
    // Closing with a list that is not modified: SaveToFile(FileName) keeps check marks and expanded
    // groups, unless the file changed on disk since it was read or last written here (another copy of
    // the program or another program wrote it). Those changes win, and the file is left as it is.
    void SaveUnmodifiedList();
    // Start-up: FileName from DefaultHostsFile, then LoadFromFile. A file that cannot be read is
    // reported; the program goes on with an empty list marked modified, so closing asks first.
    void LoadAtStartUp();

    // The chosen filter decides the name's suffix, and the suffix the format.
    void ExportList();
    // ".dvl" and ".xml" (any case) write the list file, any other name the names as text.
    void ExportToFile(const QString& path);
    void ImportList();
    // ".dvl" and ".xml" (any case) add a list file's entries; so does any file whose text starts with
    // markup, as a list document is never read as names. Anything else is a text file of names.
    // Raises EListFileError for a document that cannot be read or is no computer list, and for a text
    // file holding markup; the list is then left as it was and not marked modified. Otherwise the
    // list is marked modified, even when the text import was declined or failed.
    void ImportFromFile(const QString& path);

    // The size limit of reading and writing, MaxFileSize unless a test makes it smaller.
    void SetMaxFileSize(qint64 bytes) { m_maxFileSize = bytes; }

private:
    enum class TDocumentCheck {
        AnyDocument, // the list file itself: the root's name is not checked
        List,        // an import: the document must be a computer list
        ListInText,  // an import of a file not named as a list: if it is no document, it holds markup
    };
    void AppendDocument(const QString& path, TDocumentCheck check);
    std::optional<TSecretStorePasswords> FetchStoredPasswords(const QString& path, const QStringList& references);
    QByteArray ListContent(const QString& path);
    void ExportText(const QString& path);
    void ImportText(const QString& path);

    TComputerList& m_list;
    const TProgramOptions& m_options;
    IUserPrompts& m_prompts;
    IFileDialogs& m_dialogs;
    ISecretStore* m_secretStore;
    QString m_listId;         // names the list file's item in the secret store
    QString m_unreadableFile; // the list file that failed at start-up, until it is kept as .bak
    qint64 m_maxFileSize = MaxFileSize;
    // Digest of the list file as last read or written here; none when it did not exist.
    std::optional<QByteArray> m_knownDigest;
};
