#ifndef VXSIM_MODULE_H
#define VXSIM_MODULE_H

#include "flashimage.h"
#include "frameparser.h"
#include "screen.h"
#include "sdcard.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <array>
#include <memory>
#include <optional>

namespace vxsim {

struct TouchButton
{
    enum State : quint8
    {
        Deleted = 0,
        Up = 1,
        Down = 2,
        Disabled = 3,
        Invisible = 4
    };

    quint8 number = 0;
    quint8 state = Up;
    std::array<quint8, 3> images{}; // shown in the up, down and disabled states
    QRect area;
    Orientation orientation = Orientation::North; // a button stays where it was put
};

// The simulated Vexel900: takes the bench's bytes, draws, keeps the card,
// and answers in the shapes the bench decodes.
class Module : public QObject
{
    Q_OBJECT

public:
    static const QByteArray VersionText;
    static const QByteArray SerialNumber;

    // What the module keeps in its own memory, as a value: taken at one
    // point of a run, it lets a viewer go back there without sending the
    // bytes before it again. The card is not in it: its files, and the
    // files open on it, stay as they are. Neither is the buzzer.
    struct State
    {
        FrameParser parser;
        Screen screen;
        quint16 ink{};
        quint16 paper{};
        QPoint position;
        quint8 font{};
        quint8 touchProtocol{};
        QMap<quint8, TouchButton> buttons;
        std::optional<quint8> pressedButton;
    };

    // `flash` may be empty; its start-up settings apply at once when given.
    Module(std::unique_ptr<SdCard> card, std::optional<FlashImage> flash,
           QObject *parent = nullptr);

    void receive(const QByteArray &bytes);
    // Power off and on: everything but the card's files and the flash image
    // starts afresh.
    void restart();
    // The line went away in the middle of a frame; its start is no use.
    void dropPartialFrame() { now.parser.dropPending(); }
    // A finger on the panel, in panel pixels whatever the orientation.
    void press(QPoint panelPoint);
    void release();

    const Screen &display() const { return now.screen; }
    bool isBuzzerOn() const { return buzzing; }
    const QMap<quint8, TouchButton> &touchButtons() const { return now.buttons; }
    // Bytes read as no command so far, skipped to find the next frame.
    int skippedBytes() const { return now.parser.skippedBytes(); }
    // See Screen::setWriteTag: who drew each pixel, for a viewer.
    void setWriteTag(int tag) { now.screen.setWriteTag(tag); }

    State state() const { return now; }
    // The memory itself, for a look without a copy of the screen.
    const State &memory() const { return now; }
    void restoreState(const State &state);

signals:
    void reply(const QByteArray &bytes);
    void screenChanged();
    void buzzerChanged(bool on);
    // A frame of code FD was answered. Get Serial and Reset Vexel share the
    // code and nothing else, so whoever plays a reset cannot tell them apart.
    void serialOrResetReceived();

private:
    void startUp();
    QByteArray execute(const Frame &frame);
    std::optional<QByteArray> executeSystem(const Frame &frame);
    std::optional<QByteArray> executeCard(const Frame &frame);
    bool executeDrawing(const Frame &frame);
    bool executeLayersAndButtons(const Frame &frame);

    QPoint pointOf(const Frame &frame) const;
    void printText(const QByteArray &text, bool withBackground);
    void putIcon(const std::optional<Icon> &icon, const QByteArray &what);
    std::optional<Icon> cardIcon(const QByteArray &name) const;
    void defineButton(const Frame &frame);
    void setButtonState(quint8 number, quint8 state);
    void drawButton(const TouchButton &button);
    void drawButtonFace(const TouchButton &button);
    void drawPlaceholder(const TouchButton &button, quint8 image);
    QByteArray captureScreen();
    void setBuzzer(bool on);
    QByteArray settingsText() const;

    std::unique_ptr<SdCard> card;
    std::optional<FlashImage> flash;
    State now; // the module's memory, set at start-up
    bool buzzing = false;
};

} // namespace vxsim

#endif // VXSIM_MODULE_H
