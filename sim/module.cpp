#include "module.h"

#include "bitmapfont.h"
#include "modulelog.h"
#include "raster.h"

#include <QBuffer>
#include <QTimer>

#include <algorithm>

namespace vxsim {

const QByteArray Module::VersionText = QByteArrayLiteral("Vexel900 simulator 1.0");
const QByteArray Module::SerialNumber = QByteArray::fromHex("5658393030000001");

namespace {

constexpr quint8 NoButtonTouched = 0x7F;
constexpr quint8 TouchReportCode = 0x81;
constexpr int BeepUnitMs = 10;

QByteArray statusReply(bool ok)
{
    return QByteArray("?") + char(ok ? 1 : 0);
}

QByteArray valueReply(std::optional<quint32> value)
{
    if (!value)
        return statusReply(false);
    QByteArray bytes("=");
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char(*value >> shift));
    return bytes;
}

QByteArray textReply(const QByteArray &text)
{
    return text + '\0';
}

Orientation orientationOf(Command command)
{
    return Orientation(int(command) - int(Command::SetNorth));
}

} // namespace

Module::Module(std::unique_ptr<SdCard> card, std::optional<FlashImage> flash, QObject *parent)
    : QObject(parent), card(std::move(card)), flash(std::move(flash))
{
    startUp();
}

void Module::startUp()
{
    now.parser = FrameParser();
    now.screen = Screen();
    now.ink = 0xFFFF;
    now.paper = 0x0000;
    now.position = {};
    now.font = 0;
    now.buttons.clear();
    now.pressedButton.reset();
    const StartupSettings settings = flash ? flash->startup() : StartupSettings{};
    now.screen.setBacklightOn(settings.backlightOn);
    now.screen.setBrightness(settings.brightness);
    now.touchProtocol = settings.touchProtocol;
    now.parser.setExtendedMode(settings.extendedMode);
    if (settings.startScreen == StartupSettings::ColourScreen) {
        now.screen.fillLayer(settings.startColour);
    } else if (settings.startScreen == StartupSettings::ImageScreen && flash) {
        now.position = {settings.startX, settings.startY};
        putIcon(flash->icon(settings.startImage), "start screen image");
        now.position = {};
    } else {
        const QByteArray greeting = "Vexel900 simulator";
        const int width = greeting.size() * BitmapFont::CellWidth;
        drawText(now.screen, {(now.screen.width() - width) / 2, now.screen.height() / 2 - 4},
                 greeting, {});
    }
}

void Module::restoreState(const State &state)
{
    now = state;
    emit screenChanged();
}

void Module::restart()
{
    for (int handle : {1, 2})
        card->closeFile(handle);
    setBuzzer(false);
    startUp();
    emit screenChanged();
}

void Module::receive(const QByteArray &bytes)
{
    for (const Frame &frame : now.parser.feed(bytes)) {
        const QByteArray answer = execute(frame);
        if (!answer.isEmpty())
            emit reply(answer);
        if (frame.command() == Command::SerialNumber)
            emit serialOrResetReceived();
    }
}

QByteArray Module::execute(const Frame &frame)
{
    if (std::optional<QByteArray> answer = executeSystem(frame))
        return *answer;
    if (std::optional<QByteArray> answer = executeCard(frame))
        return *answer;
    if (executeDrawing(frame) || executeLayersAndButtons(frame))
        emit screenChanged();
    return {};
}

std::optional<QByteArray> Module::executeSystem(const Frame &frame)
{
    switch (frame.command()) {
    case Command::Ping:
        return QByteArray("8");
    case Command::GetVersion:
        return textReply(VersionText);
    case Command::SerialNumber:
        return SerialNumber;
    case Command::ShowSettings:
        return textReply(settingsText());
    case Command::ExtendedMode:
    case Command::StandardMode:
        return QByteArray(); // the parser already follows the mode
    case Command::CalibrateTouch:
        return QByteArray("="); // a simulated panel is calibrated from the start
    case Command::BuzzerOn:
    case Command::BuzzerOff:
        setBuzzer(frame.command() == Command::BuzzerOn);
        return QByteArray();
    case Command::Beep:
        setBuzzer(true);
        QTimer::singleShot(frame.byte(0) * BeepUnitMs, this, [this] { setBuzzer(false); });
        return QByteArray();
    case Command::CaptureScreen:
        return captureScreen();
    default:
        return std::nullopt;
    }
}

std::optional<QByteArray> Module::executeCard(const Frame &frame)
{
    switch (frame.command()) {
    case Command::SdFileCreate:
        return statusReply(card->createFile(frame.byte(0), frame.tail));
    case Command::SdFileOpen:
        return statusReply(card->openFile(frame.byte(0), frame.tail));
    case Command::SdFileClose:
        return statusReply(card->closeFile(frame.byte(0)));
    case Command::SdFileWrite:
        return statusReply(card->write(frame.byte(0), frame.tail));
    case Command::SdFileRead:
        return card->read(frame.byte(0), frame.littleEndian32(1)).value_or(QByteArray());
    case Command::SdFileDelete:
        return statusReply(card->remove(frame.tail));
    case Command::SdFileGetSize:
        return valueReply(card->size(frame.byte(0)));
    case Command::SdFileTell:
        return valueReply(card->position(frame.byte(0)));
    case Command::SdFileList: {
        const std::optional<QByteArray> listing = card->listing(frame.tail);
        return listing ? textReply(*listing) : statusReply(false);
    }
    case Command::SdInserted:
        return QByteArray(card->isInserted() ? "=" : ">");
    case Command::SdSpaceInfo:
        return valueReply(card->space(frame.byte(0)));
    case Command::SdFolderCreate:
        return statusReply(card->makeFolder(frame.tail));
    default:
        return std::nullopt;
    }
}

QPoint Module::pointOf(const Frame &frame) const
{
    // In extended mode the frame is one byte longer and Y has 16 bits.
    const int y = frame.head.size() == 4 ? frame.bigEndian16(2) : frame.byte(2);
    return {frame.bigEndian16(0), y};
}

bool Module::executeDrawing(const Frame &frame)
{
    switch (frame.command()) {
    case Command::Cls:
        now.screen.fillLayer(now.ink);
        now.position = {};
        return true;
    case Command::SetColor:
        now.ink = frame.littleEndian16(0);
        return false;
    case Command::SetBgColor:
        now.paper = frame.littleEndian16(0);
        return false;
    case Command::SelectFont:
        now.font = frame.byte(0);
        return false;
    case Command::PrintString:
    case Command::PrintStringBg:
        printText(frame.tail, frame.command() == Command::PrintStringBg);
        return true;
    case Command::SetXY:
        now.position = pointOf(frame);
        return false;
    case Command::LineToXY:
        drawLine(now.screen, now.position, pointOf(frame), now.ink);
        now.position = pointOf(frame);
        return true;
    case Command::SetNorth:
    case Command::SetEast:
    case Command::SetSouth:
    case Command::SetWest:
        now.screen.setOrientation(orientationOf(frame.command()));
        return true;
    case Command::LightOn:
    case Command::LightOff:
        now.screen.setBacklightOn(frame.command() == Command::LightOn);
        return true;
    case Command::BacklightLevel:
        now.screen.setBrightness(frame.byte(0));
        return true;
    case Command::Arc:
        drawArc(now.screen, now.position, frame.bigEndian16(0), frame.bigEndian16(2),
                frame.bigEndian16(4), now.ink);
        return true;
    case Command::Box:
        drawBox(now.screen, now.position, {frame.bigEndian16(0), frame.byte(2)}, now.ink);
        return true;
    case Command::BoxFill:
        fillBox(now.screen, now.position, {frame.bigEndian16(0), frame.byte(2)}, now.ink);
        return true;
    case Command::Circle:
        drawCircle(now.screen, now.position, frame.bigEndian16(0), now.ink);
        return true;
    case Command::HLine:
        drawHorizontalLine(now.screen, now.position.x(), frame.bigEndian16(0), now.position.y(),
                           now.ink);
        return true;
    case Command::VLine:
        drawVerticalLine(now.screen, now.position.x(), now.position.y(), frame.byte(0), now.ink);
        return true;
    case Command::SdPutIcon:
        putIcon(cardIcon(frame.tail), "card image " + frame.tail);
        return true;
    case Command::PutSfIcon:
        putIcon(flash ? flash->icon(frame.byte(0)) : std::nullopt,
                "flash image " + QByteArray::number(frame.byte(0)));
        return true;
    default:
        return false;
    }
}

bool Module::executeLayersAndButtons(const Frame &frame)
{
    switch (frame.command()) {
    case Command::DrawLayer:
        now.screen.setDrawLayer(frame.byte(0));
        return false;
    case Command::LayerVisibility:
        now.screen.setLayerVisible(frame.byte(0), frame.byte(1) != 0);
        return true;
    case Command::ColorKey:
        now.screen.setColorKey(frame.littleEndian16(0));
        return true;
    case Command::ButtonDefine:
        defineButton(frame);
        return true;
    case Command::ButtonState:
        setButtonState(frame.byte(0), frame.byte(1));
        return true;
    case Command::TouchProtocol:
        now.touchProtocol = frame.byte(0);
        return false;
    default:
        return false;
    }
}

void Module::printText(const QByteArray &text, bool withBackground)
{
    TextStyle style;
    style.scale = 1 + now.font % 4;
    style.ink = now.ink;
    if (withBackground)
        style.paper = now.paper;
    now.position.rx() += drawText(now.screen, now.position, text, style);
}

std::optional<Icon> Module::cardIcon(const QByteArray &name) const
{
    const std::optional<QByteArray> bytes = card->readFile(name);
    if (!bytes)
        return std::nullopt;
    return name.toLower().endsWith(".bmp") ? iconFromBitmap(*bytes) : iconFromVxp(*bytes);
}

void Module::putIcon(const std::optional<Icon> &icon, const QByteArray &what)
{
    if (!icon) {
        qCWarning(moduleLog, "%s not found or not readable", what.constData());
        return;
    }
    drawIcon(now.screen, now.position, *icon);
}

void Module::defineButton(const Frame &frame)
{
    TouchButton button;
    button.number = frame.byte(0);
    button.state = frame.byte(1);
    button.images = {frame.byte(2), frame.byte(3), frame.byte(4)};
    button.area = QRect(frame.bigEndian16(5), frame.byte(7), frame.byte(8), frame.byte(9));
    button.orientation = now.screen.orientation();
    now.buttons.insert(button.number, button);
    drawButton(button);
}

void Module::setButtonState(quint8 number, quint8 state)
{
    auto found = now.buttons.find(number);
    if (found == now.buttons.end())
        return;
    found->state = state;
    drawButton(*found);
    if (state == TouchButton::Deleted)
        now.buttons.erase(found);
}

void Module::drawButton(const TouchButton &button)
{
    if (button.area.isEmpty())
        return;
    const Orientation current = now.screen.orientation();
    now.screen.setOrientation(button.orientation);
    drawButtonFace(button);
    now.screen.setOrientation(current);
}

void Module::drawButtonFace(const TouchButton &button)
{
    if (button.state < TouchButton::Up || button.state > TouchButton::Disabled) {
        // Hidden and deleted buttons leave the background colour behind.
        fillBox(now.screen, button.area.topLeft(), button.area.bottomRight(), now.paper);
        return;
    }
    const quint8 image = button.images[button.state - TouchButton::Up];
    const std::optional<Icon> icon = flash ? flash->icon(image) : std::nullopt;
    if (icon)
        drawIcon(now.screen, button.area.topLeft(), *icon, button.area.size());
    else
        drawPlaceholder(button, image);
}

// Without a flash image a button still shows where it is and what state it
// is in: a framed face whose shade follows the state, labelled with the
// number of the image it would show.
void Module::drawPlaceholder(const TouchButton &button, quint8 image)
{
    struct Look
    {
        quint16 face, edge, label;
    };
    static const Look looks[] = {
        {0xC618, 0xFFFF, 0x0000}, // up: light grey
        {0x4208, 0xFFFF, 0xFFFF}, // down: dark grey
        {0x8410, 0x4208, 0xC618}, // disabled: mid grey, dark edge
    };
    const Look &look = looks[button.state - TouchButton::Up];
    const QRect area = button.area;
    fillBox(now.screen, area.topLeft(), area.bottomRight(), look.face);
    drawBox(now.screen, area.topLeft(), area.bottomRight(), look.edge);
    const QByteArray label = QByteArray::number(image);
    const QPoint labelAt(area.center().x() + 1 - label.size() * BitmapFont::CellWidth / 2,
                         area.center().y() + 1 - BitmapFont::CellHeight / 2);
    TextStyle style;
    style.ink = look.label;
    drawText(now.screen, labelAt, label, style);
}

void Module::press(QPoint panelPoint)
{
    const QPoint onPanel(std::clamp(panelPoint.x(), 0, Screen::PanelWidth - 1),
                         std::clamp(panelPoint.y(), 0, Screen::PanelHeight - 1));
    const QPoint point = now.screen.toLogical(onPanel);
    quint8 touched = NoButtonTouched;
    for (TouchButton &button : now.buttons) {
        const QPoint onButton = Screen::toLogical(onPanel, button.orientation);
        if (button.area.contains(onButton) && button.state == TouchButton::Up) {
            touched = button.number & 0x7F;
            now.pressedButton = button.number;
            button.state = TouchButton::Down;
            drawButton(button);
            emit screenChanged();
            break;
        }
    }
    if (now.touchProtocol == 0)
        return; // protocol "None": the module keeps touches to itself
    const char report[] = {char(TouchReportCode), char(point.x() & 0x7F), char(point.x() >> 7),
                           char(touched),         char(point.y() & 0x7F), char(point.y() >> 7)};
    emit reply(QByteArray(report, sizeof report));
}

void Module::release()
{
    if (!now.pressedButton)
        return;
    auto found = now.buttons.find(*now.pressedButton);
    now.pressedButton.reset();
    if (found != now.buttons.end() && found->state == TouchButton::Down) {
        found->state = TouchButton::Up;
        drawButton(*found);
        emit screenChanged();
    }
}

QByteArray Module::captureScreen()
{
    for (int n = 0; n < 10000; ++n) {
        const QByteArray name = QStringLiteral("CAP%1.BMP").arg(n, 4, 10, QChar('0')).toLatin1();
        if (card->exists(name))
            continue;
        QBuffer bitmap;
        bitmap.open(QIODevice::WriteOnly);
        now.screen.composed().save(&bitmap, "BMP");
        return statusReply(card->writeFile(name, bitmap.data()));
    }
    return statusReply(false);
}

void Module::setBuzzer(bool on)
{
    if (on == buzzing)
        return;
    buzzing = on;
    emit buzzerChanged(on);
}

QByteArray Module::settingsText() const
{
    static const char *const orientations[] = {"north", "east", "south", "west"};
    return QStringLiteral("backlight=%1 brightness=%2 mode=%3 orientation=%4 layer=%5 "
                          "visible=%6%7 key=%8 touch=%9 card=%10")
        .arg(now.screen.isBacklightOn() ? "on" : "off")
        .arg(int(now.screen.brightness()))
        .arg(now.parser.extendedMode() ? "extended" : "standard")
        .arg(orientations[int(now.screen.orientation())])
        .arg(now.screen.drawLayer())
        .arg(now.screen.isLayerVisible(0) ? "0" : "")
        .arg(now.screen.isLayerVisible(1) ? "1" : "")
        .arg(now.screen.colorKey(), 4, 16, QChar('0'))
        .arg(uint(now.touchProtocol), 2, 16, QChar('0'))
        .arg(card->isInserted() ? "inserted" : "none")
        .toLatin1();
}

} // namespace vxsim
