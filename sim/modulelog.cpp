#include "modulelog.h"

namespace vxsim {

namespace {

QLoggingCategory &category()
{
    static QLoggingCategory log("vexelsim");
    return log;
}

} // namespace

const QLoggingCategory &moduleLog()
{
    return category();
}

void showModuleMessages(bool shown)
{
    category().setEnabled(QtWarningMsg, shown);
}

} // namespace vxsim
