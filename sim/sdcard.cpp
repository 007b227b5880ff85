#include "sdcard.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace vxsim {

SdCard::SdCard(const QString &folder, bool inserted)
    : root(QFileInfo(folder).canonicalFilePath()), inserted(inserted && !root.isEmpty())
{
}

bool SdCard::isInside(const QString &canonicalPath) const
{
    return canonicalPath == root || canonicalPath.startsWith(root + QLatin1Char('/'));
}

QString SdCard::hostPath(const QByteArray &name) const
{
    if (!inserted)
        return {};
    // The module's own names may use either slash; both must be checked.
    const QString relative = QString::fromLocal8Bit(name).replace(QLatin1Char('\\'), '/');
    if (relative.startsWith(QLatin1Char('/')))
        return {};
    QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    if (parts.contains(QStringLiteral("..")))
        return {};
    QString path = root;
    for (const QString &part : parts) {
        path += QLatin1Char('/') + part;
        const QFileInfo step(path);
        // A link is followed to its end: dangling links and links out are refused.
        if (step.isSymLink() && !isInside(step.canonicalFilePath()))
            return {};
    }
    return path;
}

QFile *SdCard::handleFile(int handle) const
{
    if (handle < 1 || handle > int(handles.size()))
        return nullptr;
    return handles[handle - 1].get();
}

bool SdCard::openHandle(int handle, const QByteArray &name, QIODevice::OpenMode mode)
{
    const QString path = hostPath(name);
    if (path.isEmpty() || path == root || handle < 1 || handle > int(handles.size()))
        return false;
    if (QFileInfo(path).isDir())
        return false;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(mode) && (mode & QIODevice::Truncate || !file->open(QIODevice::ReadOnly)))
        return false;
    handles[handle - 1] = std::move(file); // a handle still open is closed first
    return true;
}

bool SdCard::createFile(int handle, const QByteArray &name)
{
    return !writeProtected && openHandle(handle, name, QIODevice::ReadWrite | QIODevice::Truncate);
}

bool SdCard::openFile(int handle, const QByteArray &name)
{
    const QIODevice::OpenMode mode = writeProtected ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    return QFileInfo::exists(hostPath(name)) && openHandle(handle, name, mode);
}

bool SdCard::closeFile(int handle)
{
    if (!handleFile(handle))
        return false;
    handles[handle - 1].reset();
    return true;
}

bool SdCard::write(int handle, const QByteArray &data)
{
    QFile *file = handleFile(handle);
    return !writeProtected && file && file->write(data) == data.size() && file->flush();
}

std::optional<QByteArray> SdCard::read(int handle, quint32 count)
{
    QFile *file = handleFile(handle);
    if (!file)
        return std::nullopt;
    return file->read(qint64(count));
}

std::optional<quint32> SdCard::size(int handle) const
{
    const QFile *file = handleFile(handle);
    return file ? std::optional<quint32>(quint32(file->size())) : std::nullopt;
}

std::optional<quint32> SdCard::position(int handle) const
{
    const QFile *file = handleFile(handle);
    return file ? std::optional<quint32>(quint32(file->pos())) : std::nullopt;
}

bool SdCard::remove(const QByteArray &name)
{
    const QString path = hostPath(name);
    if (writeProtected || path.isEmpty() || path == root)
        return false;
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(root).rmdir(path); // only an empty folder goes
    return QFile::remove(path);
}

bool SdCard::makeFolder(const QByteArray &name)
{
    const QString path = hostPath(name);
    return !writeProtected && !path.isEmpty() && !QFileInfo::exists(path) && QDir(root).mkdir(path);
}

std::optional<QByteArray> SdCard::listing(const QByteArray &folderName) const
{
    const QString path = hostPath(folderName);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return std::nullopt;
    QString text = QStringLiteral("Directory of /%1\n").arg(path.mid(root.size() + 1));
    const QDir folder(path);
    const auto entries =
        folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::DirsFirst | QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() && !isInside(entry.canonicalFilePath()))
            continue;
        text += entry.isDir() ? entry.fileName() + QLatin1Char('/')
                              : QStringLiteral("%1 %2").arg(entry.fileName()).arg(entry.size());
        text += QLatin1Char('\n');
    }
    return text.toLocal8Bit();
}

quint32 SdCard::usedBytes() const
{
    qint64 total = 0;
    QDirIterator files(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        total += files.fileInfo().size();
    }
    return quint32(std::min<qint64>(total, Capacity));
}

std::optional<quint32> SdCard::space(quint8 kind) const
{
    if (!inserted)
        return std::nullopt;
    switch (Space(kind)) {
    case Space::Free:
        return Capacity - usedBytes();
    case Space::Used:
        return usedBytes();
    case Space::Bad:
        return 0;
    case Space::Total:
        return Capacity;
    }
    return std::nullopt;
}

std::optional<QByteArray> SdCard::readFile(const QByteArray &name) const
{
    QFile file(hostPath(name));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool SdCard::exists(const QByteArray &name) const
{
    const QString path = hostPath(name);
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool SdCard::writeFile(const QByteArray &name, const QByteArray &bytes)
{
    const QString path = hostPath(name);
    if (writeProtected || path.isEmpty() || path == root)
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace vxsim
