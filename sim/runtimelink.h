#ifndef VXSIM_RUNTIMELINK_H
#define VXSIM_RUNTIMELINK_H

#include <QString>

namespace vxsim {

// Running simulators announce themselves in a folder per user:
// $XDG_RUNTIME_DIR/vexelsim when that variable is set, else
// /tmp/vexelsim-<uid>. Each holds one symbolic link "vexelsim-<pid>" whose
// target is the device path of its line.
QString runtimeLinkFolder(const QString &xdgRuntimeDir, uint uid);
QString runtimeLinkName(qint64 pid);

// The link of this process; removed again when the object goes.
class RuntimeLink
{
public:
    RuntimeLink() = default;
    RuntimeLink(const RuntimeLink &) = delete;
    RuntimeLink &operator=(const RuntimeLink &) = delete;
    ~RuntimeLink() { remove(); }

    // Creates the folder (mode 0700) when missing; refuses one that is not
    // a real folder of this user.
    bool create(const QString &folder, qint64 pid, const QString &target, QString *error);
    void remove();
    QString path() const { return linkPath; }

    // Links left behind by simulators that were killed outright.
    static void removeStale(const QString &folder);

private:
    QString linkPath;
};

} // namespace vxsim

#endif // VXSIM_RUNTIMELINK_H
