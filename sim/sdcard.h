#ifndef VXSIM_SDCARD_H
#define VXSIM_SDCARD_H

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace vxsim {

// The module's SD card, kept in a folder of the host. Names come from the
// wire and are never trusted: anything that would reach outside the folder
// (absolute names, "..", links leading out) is refused, so the card cannot
// touch a file that is not its own.
class SdCard
{
public:
    static constexpr quint32 Capacity = 1u << 30; // what "total" reports, in bytes
    enum class Space : quint8
    {
        Free = 0,
        Used = 1,
        Bad = 2,
        Total = 3
    };

    // `folder` must exist; without `inserted` the slot is empty and every
    // file operation fails.
    SdCard(const QString &folder, bool inserted);

    bool isInserted() const { return inserted; }
    // A locked card, as with the switch on its side: it reads as before,
    // but every command that would change a file or folder fails, so its
    // folder stays exactly as it was.
    void setWriteProtected(bool locked) { writeProtected = locked; }
    bool isWriteProtected() const { return writeProtected; }

    // Files 1 and 2 are the handles; create truncates or makes the file.
    bool createFile(int handle, const QByteArray &name);
    bool openFile(int handle, const QByteArray &name);
    bool closeFile(int handle);
    bool write(int handle, const QByteArray &data);
    std::optional<QByteArray> read(int handle, quint32 count);
    std::optional<quint32> size(int handle) const;
    std::optional<quint32> position(int handle) const;

    bool remove(const QByteArray &name);
    bool makeFolder(const QByteArray &name);
    // "Directory of /NAME", then one line per entry: folders as "NAME/",
    // files as "NAME SIZE". An empty name lists the card's top folder.
    std::optional<QByteArray> listing(const QByteArray &folderName) const;
    std::optional<quint32> space(quint8 kind) const;

    std::optional<QByteArray> readFile(const QByteArray &name) const;
    bool exists(const QByteArray &name) const;
    bool writeFile(const QByteArray &name, const QByteArray &bytes);

    // The host path for a card name, or an empty string when it is refused.
    QString hostPath(const QByteArray &name) const;

private:
    QFile *handleFile(int handle) const;
    bool openHandle(int handle, const QByteArray &name, QIODevice::OpenMode mode);
    bool isInside(const QString &canonicalPath) const;
    quint32 usedBytes() const;

    QString root; // canonical
    bool inserted;
    bool writeProtected = false;
    std::array<std::unique_ptr<QFile>, 2> handles;
};

} // namespace vxsim

#endif // VXSIM_SDCARD_H
