#ifndef SERIALPORT_H
#define SERIALPORT_H

#include <QSerialPort>

// The bench's one serial port, shared by every slot. It exists before the
// window and is never deleted: the operating system releases the port when
// the process ends.
extern QSerialPort &serialPort;

#endif // SERIALPORT_H
