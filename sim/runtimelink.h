#ifndef VXSIM_RUNTIMELINK_H
#define VXSIM_RUNTIMELINK_H

#include "devicelink.h"

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
    // Creates the folder (mode 0700) when missing; refuses one that is not
    // a real folder of this user. Called again, it points the link at a new
    // target in one step.
    bool create(const QString &folder, qint64 pid, const QString &target, QString *error);
    void remove() { link.remove(); }
    QString path() const { return link.path(); }

    // Links left behind by simulators that were killed outright.
    static void removeStale(const QString &folder);

private:
    DeviceLink link;
};

} // namespace vxsim

#endif // VXSIM_RUNTIMELINK_H
