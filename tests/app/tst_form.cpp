// The main window form: the names, classes, ranges, start states and texts
// that the window's slots and the other subsystems rely on.

#include "app/mainwindow.h"
#include "app/manualview.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>

#include <memory>

namespace {

// Marks every text looked up in the form's context, so a test can tell which
// texts go through the translation machinery.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "MainWindow") != 0)
            return QString();
        return QStringLiteral("tr:") + QString::fromUtf8(sourceText);
    }
};

const QStringList baudRates = {"9600",  "14400",  "19200",  "28800",  "38400", "57600",
                               "76800", "115200", "230400", "460800", "921600"};

// How a text is reached on its widget.
enum class TextKind
{
    Property,
    ComboItem,
    TabTitle,
    Header
};

} // namespace

Q_DECLARE_METATYPE(TextKind)

class FormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void widgetsHaveTheirClassAndParent_data();
    void widgetsHaveTheirClassAndParent();
    void objectNamesAreUnique();
    void everyNamedSlotFindsItsWidget();

    void windowProperties();
    void pagesInOrder();
    void manualPageStacking();

    void spinBoxRanges_data();
    void spinBoxRanges();
    void brightnessSlider();
    void buttonStartStates_data();
    void buttonStartStates();
    void directionButtonsAreIndependent();
    void radioButtonsAreExclusivePerGroup();
    void disabledTransmittersCannotBeChosen();

    void comboItems_data();
    void comboItems();
    void tables_data();
    void tables();

    void texts_data();
    void texts();
    void textsAreTranslatable_data();
    void textsAreTranslatable();
    void sampleTextNamesProductAndMaker();
    void textPanes();
    void framedLabels();
    void groupChildrenFitTheirGroup();

    void focusChain();

private:
    QString textOf(const QString &name, TextKind kind, const QByteArray &property, int index) const;

    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<Ui::MainWindow> ui;
};

void FormTest::initTestCase()
{
    // The bundle lives in a static library: nothing in the form references it
    // at link time, so it has to be pulled in for the window icon.
    Q_INIT_RESOURCE(resources);
    qRegisterMetaType<TextKind>();
}

void FormTest::init()
{
    window.reset(new QMainWindow);
    ui.reset(new Ui::MainWindow);
    ui->setupUi(window.get());
}

void FormTest::cleanup()
{
    ui.reset();
    window.reset();
}

// --- names, classes and parents -------------------------------------------

void FormTest::widgetsHaveTheirClassAndParent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    auto add = [](const char *parent, const char *cls, const QStringList &names) {
        for (const QString &name : names)
            QTest::addRow("%s/%s", parent, qPrintable(name))
                << name << QString::fromLatin1(cls) << QString::fromLatin1(parent);
    };

    // Every widget that a slot is connected to or that code reads or writes.
    add("MainWindow", "QWidget", {"centralWidget"});
    add("MainWindow", "QMenuBar", {"menuBar"});
    add("MainWindow", "QStatusBar", {"statusBar"});
    add("centralWidget", "QTabWidget", {"tabbedWindow"});
    add("centralWidget", "QTextEdit", {"textEdit"});
    add("centralWidget", "QPushButton", {"clearTextEdit"});

    add("groupBox_8", "QPushButton", {"setXHY"});
    add("groupBox_8", "QSpinBox", {"spinX", "spinY"});
    add("groupBox_14", "QPushButton", {"ping"});
    add("groupBox_7", "QPushButton", {"LightOn", "LightOFf", "pushButton_16"});
    add("groupBox_7", "QSlider", {"BrightSlider"});
    add("groupBox_7", "QLabel", {"BrightNumber"});
    add("groupBox_12", "QPushButton",
        {"Cls", "setColorH", "colorSelector", "set_bg_colorh", "colorSelectorBG"});
    add("groupBox_9", "QPushButton",
        {"setNorth", "setEast", "setSouth", "setWest", "selectFont", "printString",
         "PRINT_STRING_BG"});
    add("groupBox_9", "QSpinBox", {"fontNumber"});
    add("groupBox_9", "QLineEdit", {"printStringText"});
    add("groupBox_10", "QPushButton",
        {"arcH", "boxH", "boxHFill", "circleRH", "H_LINEH", "V_LINE", "LINE_TO_XHY"});
    add("groupBox_10", "QSpinBox",
        {"arcRadius", "arcBegin", "arcEnd", "boxHX", "boxHY", "boxHFillX", "boxHFillY",
         "circleRHRadius", "H_LINEHX", "VLINEY", "LINE_TO_X", "LINE_TO_Y"});
    add("tab", "QGroupBox", {"layerCommands"});
    add("layerCommands", "QPushButton",
        {"setLayer0", "setLayer1", "setLayerVisible0", "setLayerVisible1", "setHideLayer0",
         "setHideLayer1", "setColorKey"});
    add("layerCommands", "QLineEdit", {"colorKeyValue"});
    add("groupBox_16", "QPushButton", {"touchProtocol", "calibrateTouch"});
    add("groupBox_16", "QRadioButton", {"TPvxButton", "TPcuButton", "TPCalibratedXY", "TPNone"});
    add("groupBox_17", "QPushButton", {"setStandardMode", "setExtendedMode"});
    add("groupBox_18", "QSpinBox", {"sdFileNumber", "readByteCount"});
    add("groupBox_18", "QLineEdit", {"sdFileName", "sdResult"});
    add("groupBox_18", "QPushButton",
        {"SD_FILE_CREATE", "SD_FILE_OPEN", "SD_FILE_DELETE", "SD_FILE_LIST", "SD_FILE_CLOSE",
         "SD_FILE_GET_SIZE", "SD_INSERTED", "SD_FILE_WRITE", "SD_FILE_TELL", "SD_FOLDER_CREATE",
         "SD_FILE_READ", "SD_SPACE_INFO"});
    add("groupBox_18", "QComboBox", {"SD_SPACE_INFO_SELECTION"});
    add("groupBox_11", "QPushButton", {"sdPutIcon", "put_sf_icon", "captureScreen"});
    add("groupBox_11", "QLineEdit", {"sdPutIconFile"});
    add("groupBox_11", "QSpinBox", {"PUT_SF_ICON_NO"});
    add("groupBox_15", "QComboBox", {"serialPortList", "SerialBaudRate_2"});
    add("groupBox_15", "QPushButton", {"pushButton_10", "openSerialPort", "serialClose"});
    add("groupBox_13", "QPushButton", {"buttonDef"});
    add("groupBox_13", "QSpinBox",
        {"buttonDefNo", "buttonDefUp", "buttonDefX", "buttonDefDown", "buttonDefY",
         "buttonDefDisabled", "buttonDefW", "buttonDefH"});
    add("groupBox_13", "QComboBox", {"buttonDefInitState"});
    add("tab", "QLabel", {"TouchX", "TouchY"});
    add("tab", "QCheckBox", {"Touch"});
    add("tab", "QPushButton",
        {"demo", "buttonState", "getSerial", "GETVERSION", "resetVEXEL", "ShowSettings", "buzzerOn",
         "buzzerOff", "buzzerBeep"});
    add("tab", "QSpinBox", {"buttonStateNo"});
    add("tab", "QComboBox", {"buttonStateAction"});
    add("tab", "QLineEdit", {"serialNumber"});

    add("groupBox_6", "QPushButton",
        {"upFontList", "downFontList", "pushButton_6", "removeFontList"});
    add("groupBox_6", "QTableWidget", {"FontTable"});
    add("groupBox_2", "QPushButton",
        {"pushButton_2", "pushButton", "pushButton_3", "removeImageList", "importESF"});
    add("groupBox_2", "QTableWidget", {"ImageTable"});

    add("groupBox", "QCheckBox", {"BackLightOn"});
    add("groupBox", "QSpinBox", {"Brightness"});
    add("tab_4", "QGroupBox", {"StartScreen"});
    add("StartScreen", "QRadioButton", {"SSDefault", "SSImage", "SSColor"});
    add("StartScreen", "QToolButton", {"startScreenColor"});
    add("StartScreen", "QSpinBox", {"SSImageNumber", "SSX", "SSY"});
    add("groupBox_3", "QRadioButton", {"vxButton", "cuButton", "CalibratedXY"});
    add("groupBox_4", "QComboBox", {"SerialBaudRate"});
    add("groupBox_5", "QRadioButton",
        {"TransmitterUSB", "TransmitterSerial", "TransmitterSPI", "TransmitterI2C"});
    add("groupBox_19", "QCheckBox", {"extendedMode"});
    add("groupBox_19", "QRadioButton", {"cdcMode", "msdMode"});

    add("tab_3", "QPlainTextEdit", {"ConfigOut"});
    add("tab_3", "QPushButton",
        {"GenerateConfig", "openConfigFile", "pushButton_9", "generateFlashImage"});
    add("tab_6", "QPushButton", {"openFirmware", "updateFirmware"});
    add("tab_6", "QPlainTextEdit", {"dfuOutput"});
    add("tab_8", "ManualView", {"webView"});
    add("tab_8", "QLineEdit", {"searchManualText"});
    add("tab_8", "QPushButton", {"searchManual"});
}

void FormTest::widgetsHaveTheirClassAndParent()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    QWidget *w = window->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name + " is missing"));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parentName);
}

void FormTest::objectNamesAreUnique()
{
    // Wiring by name connects only the first object of a name.
    QSet<QString> seen;
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *w : all) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        QVERIFY2(!seen.contains(name), qPrintable("duplicate object name " + name));
        seen.insert(name);
    }
    QVERIFY(seen.size() > 200);
}

void FormTest::everyNamedSlotFindsItsWidget()
{
    // Mirrors the by-name wiring: a slot on_<object>_<signal>(args) needs a
    // form object of that name with a compatible signal. Two slots are known
    // to have no widget and are connected (or left alone) on purpose.
    const QSet<QByteArray> unwired = {"on_cmdExec_data_available", "on_pushButton_4_clicked"};
    const QList<QObject *> objects = window->findChildren<QObject *>();
    const QMetaObject &mo = MainWindow::staticMetaObject;
    QSet<QString> wiredObjects;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod slot = mo.method(i);
        const QByteArray slotName = slot.name();
        if (slot.methodType() != QMetaMethod::Slot || !slotName.startsWith("on_") ||
            unwired.contains(slotName))
            continue;

        QObject *target = nullptr;
        for (QObject *object : objects) {
            const QByteArray prefix = "on_" + object->objectName().toLatin1() + '_';
            if (object->objectName().isEmpty() || !slotName.startsWith(prefix))
                continue;
            const QByteArray signalName = slotName.mid(prefix.size());
            const QMetaObject *omo = object->metaObject();
            for (int s = 0; s < omo->methodCount() && !target; ++s) {
                const QMetaMethod signal = omo->method(s);
                if (signal.methodType() == QMetaMethod::Signal && signal.name() == signalName &&
                    QMetaObject::checkConnectArgs(signal, slot))
                    target = object;
            }
            if (target)
                break;
        }
        QVERIFY2(target, slot.methodSignature().constData());
        wiredObjects.insert(target->objectName());
    }
    QVERIFY(!wiredObjects.isEmpty());

    // "Generate SD Card" and the image page's "Down" do nothing when clicked.
    QVERIFY(!wiredObjects.contains(QStringLiteral("pushButton_9")));
    QVERIFY(!wiredObjects.contains(QStringLiteral("pushButton")));
}

// --- window and pages ------------------------------------------------------

void FormTest::windowProperties()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(1280, 722));
    QCOMPARE(window->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(window->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QVERIFY(window->hasMouseTracking());
    QVERIFY(window->acceptDrops());
    QVERIFY2(!window->windowIcon().isNull(), "the icon resource does not load");

    QCOMPARE(window->centralWidget(), ui->centralWidget);
    QCOMPARE(window->statusBar(), ui->statusBar);
    QCOMPARE(window->menuBar(), ui->menuBar);
    QVERIFY(ui->menuBar->actions().isEmpty());
    QCOMPARE(ui->menuBar->geometry(), QRect(0, 0, 1280, 21));
}

void FormTest::pagesInOrder()
{
    const QList<QPair<QString, QString>> pages = {
        {"tab", "Display Test"}, {"tab_2", "Fonts"},
        {"tab_5", "Images"},     {"tab_4", "Startup Settings"},
        {"tab_3", "Config.txt"}, {"tab_6", "Update Firmware"},
        {"tab_7", "Demos"},      {"tab_8", "Manual"}};

    QTabWidget *tabs = ui->tabbedWindow;
    QCOMPARE(tabs->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), pages[i].first);
        QCOMPARE(tabs->tabText(i), pages[i].second);
    }
    // The form opens on "Config.txt"; the window switches to the first page.
    QCOMPARE(tabs->currentIndex(), 4);
    QCOMPARE(tabs->tabShape(), QTabWidget::Rounded);
    QVERIFY(tabs->acceptDrops());

    const QPalette palette = tabs->palette();
    QCOMPARE(palette.color(QPalette::Active, QPalette::Light), QColor(85, 255, 255));
    QCOMPARE(palette.color(QPalette::Inactive, QPalette::Light), QColor(Qt::white));
    QCOMPARE(palette.color(QPalette::Disabled, QPalette::Light), QColor(Qt::white));

    // The demos page is empty: nothing on it can be clicked.
    QVERIFY(ui->tab_7->findChildren<QWidget *>().isEmpty());
}

void FormTest::manualPageStacking()
{
    // Children order is the stacking order: the view sits above its frame,
    // the search field and button above the view.
    QStringList order;
    for (QObject *child : ui->tab_8->children())
        if (child->isWidgetType())
            order << child->objectName();
    QCOMPARE(order, (QStringList{"frame", "webView", "searchManualText", "searchManual"}));

    QVERIFY(qobject_cast<ManualView *>(ui->webView));
    QCOMPARE(ui->frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->frame->frameShadow(), QFrame::Sunken);
    QCOMPARE(ui->frame->midLineWidth(), 1);
}

// --- ranges and start states ----------------------------------------------

void FormTest::spinBoxRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("spinX") << "spinX" << 0 << 800 << 0 << true;
    QTest::newRow("spinY") << "spinY" << 0 << 600 << 0 << true;
    QTest::newRow("fontNumber") << "fontNumber" << 0 << 254 << 0 << true;
    QTest::newRow("arcRadius default range") << "arcRadius" << 0 << 99 << 0 << true;
    QTest::newRow("arcBegin") << "arcBegin" << 0 << 360 << 0 << true;
    QTest::newRow("arcEnd") << "arcEnd" << 0 << 360 << 0 << true;
    QTest::newRow("boxHX") << "boxHX" << 0 << 320 << 0 << true;
    QTest::newRow("boxHFillY") << "boxHFillY" << 0 << 240 << 0 << true;
    QTest::newRow("circleRHRadius") << "circleRHRadius" << 0 << 800 << 0 << true;
    QTest::newRow("H_LINEHX") << "H_LINEHX" << 0 << 640 << 0 << true;
    QTest::newRow("VLINEY") << "VLINEY" << 0 << 480 << 0 << true;
    QTest::newRow("PUT_SF_ICON_NO") << "PUT_SF_ICON_NO" << 0 << 254 << 0 << true;
    QTest::newRow("buttonDefNo") << "buttonDefNo" << 0 << 255 << 0 << true;
    QTest::newRow("buttonDefW") << "buttonDefW" << 0 << 320 << 0 << true;
    QTest::newRow("buttonStateNo default range") << "buttonStateNo" << 0 << 99 << 0 << true;
    QTest::newRow("sdFileNumber only 1 and 2") << "sdFileNumber" << 1 << 2 << 1 << true;
    QTest::newRow("readByteCount") << "readByteCount" << 0 << 9999999 << 0 << true;
    QTest::newRow("Brightness starts at 128") << "Brightness" << 0 << 255 << 128 << true;
    QTest::newRow("SSImageNumber disabled") << "SSImageNumber" << 0 << 255 << 0 << false;
    QTest::newRow("SSX disabled") << "SSX" << 0 << 320 << 0 << false;
    QTest::newRow("SSY disabled") << "SSY" << 0 << 240 << 0 << false;
}

void FormTest::spinBoxRanges()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, start);
    QFETCH(bool, enabled);

    auto *spin = window->findChild<QSpinBox *>(name);
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), minimum);
    QCOMPARE(spin->maximum(), maximum);
    QCOMPARE(spin->value(), start);
    QCOMPARE(spin->isEnabled(), enabled);

    // Values outside the range are clamped, so the commands never see them.
    spin->setValue(maximum + 1);
    QCOMPARE(spin->value(), maximum);
    spin->setValue(minimum - 1);
    QCOMPARE(spin->value(), minimum);
}

void FormTest::brightnessSlider()
{
    QSlider *slider = ui->BrightSlider;
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 255);
    QCOMPARE(slider->value(), 200);
    QCOMPARE(slider->sliderPosition(), 200);
    // Without tracking, valueChanged comes only on release; the slot listens
    // to sliderMoved instead.
    QVERIFY(!slider->hasTracking());
    QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
    QCOMPARE(slider->tickInterval(), 16);
    // The label is only brought in line by the window.
    QCOMPARE(ui->BrightNumber->text(), QStringLiteral("0"));
}

void FormTest::buttonStartStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("setNorth") << "setNorth" << true << true << true;
    QTest::newRow("setEast") << "setEast" << true << false << true;
    QTest::newRow("setSouth") << "setSouth" << true << false << true;
    QTest::newRow("setWest") << "setWest" << true << false << true;
    QTest::newRow("setLayerVisible0") << "setLayerVisible0" << true << true << true;
    QTest::newRow("setLayerVisible1") << "setLayerVisible1" << true << false << true;
    QTest::newRow("setHideLayer0") << "setHideLayer0" << true << false << true;
    QTest::newRow("setHideLayer1") << "setHideLayer1" << true << false << true;
    // Made checkable by the window, not by the form.
    QTest::newRow("setLayer0") << "setLayer0" << false << false << true;
    QTest::newRow("setLayer1") << "setLayer1" << false << false << true;
    QTest::newRow("setStandardMode") << "setStandardMode" << false << false << true;
    QTest::newRow("setExtendedMode") << "setExtendedMode" << false << false << true;
    QTest::newRow("updateFirmware") << "updateFirmware" << false << false << true;

    QTest::newRow("TPvxButton") << "TPvxButton" << true << true << true;
    QTest::newRow("TPNone") << "TPNone" << true << false << true;
    QTest::newRow("SSDefault") << "SSDefault" << true << true << true;
    QTest::newRow("SSImage") << "SSImage" << true << false << true;
    QTest::newRow("CalibratedXY") << "CalibratedXY" << true << true << true;
    QTest::newRow("vxButton") << "vxButton" << true << false << true;
    QTest::newRow("TransmitterUSB") << "TransmitterUSB" << true << false << false;
    QTest::newRow("TransmitterSerial") << "TransmitterSerial" << true << true << true;
    QTest::newRow("TransmitterSPI") << "TransmitterSPI" << true << false << true;
    QTest::newRow("TransmitterI2C") << "TransmitterI2C" << true << false << false;
    QTest::newRow("cdcMode") << "cdcMode" << true << true << true;
    QTest::newRow("msdMode") << "msdMode" << true << false << true;
    QTest::newRow("BackLightOn") << "BackLightOn" << true << true << true;
    QTest::newRow("extendedMode") << "extendedMode" << true << false << true;
    QTest::newRow("Touch") << "Touch" << true << false << true;
}

void FormTest::buttonStartStates()
{
    QFETCH(QString, name);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);
    QFETCH(bool, enabled);

    auto *button = window->findChild<QAbstractButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->isCheckable(), checkable);
    QCOMPARE(button->isChecked(), checked);
    QCOMPARE(button->isEnabled(), enabled);
}

void FormTest::directionButtonsAreIndependent()
{
    ui->setEast->click();
    ui->setWest->click();
    QVERIFY(ui->setNorth->isChecked());
    QVERIFY(ui->setEast->isChecked());
    QVERIFY(ui->setWest->isChecked());
    ui->setNorth->click();
    QVERIFY(!ui->setNorth->isChecked());
    QVERIFY(ui->setEast->isChecked());
}

void FormTest::radioButtonsAreExclusivePerGroup()
{
    // Same texts in two groups: the touch protocol of the Display Test page
    // and the start-up touch mode must not steal each other's choice.
    ui->vxButton->click();
    QVERIFY(ui->vxButton->isChecked());
    QVERIFY(!ui->CalibratedXY->isChecked());
    QVERIFY(ui->TPvxButton->isChecked());

    ui->TPNone->click();
    QVERIFY(!ui->TPvxButton->isChecked());
    QVERIFY(ui->vxButton->isChecked());

    ui->SSColor->click();
    QVERIFY(!ui->SSDefault->isChecked());
    ui->msdMode->click();
    QVERIFY(!ui->cdcMode->isChecked());
    QVERIFY(ui->SSColor->isChecked());
    QVERIFY(ui->TransmitterSerial->isChecked());
}

void FormTest::disabledTransmittersCannotBeChosen()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    ui->tabbedWindow->setCurrentWidget(ui->tab_4);

    for (QRadioButton *radio : {ui->TransmitterUSB, ui->TransmitterI2C}) {
        QTest::mouseClick(radio, Qt::LeftButton);
        QVERIFY(!radio->isChecked());
    }
    QVERIFY(ui->TransmitterSerial->isChecked());
    QTest::mouseClick(ui->TransmitterSPI, Qt::LeftButton);
    QVERIFY(ui->TransmitterSPI->isChecked());
    QVERIFY(!ui->TransmitterSerial->isChecked());
}

// --- lists and tables ------------------------------------------------------

void FormTest::comboItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("currentIndex");

    QTest::newRow("SerialBaudRate_2") << "SerialBaudRate_2" << baudRates << 7;
    QTest::newRow("SerialBaudRate") << "SerialBaudRate" << baudRates << 7;
    QTest::newRow("serialPortList waits for the scan") << "serialPortList" << QStringList() << -1;
    QTest::newRow("SD_SPACE_INFO_SELECTION")
        << "SD_SPACE_INFO_SELECTION"
        << QStringList{"Free Space", "Used Space", "Bad Space", "Total Space"} << 0;
    QTest::newRow("buttonDefInitState")
        << "buttonDefInitState" << QStringList{"Up", "Down", "Disabled", "Invisable"} << 0;
    QTest::newRow("buttonStateAction")
        << "buttonStateAction"
        << QStringList{"0-Delete Permanently", "1-Up", "2-Down", "3-Disabled", "4-Non Visible"}
        << 0;
}

void FormTest::comboItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, currentIndex);

    auto *combo = window->findChild<QComboBox *>(name);
    QVERIFY(combo);
    QStringList actual;
    for (int i = 0; i < combo->count(); ++i)
        actual << combo->itemText(i);
    QCOMPARE(actual, items);
    QCOMPARE(combo->currentIndex(), currentIndex);
    // The baud rate is read as the current text.
    if (currentIndex >= 0)
        QCOMPARE(combo->currentText(), items.at(currentIndex));
}

void FormTest::tables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<int>("dragDropMode");
    QTest::addColumn<int>("defaultDropAction");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<int>("selectionBehavior");

    QTest::newRow("FontTable") << "FontTable" << QStringList{"No", "Font Name", "Height", "From",
                                                             "To", "Size",      "Type"}
                               << int(QAbstractItemView::DropOnly) << int(Qt::ActionMask) << true
                               << int(QAbstractItemView::SelectItems);
    QTest::newRow("ImageTable") << "ImageTable"
                                << QStringList{"No",   "Image Name",  "Width", "Height",
                                               "Size", "Trans Color", "Depth", "Type"}
                                << int(QAbstractItemView::DropOnly) << int(Qt::IgnoreAction)
                                << false << int(QAbstractItemView::SelectRows);
}

void FormTest::tables()
{
    QFETCH(QString, name);
    QFETCH(QStringList, headers);
    QFETCH(int, dragDropMode);
    QFETCH(int, defaultDropAction);
    QFETCH(bool, editable);
    QFETCH(int, selectionBehavior);

    auto *table = window->findChild<QTableWidget *>(name);
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(table->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        QTableWidgetItem *header = table->horizontalHeaderItem(column);
        QVERIFY(header);
        QCOMPARE(header->text(), headers.at(column));
        QCOMPARE(header->textAlignment(), int(Qt::AlignCenter));
    }
    QVERIFY(table->verticalHeader()->isHidden());
    QVERIFY(table->acceptDrops());
    QCOMPARE(int(table->dragDropMode()), dragDropMode);
    QCOMPARE(int(table->defaultDropAction()), defaultDropAction);
    QCOMPARE(table->editTriggers() != QAbstractItemView::NoEditTriggers, editable);
    QCOMPARE(int(table->selectionBehavior()), selectionBehavior);
}

// --- texts -----------------------------------------------------------------

QString FormTest::textOf(const QString &name, TextKind kind, const QByteArray &property,
                         int index) const
{
    QObject *object = name == QLatin1String("MainWindow") ? static_cast<QObject *>(window.get())
                                                          : window->findChild<QObject *>(name);
    if (!object)
        return QStringLiteral("<missing %1>").arg(name);
    switch (kind) {
    case TextKind::Property:
        return object->property(property.constData()).toString();
    case TextKind::ComboItem:
        return qobject_cast<QComboBox *>(object)->itemText(index);
    case TextKind::TabTitle:
        return qobject_cast<QTabWidget *>(object)->tabText(index);
    case TextKind::Header:
        return qobject_cast<QTableWidget *>(object)->horizontalHeaderItem(index)->text();
    }
    return QString();
}

void FormTest::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TextKind>("kind");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    auto prop = [](const char *row, const char *name, const char *property, const char *text) {
        QTest::newRow(row) << QString::fromLatin1(name) << TextKind::Property
                           << QByteArray(property) << 0 << QString::fromLatin1(text);
    };
    auto item = [](const char *row, const char *name, TextKind kind, int index, const char *text) {
        QTest::newRow(row) << QString::fromLatin1(name) << kind << QByteArray() << index
                           << QString::fromLatin1(text);
    };

    prop("window title", "MainWindow", "windowTitle", "Vexel900 Bench  Ver. 0.12 7/27/2015");
    prop("setXHY tooltip", "setXHY", "toolTip", "Set Location based on XY ");
    prop("spinX tooltip", "spinX", "toolTip",
         "<html><head/><body><p>Set X Location 0-319</p></body></html>");
    prop("ping tooltip", "ping", "toolTip",
         "<html><head/><body><p>Sends Ping Command If Successful Will Display a 8 In Window "
         "Below</span></a></p></body></html>");
    prop("colorKeyValue tooltip", "colorKeyValue", "toolTip",
         "<html><head/><body><p>Set transparent color for layer 1</p><p>16bit hex value "
         ".</p></body></html>");
    prop("pushButton_9 tooltip", "pushButton_9", "toolTip",
         "<html><head/><body><p>This will Generate Config.txt and copy all files to a sd card "
         "</p></body></html>");
    prop("colorKeyValue", "colorKeyValue", "text", "0000");
    prop("BoH Fill", "boxHFill", "text", "BoH Fill");
    prop("Capture SCreen", "captureScreen", "text", "Capture SCreen");
    prop("LightOFf", "LightOFf", "text", "Light Off");
    prop("clearTextEdit", "clearTextEdit", "text", "<- Clear");
    prop("startScreenColor", "startScreenColor", "text", "...");
    prop("pushButton_9", "pushButton_9", "text", "Generate SD Card");
    prop("pushButton (image Down)", "pushButton", "text", "Down");
    prop("TouchX", "TouchX", "text", "0");
    prop("layerCommands title", "layerCommands", "title", "Layer Commands");
    prop("groupBox_17 title", "groupBox_17", "title", "Vexel900 Mode");
    prop("dfuOutput trailing space", "dfuOutput", "plainText",
         "Click Open to select firmware file ");

    item("Invisable", "buttonDefInitState", TextKind::ComboItem, 3, "Invisable");
    item("baud first", "SerialBaudRate_2", TextKind::ComboItem, 0, "9600");
    item("baud last", "SerialBaudRate", TextKind::ComboItem, 10, "921600");
    item("space info", "SD_SPACE_INFO_SELECTION", TextKind::ComboItem, 3, "Total Space");
    item("button action", "buttonStateAction", TextKind::ComboItem, 4, "4-Non Visible");
    item("first page", "tabbedWindow", TextKind::TabTitle, 0, "Display Test");
    item("Config.txt page", "tabbedWindow", TextKind::TabTitle, 4, "Config.txt");
    item("last page", "tabbedWindow", TextKind::TabTitle, 7, "Manual");
    item("font header", "FontTable", TextKind::Header, 1, "Font Name");
    item("image header", "ImageTable", TextKind::Header, 5, "Trans Color");
}

void FormTest::texts()
{
    QFETCH(QString, name);
    QFETCH(TextKind, kind);
    QFETCH(QByteArray, property);
    QFETCH(int, index);
    QFETCH(QString, text);

    QCOMPARE(textOf(name, kind, property, index), text);
}

void FormTest::textsAreTranslatable_data()
{
    texts_data();
}

void FormTest::textsAreTranslatable()
{
    QFETCH(QString, name);
    QFETCH(TextKind, kind);
    QFETCH(QByteArray, property);
    QFETCH(int, index);
    QFETCH(QString, text);

    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    ui->retranslateUi(window.get());
    const QString translated = textOf(name, kind, property, index);
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(translated, QStringLiteral("tr:") + text);

    // Without a translator the texts come back exactly as written.
    ui->retranslateUi(window.get());
    QCOMPARE(textOf(name, kind, property, index), text);
}

void FormTest::sampleTextNamesProductAndMaker()
{
    const QString sample = ui->printStringText->text();
    QVERIFY(sample.contains(QLatin1String("Vexel900")));
    QVERIFY(sample.count(QLatin1String("Vexel")) >= 2);
    QVERIFY(!sample.contains(QLatin1Char('\n')));
}

void FormTest::textPanes()
{
    QCOMPARE(ui->textEdit->font().pointSize(), 11);
    QVERIFY(!ui->textEdit->isReadOnly());
    QVERIFY(ui->textEdit->toPlainText().isEmpty());

    QCOMPARE(ui->ConfigOut->font().pointSize(), 10);
    QVERIFY(!ui->ConfigOut->isReadOnly());
    QVERIFY(ui->ConfigOut->toPlainText().isEmpty());

    QCOMPARE(ui->dfuOutput->font().family(), QStringLiteral("Fixedsys"));
    QCOMPARE(ui->dfuOutput->font().pointSize(), 10);
    QVERIFY(ui->dfuOutput->isReadOnly());

    for (QLineEdit *edit :
         {ui->sdFileName, ui->sdResult, ui->sdPutIconFile, ui->serialNumber, ui->searchManualText})
        QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
}

void FormTest::framedLabels()
{
    QCOMPARE(ui->TouchX->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->TouchY->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->TouchY->text(), QStringLiteral("0"));

    QCOMPARE(ui->label_5->frameShape(), QFrame::Box);
    QVERIFY(ui->label_5->text().isEmpty());
    QCOMPARE(ui->label_5->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(ui->label_5->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(ui->label_5->geometry(), QRect(300, 290, 320, 240));
}

void FormTest::groupChildrenFitTheirGroup()
{
    // Fixed positions, no layouts: a mistyped coordinate shows up as a widget
    // hanging out of its group box.
    const QList<QGroupBox *> groups = window->findChildren<QGroupBox *>();
    QCOMPARE(groups.size(), 21);
    for (QGroupBox *group : groups) {
        QVERIFY2(!group->layout(), qPrintable(group->objectName()));
        QVERIFY2(group->isEnabled(), qPrintable(group->objectName()));
        for (QWidget *child :
             group->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            const QString where = group->objectName() + "/" + child->objectName();
            QVERIFY2(group->rect().contains(child->geometry()), qPrintable(where));
        }
    }
}

// --- keyboard focus --------------------------------------------------------

void FormTest::focusChain()
{
    const QString chain = QStringLiteral(
        "setXHY spinX spinY ping setNorth setEast setSouth setWest selectFont "
        "fontNumber printString printStringText PRINT_STRING_BG arcH arcRadius arcBegin "
        "arcEnd boxH boxHX boxHY boxHFill boxHFillX boxHFillY circleRH circleRHRadius "
        "H_LINEH H_LINEHX V_LINE VLINEY LINE_TO_XHY LINE_TO_X LINE_TO_Y sdPutIcon "
        "sdPutIconFile put_sf_icon PUT_SF_ICON_NO LightOn LightOFf pushButton_16 "
        "BrightSlider Cls setColorH colorSelector set_bg_colorh colorSelectorBG "
        "buttonDef buttonDefNo buttonDefUp buttonDefDown buttonDefDisabled "
        "buttonDefInitState buttonDefX buttonDefY buttonDefW buttonDefH serialPortList "
        "openSerialPort serialClose pushButton_10 tabbedWindow FontTable removeFontList "
        "pushButton_6 downFontList upFontList ImageTable removeImageList pushButton_3 "
        "pushButton pushButton_2 BackLightOn SSDefault SSImage SSColor SSImageNumber "
        "SSX SSY startScreenColor vxButton cuButton CalibratedXY SerialBaudRate "
        "TransmitterSerial TransmitterSPI TransmitterI2C ConfigOut GenerateConfig "
        "pushButton_9 textEdit demo");
    const QStringList expected = chain.split(QLatin1Char(' '));
    QCOMPARE(expected.size(), 90);
    const QSet<QString> listed(expected.begin(), expected.end());
    QCOMPARE(listed.size(), expected.size());

    // Walk the whole chain once from the first stop and keep the listed
    // widgets; inner parts of compound widgets and unlisted widgets drop out.
    QStringList walked;
    QWidget *start = ui->setXHY;
    QWidget *w = start;
    do {
        if (listed.contains(w->objectName()) && !walked.contains(w->objectName()))
            walked << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != start);
    QCOMPARE(walked, expected);
}

QTEST_MAIN(FormTest)
#include "tst_form.moc"
