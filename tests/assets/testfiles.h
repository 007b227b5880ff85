#ifndef TESTFILES_H
#define TESTFILES_H

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QtGlobal>

// Real files in a test's temporary folder.
inline QString writeFile(const QDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// An .esf package's table: offsets of 24 bits, high byte first, zeros after them.
inline QByteArray esfTable(const QList<quint32> &offsets)
{
    QByteArray table;
    for (quint32 offset : offsets)
        table += QByteArray::fromHex(QByteArray::number(offset, 16).rightJustified(6, '0'));
    return table.leftJustified(765, '\0');
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Bytes that differ from their neighbours and do not repeat every 256 bytes,
// so misplaced data shows, even a whole block out of place.
inline QByteArray pattern(int size, char seed = 0)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 + i / 251);
    return bytes;
}

#endif // TESTFILES_H
