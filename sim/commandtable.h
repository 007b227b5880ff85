#ifndef VXSIM_COMMANDTABLE_H
#define VXSIM_COMMANDTABLE_H

#include <QVector>
#include <QtGlobal>

namespace vxsim {

// Every code the module understands, named as in the module's command vocabulary.
enum class Command : quint8
{
    Cls = 0x21,
    LightOn = 0x22,
    LightOff = 0x23,
    SelectFont = 0x2B,
    PrintString = 0x2D,
    DrawLayer = 0x31,
    ColorKey = 0x32,
    LayerVisibility = 0x33,
    PrintStringBg = 0x3D,
    VLine = 0x41,
    CaptureScreen = 0x44,
    SdFolderCreate = 0x46,
    SdSpaceInfo = 0x48,
    SdInserted = 0x49,
    PutSfIcon = 0x58,
    SetNorth = 0x60,
    SetEast = 0x61,
    SetSouth = 0x62,
    SetWest = 0x63,
    SdPutIcon = 0x70,
    SdFileOpen = 0x71,
    SdFileClose = 0x72,
    SdFileGetSize = 0x74,
    SdFileRead = 0x75,
    SdFileCreate = 0x76,
    SdFileWrite = 0x77,
    SdFileList = 0x79,
    SdFileTell = 0x7B,
    SdFileDelete = 0x7D,
    BacklightLevel = 0x80,
    GetVersion = 0x81,
    Ping = 0x83,
    SetColor = 0x84,
    SetXY = 0x85,
    LineToXY = 0x88,
    Circle = 0x89,
    Arc = 0x8F,
    SetBgColor = 0x94,
    HLine = 0xA0,
    Box = 0xA2,
    BoxFill = 0xA3,
    ButtonDefine = 0xB0,
    ButtonState = 0xB1,
    TouchProtocol = 0xB2,
    BuzzerOff = 0xD0,
    BuzzerOn = 0xD1,
    Beep = 0xD2,
    CalibrateTouch = 0xEF,
    ExtendedMode = 0xFB,
    StandardMode = 0xFC,
    SerialNumber = 0xFD,
    ShowSettings = 0xFE,
};

// How the end of a frame is found; nothing on the wire carries a length.
enum class FrameShape
{
    Fixed,       // headSize argument bytes
    ModeXY,      // x as 16 bits, then y as one byte (standard mode) or 16 bits (extended)
    Text,        // headSize argument bytes, then text up to and including a zero byte
    CountedData, // headSize argument bytes ending in a 32-bit LE count, then that many bytes
};

struct CommandInfo
{
    Command command;
    const char *name;
    FrameShape shape;
    int headSize; // argument bytes after the code, before any text or data
};

const CommandInfo *findCommand(quint8 code);
const QVector<CommandInfo> &allCommands();

} // namespace vxsim

#endif // VXSIM_COMMANDTABLE_H
