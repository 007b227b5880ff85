#include "serial/serialport.h"

// Deliberately leaked: destroying a QSerialPort after the application object
// is gone would tear down its notifiers too late.
QSerialPort &serialPort = *new QSerialPort;
