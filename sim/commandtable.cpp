#include "commandtable.h"

#include <array>

namespace vxsim {

const QVector<CommandInfo> &allCommands()
{
    using C = Command;
    using S = FrameShape;
    static const QVector<CommandInfo> table = {
        {C::Cls, "Cls", S::Fixed, 0},
        {C::LightOn, "LightOn", S::Fixed, 0},
        {C::LightOff, "LightOFf", S::Fixed, 0},
        {C::SelectFont, "select_font", S::Fixed, 1},
        {C::PrintString, "printString", S::Text, 0},
        {C::DrawLayer, "draw layer", S::Fixed, 1},
        {C::ColorKey, "colour key", S::Fixed, 2},
        {C::LayerVisibility, "layer visibility", S::Fixed, 2},
        {C::PrintStringBg, "PRINT_STRING_BG", S::Text, 0},
        {C::VLine, "V_LINE", S::Fixed, 1},
        {C::CaptureScreen, "captureScreen", S::Fixed, 0},
        {C::SdFolderCreate, "SD_FOLDER_CREATE", S::Text, 0},
        {C::SdSpaceInfo, "SD_SPACE_INFO", S::Fixed, 1},
        {C::SdInserted, "SD_INSERTED", S::Fixed, 0},
        {C::PutSfIcon, "PUT_SF_ICON", S::Fixed, 1},
        {C::SetNorth, "setNorth", S::Fixed, 0},
        {C::SetEast, "setEast", S::Fixed, 0},
        {C::SetSouth, "setSouth", S::Fixed, 0},
        {C::SetWest, "setWest", S::Fixed, 0},
        {C::SdPutIcon, "sdPutIcon", S::Text, 0},
        {C::SdFileOpen, "SD_FILE_OPEN", S::Text, 1},
        {C::SdFileClose, "SD_FILE_CLOSE", S::Fixed, 1},
        {C::SdFileGetSize, "SD_FILE_GET_SIZE", S::Fixed, 1},
        {C::SdFileRead, "SD_FILE_READ", S::Fixed, 5},
        {C::SdFileCreate, "SD_FILE_CREATE", S::Text, 1},
        {C::SdFileWrite, "SD_FILE_WRITE", S::CountedData, 5},
        {C::SdFileList, "SD_FILE_LIST", S::Text, 0},
        {C::SdFileTell, "SD_FILE_TELL", S::Fixed, 1},
        {C::SdFileDelete, "SD_FILE_DELETE", S::Text, 0},
        {C::BacklightLevel, "BacklightLevel", S::Fixed, 1},
        {C::GetVersion, "GETVERSION", S::Fixed, 0},
        {C::Ping, "ping", S::Fixed, 0},
        {C::SetColor, "SetColorH", S::Fixed, 2},
        {C::SetXY, "SetXHY", S::ModeXY, 0},
        {C::LineToXY, "LINE_TO_XHY", S::ModeXY, 0},
        {C::Circle, "circleRH", S::Fixed, 2},
        {C::Arc, "arcH", S::Fixed, 6},
        {C::SetBgColor, "SET_BG_COLORH", S::Fixed, 2},
        {C::HLine, "H_LINEH", S::Fixed, 2},
        {C::Box, "boxH", S::Fixed, 3},
        {C::BoxFill, "boxHFill", S::Fixed, 3},
        {C::ButtonDefine, "button definition", S::Fixed, 10},
        {C::ButtonState, "button state", S::Fixed, 2},
        {C::TouchProtocol, "touch protocol", S::Fixed, 1},
        {C::BuzzerOff, "buzzer off", S::Fixed, 0},
        {C::BuzzerOn, "buzzer on", S::Fixed, 0},
        {C::Beep, "beep", S::Fixed, 1},
        {C::CalibrateTouch, "calibrate touch", S::Fixed, 0},
        {C::ExtendedMode, "extended mode", S::Fixed, 0},
        {C::StandardMode, "standard mode", S::Fixed, 0},
        {C::SerialNumber, "serial number", S::Fixed, 0},
        {C::ShowSettings, "show settings", S::Fixed, 0},
    };
    return table;
}

const CommandInfo *findCommand(quint8 code)
{
    // Indexed once so that every byte of a long stream costs one lookup.
    static const std::array<const CommandInfo *, 256> byCode = [] {
        std::array<const CommandInfo *, 256> index{};
        for (const CommandInfo &info : allCommands())
            index[quint8(info.command)] = &info;
        return index;
    }();
    return byCode[code];
}

} // namespace vxsim
