#ifndef CONFIGKEYS_H
#define CONFIGKEYS_H

// Section and key names of Config.txt, shared by the writer and the reader.
// The reader matches them without regard to letter case.
namespace ConfigKey {
constexpr char startupSection[] = "Startup";
constexpr char fontsSection[] = "Fonts";
constexpr char imagesSection[] = "Images";

constexpr char extendedMode[] = "ExtendedMode";
constexpr char usbMode[] = "USBMode";
constexpr char backlight[] = "Backlight";
constexpr char brightness[] = "Brightness";
constexpr char startScreen[] = "StartScreen";
constexpr char imageNumber[] = "ImageNumber";
constexpr char imageX[] = "ImageX";
constexpr char imageY[] = "ImageY";
constexpr char startScreenColor[] = "SSColor";
constexpr char touchScreen[] = "TouchScreen";
constexpr char serialBaudRate[] = "SerialBaudRate";
constexpr char transmitter[] = "Transmitter";

constexpr char on[] = "On";
constexpr char off[] = "Off";
} // namespace ConfigKey

#endif // CONFIGKEYS_H
