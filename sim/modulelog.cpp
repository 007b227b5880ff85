#include "modulelog.h"

namespace vxsim {

QLoggingCategory &moduleLogCategory()
{
    static QLoggingCategory category("vexelsim");
    return category;
}

const QLoggingCategory &moduleLog()
{
    return moduleLogCategory();
}

} // namespace vxsim
