#include "TTinyDisk.h"

#include <QFile>

#include <sys/mount.h>

TTinyDisk::TTinyDisk(int kilobytes) {
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
    m_mounted = m_folder.isValid() &&
                ::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

TTinyDisk::~TTinyDisk() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
}

bool TTinyDisk::Fill() {
    QFile filler(m_folder.filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(1024, 'f');
    while (filler.write(block) > 0) {
    }
    return filler.error() != QFileDevice::NoError;
}
