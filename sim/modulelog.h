#ifndef VXSIM_MODULELOG_H
#define VXSIM_MODULELOG_H

#include <QLoggingCategory>

namespace vxsim {

// What the module says about the bytes it reads (a code it does not know,
// an image it cannot find), in the category "vexelsim", so that the line
// still begins "vexelsim: ". Whoever runs the simulator reads it on standard
// error; a viewer that names such problems itself turns it off.
const QLoggingCategory &moduleLog();
void showModuleMessages(bool shown);

} // namespace vxsim

#endif // VXSIM_MODULELOG_H
