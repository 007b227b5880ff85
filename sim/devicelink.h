#ifndef VXSIM_DEVICELINK_H
#define VXSIM_DEVICELINK_H

#include <QString>

namespace vxsim {

// A symbolic link this process keeps at a path, pointing at the device of
// its line. It is replaced in one step when the line changes, so a reader
// never finds the path missing, and removed when the object goes.
class DeviceLink
{
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;
    ~DeviceLink() { remove(); }

    // Replaces a symbolic link at `path`, but nothing else: a file or folder
    // there is someone's data.
    bool place(const QString &path, const QString &target, QString *error);
    bool retarget(const QString &target, QString *error) { return place(linkPath, target, error); }
    // Leaves the path alone when another process has put its own link there since.
    void remove();

    bool isPlaced() const { return !linkPath.isEmpty(); }
    QString path() const { return linkPath; }

    static bool mayReplace(const QString &path, QString *error);

private:
    QString linkPath;
    QString linkTarget;
};

} // namespace vxsim

#endif // VXSIM_DEVICELINK_H
