#ifndef COMMANDSET_H
#define COMMANDSET_H

#include <QtGlobal>

#include <array>
#include <cstddef>

// The module's command vocabulary, in one table: every frame builder, command
// log line, SD card slot and the reply reader take their codes and layouts
// from here.

enum class Command
{
    // Screen
    Cls,
    SetColorH,
    SetBgColorH,
    SelectFont,
    PrintString,
    PrintStringBg,
    SetXHY,
    SetNorth,
    SetEast,
    SetSouth,
    SetWest,
    LightOn,
    LightOff,
    BacklightLevel,
    ArcH,
    BoxH,
    BoxHFill,
    CircleRH,
    HLineH,
    VLine,
    LineToXHY,
    SdPutIcon,
    PutSfIcon,
    CaptureScreen,
    // Touch buttons
    ButtonDef,
    ButtonState,
    TouchProtocol,
    CalibrateTouch,
    // Layers, modes, buzzer, system
    SetLayer,
    LayerVisibility,
    ColorKey,
    StandardMode,
    ExtendedMode,
    BuzzerOn,
    BuzzerOff,
    Beep,
    Ping,
    GetSerial,
    ResetVexel,
    ShowSettings,
    GetVersion,
    // SD card files
    SdFileCreate,
    SdFileOpen,
    SdFileClose,
    SdFileWrite,
    SdFileRead,
    SdFileDelete,
    SdFileGetSize,
    SdFileTell,
    SdFileList,
    SdInserted,
    SdSpaceInfo,
    SdFolderCreate,
    Count
};

// How one argument goes on the wire.
enum class Arg : quint8
{
    None,      // end of the argument list
    Byte,      // low 8 bits
    Word,      // low 16 bits, high byte first (coordinates, sizes, radii)
    ColorWord, // 16 bits, low byte first (RGB565 colours and the colour key)
    Angle,     // degrees in turn units (360 degrees = 0x4000), high byte first
    Count32,   // 32 bits, low byte first (file sizes and byte counts)
    Y,         // a byte, or a Word while the module is in extended mode
    Text       // local 8-bit text and a closing zero; always the last argument
};

enum CommandFlag : unsigned
{
    NoFlags = 0,
    ArmsReply = 1 << 0,    // sets pendingCommand to its code before sending
    LogPadded = 1 << 1,    // log line "0xNN ..." in upper case
    LogBare = 1 << 2,      // log line "nn ..." in unpadded lower-case hex
    NeedsName = 1 << 3,    // refused with "Invalid Filename" when the name is empty
    ClearsResult = 1 << 4, // empties sdResult before sending
};

constexpr std::size_t maxArgs = 9; // the button definition has the most

struct CommandSpec
{
    Command id;
    quint8 code;
    const char *name; // the module's own name for it, shown in log lines
    std::array<Arg, maxArgs> args;
    // What a decoded frame calls each argument before the text, in order.
    std::array<const char *, maxArgs> labels;
    unsigned flags;

    constexpr bool has(CommandFlag flag) const { return (flags & flag) != 0; }
};

// The beep frame carries a fixed length; no widget sets it.
constexpr quint8 beepDuration = 0x14;

// Touch protocols the module offers.
enum TouchProtocolCode : quint8
{
    touchNone = 0x00,
    touchVxButton = 0x01,
    touchCuButton = 0x02,
    touchCalibratedXY = 0x40,
};

// Second argument of the layer visibility command.
constexpr quint8 layerHidden = 0;
constexpr quint8 layerShown = 1;

namespace commandset_detail {
using A = Arg;
constexpr unsigned Armed = ArmsReply;
constexpr unsigned SdNamed = ArmsReply | NeedsName | ClearsResult;
constexpr quint8 serialNumberCode = 0xFD; // "Get Serial" and "Reset Vexel" share it

// Ordered as the enum; checked below.
inline constexpr std::array<CommandSpec, std::size_t(Command::Count)> table{{
    {Command::Cls, 0x21, "Cls", {}, {}, NoFlags},
    {Command::SetColorH, 0x84, "SetColorH", {A::ColorWord}, {"color"}, LogPadded},
    {Command::SetBgColorH, 0x94, "SET_BG_COLORH", {A::ColorWord}, {"color"}, LogPadded},
    {Command::SelectFont, 0x2B, "select_font", {A::Byte}, {"font"}, LogBare},
    {Command::PrintString, 0x2D, "printString", {A::Text}, {}, NoFlags},
    {Command::PrintStringBg, 0x3D, "PRINT_STRING_BG", {A::Text}, {}, NoFlags},
    {Command::SetXHY, 0x85, "SetXHY", {A::Word, A::Y}, {"x", "y"}, LogBare},
    {Command::SetNorth, 0x60, "setNorth", {}, {}, NoFlags},
    {Command::SetEast, 0x61, "setEast", {}, {}, NoFlags},
    {Command::SetSouth, 0x62, "setSouth", {}, {}, NoFlags},
    {Command::SetWest, 0x63, "setWest", {}, {}, NoFlags},
    {Command::LightOn, 0x22, "LightOn", {}, {}, NoFlags},
    {Command::LightOff, 0x23, "LightOFf", {}, {}, NoFlags},
    {Command::BacklightLevel, 0x80, "BacklightLevel", {A::Byte}, {"level"}, LogBare},
    {Command::ArcH, 0x8F, "arcH", {A::Word, A::Angle, A::Angle}, {"radius", "from", "to"}, NoFlags},
    {Command::BoxH, 0xA2, "boxH", {A::Word, A::Byte}, {"x", "y"}, NoFlags},
    {Command::BoxHFill, 0xA3, "boxHFill", {A::Word, A::Byte}, {"x", "y"}, NoFlags},
    {Command::CircleRH, 0x89, "circleRH", {A::Word}, {"radius"}, NoFlags},
    {Command::HLineH, 0xA0, "H_LINEH", {A::Word}, {"x"}, NoFlags},
    {Command::VLine, 0x41, "V_LINE", {A::Byte}, {"y"}, NoFlags},
    {Command::LineToXHY, 0x88, "LINE_TO_XHY", {A::Word, A::Y}, {"x", "y"}, NoFlags},
    {Command::SdPutIcon, 0x70, "sdPutIcon", {A::Text}, {}, NoFlags},
    {Command::PutSfIcon, 0x58, "PUT_SF_ICON", {A::Byte}, {"icon"}, LogPadded},
    {Command::CaptureScreen, 0x44, "captureScreen", {}, {}, Armed},
    {Command::ButtonDef,
     0xB0,
     "buttonDef",
     {A::Byte, A::Byte, A::Byte, A::Byte, A::Byte, A::Word, A::Byte, A::Byte, A::Byte},
     {"button", "state", "up", "down", "disabled", "x", "y", "width", "height"},
     NoFlags},
    {Command::ButtonState, 0xB1, "buttonState", {A::Byte, A::Byte}, {"button", "state"}, NoFlags},
    {Command::TouchProtocol, 0xB2, "touchProtocol", {A::Byte}, {"protocol"}, NoFlags},
    {Command::CalibrateTouch, 0xEF, "calibrateTouch", {}, {}, Armed},
    {Command::SetLayer, 0x31, "setLayer", {A::Byte}, {"layer"}, NoFlags},
    {Command::LayerVisibility,
     0x33,
     "layerVisibility",
     {A::Byte, A::Byte},
     {"layer", "visible"},
     NoFlags},
    {Command::ColorKey, 0x32, "setColorKey", {A::ColorWord}, {"key"}, NoFlags},
    {Command::StandardMode, 0xFC, "setStandardMode", {}, {}, Armed},
    {Command::ExtendedMode, 0xFB, "setExtendedMode", {}, {}, Armed},
    {Command::BuzzerOn, 0xD1, "buzzerOn", {}, {}, NoFlags},
    {Command::BuzzerOff, 0xD0, "buzzerOff", {}, {}, NoFlags},
    {Command::Beep, 0xD2, "buzzerBeep", {A::Byte}, {"duration"}, NoFlags},
    {Command::Ping, 0x83, "ping", {}, {}, NoFlags},
    {Command::GetSerial, serialNumberCode, "getSerial", {}, {}, NoFlags},
    {Command::ResetVexel, serialNumberCode, "resetVEXEL", {}, {}, Armed},
    {Command::ShowSettings, 0xFE, "ShowSettings", {}, {}, Armed},
    {Command::GetVersion, 0x81, "GETVERSION", {}, {}, Armed},
    {Command::SdFileCreate, 0x76, "SD_FILE_CREATE", {A::Byte, A::Text}, {"file"}, SdNamed},
    {Command::SdFileOpen, 0x71, "SD_FILE_OPEN", {A::Byte, A::Text}, {"file"}, SdNamed},
    {Command::SdFileClose, 0x72, "SD_FILE_CLOSE", {A::Byte}, {"file"}, Armed},
    {Command::SdFileWrite, 0x77, "SD_FILE_WRITE", {A::Byte, A::Count32}, {"file", "size"}, Armed},
    {Command::SdFileRead, 0x75, "SD_FILE_READ", {A::Byte, A::Count32}, {"file", "count"}, Armed},
    {Command::SdFileDelete, 0x7D, "SD_FILE_DELETE", {A::Text}, {}, SdNamed},
    {Command::SdFileGetSize, 0x74, "SD_FILE_GET_SIZE", {A::Byte}, {"file"}, Armed | ClearsResult},
    {Command::SdFileTell, 0x7B, "SD_FILE_TELL", {A::Byte}, {"file"}, Armed | ClearsResult},
    {Command::SdFileList, 0x79, "SD_FILE_LIST", {A::Text}, {}, Armed | ClearsResult},
    {Command::SdInserted, 0x49, "SD_INSERTED", {}, {}, Armed | ClearsResult},
    {Command::SdSpaceInfo, 0x48, "SD_SPACE_INFO", {A::Byte}, {"which"}, Armed},
    {Command::SdFolderCreate, 0x46, "SD_FOLDER_CREATE", {A::Text}, {}, SdNamed},
}};

constexpr bool orderedAsEnum()
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (std::size_t(table[i].id) != i)
            return false;
    }
    return true;
}
static_assert(orderedAsEnum(), "command table must follow the order of enum Command");
} // namespace commandset_detail

constexpr const CommandSpec &spec(Command id)
{
    return commandset_detail::table[std::size_t(id)];
}

constexpr quint8 codeOf(Command id)
{
    return spec(id).code;
}

// The table's first command with `code`, or null. Commands sharing a code
// send the same frame, so the first one stands for all of them on the wire.
constexpr const CommandSpec *commandOfCode(quint8 code)
{
    for (const CommandSpec &command : commandset_detail::table) {
        if (command.code == code)
            return &command;
    }
    return nullptr;
}

// Whether sending `code` arms the reply reader, as read off the wire: a
// shared code arms it when any of its commands does.
constexpr bool codeArmsReply(quint8 code)
{
    for (const CommandSpec &command : commandset_detail::table) {
        if (command.code == code && command.has(ArmsReply))
            return true;
    }
    return false;
}

constexpr std::size_t argCount(const CommandSpec &command)
{
    std::size_t count = 0;
    while (count < maxArgs && command.args[count] != Arg::None)
        ++count;
    return count;
}

constexpr bool carriesText(const CommandSpec &command)
{
    const std::size_t count = argCount(command);
    return count > 0 && command.args[count - 1] == Arg::Text;
}

// Whether a command's bytes depend on the mode: a Y is wider in extended mode.
constexpr bool takesY(const CommandSpec &command)
{
    for (std::size_t i = 0; i < argCount(command); ++i) {
        if (command.args[i] == Arg::Y)
            return true;
    }
    return false;
}

// Bytes one argument takes on the wire; text has no fixed width (0).
constexpr int argWidth(Arg arg, bool extendedMode)
{
    switch (arg) {
    case Arg::Byte:
        return 1;
    case Arg::Word:
    case Arg::ColorWord:
    case Arg::Angle:
        return 2;
    case Arg::Count32:
        return 4;
    case Arg::Y:
        return extendedMode ? 2 : 1;
    case Arg::None:
    case Arg::Text:
        break;
    }
    return 0;
}

// All commands, for iterating (tests, reference pages).
constexpr const auto &allCommands()
{
    return commandset_detail::table;
}

namespace commandset_detail {
// Every argument before the text has a label, and nothing else has one.
constexpr bool labelsFitArguments()
{
    for (const CommandSpec &command : table) {
        const std::size_t labelled = argCount(command) - (carriesText(command) ? 1 : 0);
        for (std::size_t i = 0; i < maxArgs; ++i) {
            if ((command.labels[i] != nullptr) != (i < labelled))
                return false;
        }
    }
    return true;
}
static_assert(labelsFitArguments(), "every argument before the text needs a label");
} // namespace commandset_detail

#endif // COMMANDSET_H
