#ifndef VXSIM_HELPTEXT_H
#define VXSIM_HELPTEXT_H

#include <QString>

// What `vexelsim --help` says beyond the options: how to find the simulator
// and everything it assumes where the module's behaviour is not written down.
QString helpDescription();

#endif // VXSIM_HELPTEXT_H
