#include "modulelog.h"

namespace vxsim {

QLoggingCategory &moduleLog()
{
    static QLoggingCategory category("vexelsim");
    return category;
}

} // namespace vxsim
