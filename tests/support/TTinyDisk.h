#pragma once

#include <QString>
#include <QTemporaryDir>

// A file system of a few kilobytes (tmpfs) mounted on a temporary folder while the object lives, to
// see what a full disk does to a writer. Mounting needs root; IsMounted() tells whether it worked.
class TTinyDisk {
public:
    explicit TTinyDisk(int kilobytes);
    ~TTinyDisk();
    TTinyDisk(const TTinyDisk&) = delete;
    TTinyDisk& operator=(const TTinyDisk&) = delete;

    bool IsMounted() const { return m_mounted; }
    QString Path() const { return m_folder.path(); }
    // Writes a filler file until the disk takes no more; true when it is full.
    bool Fill();

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
};
