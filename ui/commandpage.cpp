#include "ui/commandpage.h"
#include "ui_mainwindow.h"

#include "commands/colors.h"
#include "commands/outgoingfile.h"
#include "commands/replydecoder.h"
#include "serial/modulelink.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

namespace {

constexpr int startBrightness = 200;
// The demo lays out four 32-pixel buttons side by side, button n showing
// images n + 2 in every state.
constexpr int demoButtonCount = 4;
constexpr int demoButtonSize = 32;
constexpr int demoFirstImage = 2;

// The direction, layer and mode buttons act as groups without being exclusive
// ones, so a second click cannot uncheck the chosen button.
void checkOnly(QAbstractButton *chosen, const QVector<QAbstractButton *> &group)
{
    for (QAbstractButton *button : group)
        button->setChecked(button == chosen);
}

std::function<qint64()> valueOf(const QSpinBox *box)
{
    return [box] { return qint64(box->value()); };
}

std::function<qint64()> valueOf(const QAbstractSlider *slider)
{
    return [slider] { return qint64(slider->value()); };
}

// `offset` maps a combo box's rows onto the module's numbers.
std::function<qint64()> indexOf(const QComboBox *box, int offset = 0)
{
    return [box, offset] { return qint64(box->currentIndex() + offset); };
}

std::function<qint64()> fixed(qint64 value)
{
    return [value] { return value; };
}

} // namespace

CommandPage::CommandPage(Ui::MainWindow &form, ModuleLink &link, QWidget *window)
    : QObject(window), ui(form), link(link), window(window)
{
    setObjectName(QStringLiteral("commandPage"));
    ui.BrightSlider->setValue(startBrightness);
    ui.BrightNumber->setText(QString::number(startBrightness));
    for (QAbstractButton *button :
         {ui.setStandardMode, ui.setExtendedMode, ui.setLayer0, ui.setLayer1})
        button->setCheckable(true);
    ui.setStandardMode->setChecked(true);
    ui.setLayer0->setChecked(true);
    connectButtons();
}

// Every button that sends one command from its widgets. The module numbers
// the button states from 1 ("Up"); the combo box from 0.
QVector<CommandPage::CommandButton> CommandPage::commandButtons()
{
    const QVector<QAbstractButton *> directions = {ui.setNorth, ui.setEast, ui.setSouth,
                                                   ui.setWest};
    const QVector<QAbstractButton *> layers = {ui.setLayer0, ui.setLayer1};
    const QVector<QAbstractButton *> shown0 = {ui.setLayerVisible0, ui.setHideLayer0};
    const QVector<QAbstractButton *> shown1 = {ui.setLayerVisible1, ui.setHideLayer1};
    const QVector<QAbstractButton *> modes = {ui.setStandardMode, ui.setExtendedMode};
    const auto sdNumber = valueOf(ui.sdFileNumber);
    return {
        {ui.Cls, Command::Cls, {}},
        {ui.setColorH, Command::SetColorH, {[this] { return qint64(rgb565(foreground)); }}},
        {ui.set_bg_colorh, Command::SetBgColorH, {[this] { return qint64(rgb565(background)); }}},
        {ui.selectFont, Command::SelectFont, {valueOf(ui.fontNumber)}},
        {ui.printString, Command::PrintString, {}, ui.printStringText},
        {ui.PRINT_STRING_BG, Command::PrintStringBg, {}, ui.printStringText},
        {ui.setXHY, Command::SetXHY, {valueOf(ui.spinX), valueOf(ui.spinY)}},
        {ui.setNorth, Command::SetNorth, {}, nullptr, directions},
        {ui.setEast, Command::SetEast, {}, nullptr, directions},
        {ui.setSouth, Command::SetSouth, {}, nullptr, directions},
        {ui.setWest, Command::SetWest, {}, nullptr, directions},
        {ui.LightOn, Command::LightOn, {}},
        {ui.LightOFf, Command::LightOff, {}},
        {ui.pushButton_16, Command::BacklightLevel, {valueOf(ui.BrightSlider)}},
        {ui.arcH, Command::ArcH, {valueOf(ui.arcRadius), valueOf(ui.arcBegin), valueOf(ui.arcEnd)}},
        {ui.boxH, Command::BoxH, {valueOf(ui.boxHX), valueOf(ui.boxHY)}},
        {ui.boxHFill, Command::BoxHFill, {valueOf(ui.boxHFillX), valueOf(ui.boxHFillY)}},
        {ui.circleRH, Command::CircleRH, {valueOf(ui.circleRHRadius)}},
        {ui.H_LINEH, Command::HLineH, {valueOf(ui.H_LINEHX)}},
        {ui.V_LINE, Command::VLine, {valueOf(ui.VLINEY)}},
        {ui.LINE_TO_XHY, Command::LineToXHY, {valueOf(ui.LINE_TO_X), valueOf(ui.LINE_TO_Y)}},
        {ui.sdPutIcon, Command::SdPutIcon, {}, ui.sdPutIconFile},
        {ui.put_sf_icon, Command::PutSfIcon, {valueOf(ui.PUT_SF_ICON_NO)}},
        {ui.captureScreen, Command::CaptureScreen, {}},
        {ui.buttonDef,
         Command::ButtonDef,
         {valueOf(ui.buttonDefNo), indexOf(ui.buttonDefInitState, 1), valueOf(ui.buttonDefUp),
          valueOf(ui.buttonDefDown), valueOf(ui.buttonDefDisabled), valueOf(ui.buttonDefX),
          valueOf(ui.buttonDefY), valueOf(ui.buttonDefW), valueOf(ui.buttonDefH)}},
        {ui.buttonState,
         Command::ButtonState,
         {valueOf(ui.buttonStateNo), indexOf(ui.buttonStateAction)}},
        {ui.touchProtocol, Command::TouchProtocol, {[this] { return qint64(touchProtocol()); }}},
        {ui.calibrateTouch, Command::CalibrateTouch, {}},
        {ui.setLayer0, Command::SetLayer, {fixed(0)}, nullptr, layers},
        {ui.setLayer1, Command::SetLayer, {fixed(1)}, nullptr, layers},
        {ui.setLayerVisible0,
         Command::LayerVisibility,
         {fixed(0), fixed(layerShown)},
         nullptr,
         shown0},
        {ui.setHideLayer0,
         Command::LayerVisibility,
         {fixed(0), fixed(layerHidden)},
         nullptr,
         shown0},
        {ui.setLayerVisible1,
         Command::LayerVisibility,
         {fixed(1), fixed(layerShown)},
         nullptr,
         shown1},
        {ui.setHideLayer1,
         Command::LayerVisibility,
         {fixed(1), fixed(layerHidden)},
         nullptr,
         shown1},
        {ui.setColorKey, Command::ColorKey, {[this] {
             return qint64(parseColorKey(ui.colorKeyValue->text()));
         }}},
        // The mode only records which button was clicked last; the module is
        // never asked.
        {ui.setStandardMode, Command::StandardMode, {}, nullptr, modes},
        {ui.setExtendedMode, Command::ExtendedMode, {}, nullptr, modes},
        {ui.buzzerOn, Command::BuzzerOn, {}},
        {ui.buzzerOff, Command::BuzzerOff, {}},
        {ui.buzzerBeep, Command::Beep, {fixed(beepDuration)}},
        {ui.ping, Command::Ping, {}},
        // Same byte as "Reset Vexel", but the answer is left to the log pane.
        {ui.getSerial, Command::GetSerial, {}},
        {ui.resetVEXEL, Command::ResetVexel, {}},
        {ui.ShowSettings, Command::ShowSettings, {}},
        {ui.GETVERSION, Command::GetVersion, {}},
        {ui.SD_FILE_CREATE, Command::SdFileCreate, {sdNumber}, ui.sdFileName},
        {ui.SD_FILE_OPEN, Command::SdFileOpen, {sdNumber}, ui.sdFileName},
        {ui.SD_FILE_CLOSE, Command::SdFileClose, {sdNumber}},
        {ui.SD_FILE_READ, Command::SdFileRead, {sdNumber, valueOf(ui.readByteCount)}},
        {ui.SD_FILE_DELETE, Command::SdFileDelete, {}, ui.sdFileName},
        {ui.SD_FILE_GET_SIZE, Command::SdFileGetSize, {sdNumber}},
        {ui.SD_FILE_TELL, Command::SdFileTell, {sdNumber}},
        {ui.SD_FILE_LIST, Command::SdFileList, {}, ui.sdFileName},
        {ui.SD_INSERTED, Command::SdInserted, {}},
        {ui.SD_SPACE_INFO, Command::SdSpaceInfo, {indexOf(ui.SD_SPACE_INFO_SELECTION)}},
        {ui.SD_FOLDER_CREATE, Command::SdFolderCreate, {}, ui.sdFileName},
    };
}

void CommandPage::connectButtons()
{
    for (const CommandButton &entry : commandButtons())
        connect(entry.button, &QAbstractButton::clicked, this, [this, entry] { send(entry); });

    connect(ui.SD_FILE_WRITE, &QAbstractButton::clicked, this, &CommandPage::sendFileToCard);
    connect(ui.demo, &QAbstractButton::clicked, this, &CommandPage::runDemo);
    connect(ui.sdPutIconFile, &QLineEdit::returnPressed, ui.sdPutIcon, &QAbstractButton::click);
    connect(ui.BrightSlider, &QAbstractSlider::sliderMoved, this, [this](int position) {
        ui.BrightNumber->setText(QString::number(position, 10));
        ui.BrightNumber->repaint();
    });
    // Both dialogs carry the same title; neither starts at the current colour.
    connect(ui.colorSelector, &QAbstractButton::clicked, this, [this] {
        foreground = QColorDialog::getColor(Qt::white, window, tr("Text Color"),
                                            QColorDialog::ShowAlphaChannel);
    });
    connect(ui.colorSelectorBG, &QAbstractButton::clicked, this, [this] {
        background = QColorDialog::getColor(Qt::black, window, tr("Text Color"),
                                            QColorDialog::DontUseNativeDialog);
    });
}

TouchProtocolCode CommandPage::touchProtocol() const
{
    const std::pair<QAbstractButton *, TouchProtocolCode> choices[] = {
        {ui.TPvxButton, touchVxButton},
        {ui.TPcuButton, touchCuButton},
        {ui.TPCalibratedXY, touchCalibratedXY},
        {ui.TPNone, touchNone},
    };
    for (const auto &[button, code] : choices) {
        if (button->isChecked())
            return code;
    }
    return touchNone;
}

// A file command is refused without a name, before anything goes out.
void CommandPage::send(const CommandButton &entry)
{
    const CommandSpec &command = spec(entry.command);
    if (!entry.group.isEmpty())
        checkOnly(entry.button, entry.group);
    const QString text = entry.text ? entry.text->text() : QString();
    if (command.has(NeedsName) && text.isEmpty()) {
        ui.sdResult->setText(tr("Invalid Filename"));
        return;
    }
    if (command.has(ClearsResult))
        ui.sdResult->clear();
    ArgValues values;
    for (const ValueSource &value : entry.values)
        values << value();
    const QByteArray frame = sendCommand(entry.command, values, text.toLocal8Bit());
    // The touch button frames are shown so they can be checked against the
    // module's manual without a line monitor.
    if (entry.command == Command::ButtonDef || entry.command == Command::ButtonState)
        ui.serialNumber->setText(QString::fromLatin1(frame.toHex()));
}

QByteArray CommandPage::sendCommand(Command id, const ArgValues &values,
                                    const QByteArray &textBytes)
{
    emit commandSending(id, values, textBytes, link.extendedMode());
    const QByteArray frame = link.sendCommand(id, values, textBytes);
    logFrame(id, frame);
    return frame;
}

void CommandPage::logFrame(Command id, const QByteArray &frame)
{
    const QString line = commandLogLine(id, frame);
    if (!line.isEmpty())
        emit logged(line);
}

void CommandPage::sendStatement(Command id, const ArgValues &values, const QByteArrayList &writes)
{
    showSentState(id, values);
    if (spec(id).has(ClearsResult))
        ui.sdResult->clear();
    const QByteArray frame = link.sendWrites(id, writes);
    logFrame(id, frame);
    if (id == Command::ButtonDef || id == Command::ButtonState)
        ui.serialNumber->setText(QString::fromLatin1(frame.toHex()));
}

// A command sent from elsewhere than its button, by a script: the page's
// checked buttons follow it as they follow their own clicks.
void CommandPage::showSentState(Command id, const ArgValues &values)
{
    const qint64 first = values.value(0);
    switch (id) {
    case Command::ExtendedMode:
    case Command::StandardMode:
        checkOnly(id == Command::ExtendedMode ? ui.setExtendedMode : ui.setStandardMode,
                  {ui.setStandardMode, ui.setExtendedMode});
        break;
    case Command::SetNorth:
    case Command::SetEast:
    case Command::SetSouth:
    case Command::SetWest: {
        const QVector<QAbstractButton *> directions = {ui.setNorth, ui.setEast, ui.setSouth,
                                                       ui.setWest};
        checkOnly(directions[int(id) - int(Command::SetNorth)], directions);
        break;
    }
    case Command::SetLayer:
        if (first == 0 || first == 1)
            checkOnly(first ? ui.setLayer1 : ui.setLayer0, {ui.setLayer0, ui.setLayer1});
        break;
    case Command::LayerVisibility: {
        if (first != 0 && first != 1)
            break;
        QAbstractButton *const shown = first ? ui.setLayerVisible1 : ui.setLayerVisible0;
        QAbstractButton *const hidden = first ? ui.setHideLayer1 : ui.setHideLayer0;
        checkOnly(values.value(1) == layerShown ? shown : hidden, {shown, hidden});
        break;
    }
    default:
        break;
    }
}

void CommandPage::showReply(const Reply &reply)
{
    if (reply.sdResult)
        ui.sdResult->setText(*reply.sdResult);
    if (reply.serialNumber)
        ui.serialNumber->setText(*reply.serialNumber);
    if (reply.touch) {
        ui.TouchX->setText(tr("%1").arg(reply.touch->x));
        ui.TouchY->setText(tr("%1").arg(reply.touch->y));
        ui.Touch->setChecked(true);
    }
}

// The file is checked before anything goes out, so a cancelled dialog or a
// refused file leaves the module and the reply reader as they were.
void CommandPage::sendFileToCard()
{
    const QString path =
        QFileDialog::getOpenFileName(window, tr("Open File"), QString(), tr("Files (*.*)"));
    if (path.isEmpty())
        return;

    const QString name = QFileInfo(path).fileName();
    OutgoingFile outgoing = openOutgoingFile(path);
    switch (outgoing.problem) {
    case OutgoingFile::Problem::Unreadable:
        emit status(tr("Cannot read %1: %2").arg(name, outgoing.reason));
        return;
    case OutgoingFile::Problem::TooLarge:
        emit status(
            tr("Cannot send %1: files of 4 GiB or more do not fit the size field").arg(name));
        return;
    case OutgoingFile::Problem::None:
        break;
    }

    emit fileSending(ui.sdFileNumber->value(), path);
    const QByteArray head =
        commandFrame(Command::SdFileWrite, {ui.sdFileNumber->value(), outgoing.size});
    link.sendFile(head, std::move(outgoing.file), outgoing.size, name);
}

// Clicks run the other buttons at once, exactly as if the user had clicked.
void CommandPage::runDemo()
{
    // Clear to black and draw in white: one write, not logged, the colour kept.
    const std::pair<Command, ArgValues> opening[] = {{Command::SetColorH, {rgb565(Qt::black)}},
                                                     {Command::Cls, {}},
                                                     {Command::SetColorH, {rgb565(Qt::white)}}};
    QByteArray write;
    for (const auto &[id, values] : opening) {
        write += commandFrame(id, values);
        emit commandSending(id, values, {}, link.extendedMode());
    }
    link.sendRaw(write);

    ui.spinX->setValue(0);
    ui.spinY->setValue(0);
    ui.setXHY->click();

    ui.TPvxButton->setChecked(true);
    ui.touchProtocol->click();

    for (int n = 0; n < demoButtonCount; ++n) {
        ui.buttonDefNo->setValue(n);
        ui.buttonDefUp->setValue(n + demoFirstImage);
        ui.buttonDefDown->setValue(n + demoFirstImage);
        ui.buttonDefDisabled->setValue(n + demoFirstImage);
        ui.buttonDefX->setValue(demoButtonSize * n);
        ui.buttonDefY->setValue(0);
        ui.buttonDefW->setValue(demoButtonSize);
        ui.buttonDefH->setValue(demoButtonSize);
        ui.buttonDef->click();
    }
}
