#pragma once

#include <QFile>
#include <QString>

// Opens a file for reading only when it is a regular file: opening a FIFO blocks until a writer
// comes, and a device may never end. Returns the error text, empty when the file is open.
QString OpenRegularFileForReading(QFile& file);
