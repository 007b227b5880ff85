#ifndef VXSIM_MODULELOG_H
#define VXSIM_MODULELOG_H

#include <QLoggingCategory>

namespace vxsim {

// What the module says about the bytes it reads (a code it does not know,
// an image it cannot find), in the category "vexelsim", so that the line
// still begins "vexelsim: ". Whoever runs the simulator reads it on standard
// error; a viewer that names such problems itself turns the category off
// (moduleLogCategory().setEnabled()).
QLoggingCategory &moduleLogCategory();
// The same for qCWarning(), which takes a function returning it as const.
const QLoggingCategory &moduleLog();

} // namespace vxsim

#endif // VXSIM_MODULELOG_H
