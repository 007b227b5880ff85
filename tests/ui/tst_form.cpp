// The main window form: what the window's pages, commands and start-up
// configuration rely on, and what a careless edit in the designer would
// quietly break.

#include "assets/assetfiles.h"
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QMainWindow>
#include <QMap>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
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

// The keyboard focus stops, in order, from the first.
const char *const focusOrder =
    "setXHY spinX spinY ping setNorth setEast setSouth setWest selectFont fontNumber printString "
    "printStringText PRINT_STRING_BG arcH arcRadius arcBegin arcEnd boxH boxHX boxHY boxHFill "
    "boxHFillX boxHFillY circleRH circleRHRadius H_LINEH H_LINEHX V_LINE VLINEY LINE_TO_XHY "
    "LINE_TO_X LINE_TO_Y sdPutIcon sdPutIconFile put_sf_icon PUT_SF_ICON_NO LightOn LightOFf "
    "pushButton_16 BrightSlider Cls setColorH colorSelector set_bg_colorh colorSelectorBG "
    "buttonDef buttonDefNo buttonDefUp buttonDefDown buttonDefDisabled buttonDefInitState "
    "buttonDefX buttonDefY buttonDefW buttonDefH serialPortList openSerialPort serialClose "
    "pushButton_10 tabbedWindow FontTable removeFontList pushButton_6 downFontList upFontList "
    "ImageTable removeImageList pushButton_3 pushButton pushButton_2 BackLightOn SSDefault "
    "SSImage SSColor SSImageNumber SSX SSY startScreenColor vxButton cuButton CalibratedXY "
    "SerialBaudRate TransmitterSerial TransmitterSPI TransmitterI2C ConfigOut GenerateConfig "
    "pushButton_9 textEdit demo";

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class FormTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<Ui::MainWindow> ui;

private slots:
    void initTestCase()
    {
        // The bundle lives in a static library: nothing in the form references it
        // at link time, so it has to be pulled in for the window icon.
        Q_INIT_RESOURCE(resources);
    }

    void init()
    {
        window.reset(new QMainWindow);
        ui.reset(new Ui::MainWindow);
        ui->setupUi(window.get());
    }

    void nothingIsWiredByName()
    {
        // The pages connect their widgets themselves. A slot named
        // on_<object>_<signal> on the window would also be wired by the form,
        // and its button would then act twice.
        const QMetaObject &mo = MainWindow::staticMetaObject;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            QVERIFY2(!mo.method(i).name().startsWith("on_"), mo.method(i).methodSignature());
    }

    void pagesInOrder()
    {
        const QStringList pages = {
            "tab Display Test", "tab_2 Fonts",           "tab_5 Images", "tab_4 Startup Settings",
            "tab_3 Config.txt", "tab_6 Update Firmware", "tab_7 Demos",  "tab_8 Manual"};
        QStringList actual;
        for (int i = 0; i < ui->tabbedWindow->count(); ++i)
            actual << ui->tabbedWindow->widget(i)->objectName() + ' ' +
                          ui->tabbedWindow->tabText(i);
        QCOMPARE(actual, pages);
        // The form opens on "Config.txt"; the window switches to the first page.
        QCOMPARE(ui->tabbedWindow->currentIndex(), 4);
        QVERIFY2(!window->windowIcon().isNull(), "the icon resource does not load");

        // Children order is the stacking order: the search field and button must
        // stay above the manual view, or they cannot be seen.
        QStringList stacking;
        for (QObject *child : ui->tab_8->children())
            if (child->isWidgetType())
                stacking << child->objectName();
        QCOMPARE(stacking, (QStringList{"frame", "webView", "searchManualText", "searchManual"}));
    }

    void ranges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("start");

        QTest::newRow("arcRadius") << "arcRadius" << 0 << 99 << 0;
        QTest::newRow("buttonStateNo") << "buttonStateNo" << 0 << 99 << 0;
        QTest::newRow("buttonDefNo is one byte") << "buttonDefNo" << 0 << 255 << 0;
        QTest::newRow("sdFileNumber is handle 1 or 2") << "sdFileNumber" << 1 << 2 << 1;
        QTest::newRow("readByteCount") << "readByteCount" << 0 << 9999999 << 0;
        QTest::newRow("BrightSlider is one byte") << "BrightSlider" << 0 << 255 << 200;
        QTest::newRow("Brightness starts at 128") << "Brightness" << 0 << 255 << 128;
    }

    void ranges()
    {
        QFETCH(QString, name);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, start);

        // Spin boxes and the slider share these property names.
        QObject *widget = window->findChild<QObject *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->property("minimum").toInt(), minimum);
        QCOMPARE(widget->property("maximum").toInt(), maximum);
        QCOMPARE(widget->property("value").toInt(), start);
    }

    void checkedAndDisabledAtStart()
    {
        // A generated Config.txt starts from these; the image fields open only
        // with an image start screen, and two transmitters cannot be chosen.
        QStringList checked;
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
            if (button->isChecked())
                checked << button->objectName();
        QCOMPARE(sorted(checked),
                 sorted({"setNorth", "setLayerVisible0", "TPvxButton", "SSDefault", "CalibratedXY",
                         "TransmitterSerial", "cdcMode", "BackLightOn"}));

        QStringList disabled;
        for (QWidget *widget : window->findChildren<QWidget *>())
            if (widget->testAttribute(Qt::WA_Disabled) && !widget->objectName().startsWith("qt_"))
                disabled << widget->objectName();
        QCOMPARE(sorted(disabled),
                 sorted({"SSImageNumber", "SSX", "SSY", "TransmitterUSB", "TransmitterI2C"}));
    }

    void radioButtonsGroupAsTheSettingsRead()
    {
        // Radio buttons are exclusive within their parent, and the start-up
        // settings are read and set one group at a time. The touch protocol of
        // the Display Test page shares texts with the start-up touch mode.
        QMap<QObject *, QStringList> groups;
        for (QRadioButton *radio : window->findChildren<QRadioButton *>()) {
            QVERIFY(radio->autoExclusive());
            groups[radio->parent()] << radio->objectName();
        }
        QStringList actual;
        for (const QStringList &group : qAsConst(groups))
            actual << sorted(group).join(' ');
        QCOMPARE(sorted(actual),
                 sorted({"TPCalibratedXY TPNone TPcuButton TPvxButton", "SSColor SSDefault SSImage",
                         "CalibratedXY cuButton vxButton",
                         "TransmitterI2C TransmitterSPI TransmitterSerial TransmitterUSB",
                         "cdcMode msdMode"}));
    }

    void comboItemsAreTheWireValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("items");

        // The baud rate is read as the current text and set from Config.txt by
        // index; the other choices go on the wire as their index.
        const QStringList baudRates = {"9600",  "14400",  "19200",  "28800",  "38400", "57600",
                                       "76800", "115200", "230400", "460800", "921600"};
        QTest::newRow("SerialBaudRate_2") << "SerialBaudRate_2" << baudRates;
        QTest::newRow("SerialBaudRate") << "SerialBaudRate" << baudRates;
        QTest::newRow("SD_SPACE_INFO_SELECTION")
            << "SD_SPACE_INFO_SELECTION"
            << QStringList{"Free Space", "Used Space", "Bad Space", "Total Space"};
        QTest::newRow("buttonDefInitState")
            << "buttonDefInitState" << QStringList{"Up", "Down", "Disabled", "Invisable"};
        QTest::newRow("buttonStateAction")
            << "buttonStateAction"
            << QStringList{"0-Delete Permanently", "1-Up", "2-Down", "3-Disabled", "4-Non Visible"};
    }

    void comboItemsAreTheWireValues()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, items);

        auto *combo = window->findChild<QComboBox *>(name);
        QVERIFY(combo);
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i)
            actual << combo->itemText(i);
        QCOMPARE(actual, items);
        QCOMPARE(combo->currentText(), items.contains("115200") ? "115200" : items.first());
    }

    void tablesHaveAColumnPerCell()
    {
        // A cell beyond the last column is dropped without a word.
        QCOMPARE(ui->FontTable->columnCount(), fontCells(0, QString(), FontEntry()).size());
        QCOMPARE(ui->ImageTable->columnCount(), imageCells(QString(), ImageFile()).size());
    }

    void textsAreTranslatable()
    {
        // Kept as they have always been written.
        QCOMPARE(ui->boxHFill->text(), QStringLiteral("BoH Fill"));
        QCOMPARE(ui->captureScreen->text(), QStringLiteral("Capture SCreen"));

        // Every text of the form goes through the translator.
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        ui->retranslateUi(window.get());
        QCoreApplication::removeTranslator(&translator);

        QStringList untranslated;
        int texts = 0;
        const auto take = [&](const QString &where, const QString &text) {
            texts += !text.isEmpty();
            if (!text.isEmpty() && !text.startsWith(QLatin1String("tr:")))
                untranslated << where + '=' + text;
        };
        for (QObject *object : window->findChildren<QObject *>()) {
            const QMetaObject *mo = object->metaObject();
            for (const char *name : {"text", "title", "toolTip", "plainText"}) {
                const QMetaProperty property = mo->property(mo->indexOfProperty(name));
                if (property.isWritable() && !object->objectName().startsWith(QLatin1String("qt_")))
                    take(object->objectName() + '.' + name, property.read(object).toString());
            }
            if (auto *combo = qobject_cast<QComboBox *>(object))
                for (int i = 0; i < combo->count(); ++i)
                    take(combo->objectName(), combo->itemText(i));
            if (auto *tabs = qobject_cast<QTabWidget *>(object))
                for (int i = 0; i < tabs->count(); ++i)
                    take(tabs->objectName(), tabs->tabText(i));
            if (auto *table = qobject_cast<QTableWidget *>(object))
                for (int i = 0; i < table->columnCount(); ++i)
                    take(table->objectName(), table->horizontalHeaderItem(i)->text());
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(", ")));
        QVERIFY(texts > 200);
    }

    void groupChildrenFitTheirGroup()
    {
        // Fixed positions, no layouts: a mistyped coordinate shows up as a widget
        // hanging out of its group box.
        for (QGroupBox *group : window->findChildren<QGroupBox *>()) {
            for (QWidget *child :
                 group->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                const QString where = group->objectName() + "/" + child->objectName();
                QVERIFY2(group->rect().contains(child->geometry()), qPrintable(where));
            }
        }
    }

    void focusChain()
    {
        const QStringList expected = QString(focusOrder).split(QLatin1Char(' '));

        // Walk the whole chain once from the first stop and keep the listed
        // widgets; inner parts of compound widgets and unlisted widgets drop out.
        QStringList walked;
        QWidget *w = ui->setXHY;
        do {
            if (expected.contains(w->objectName()) && !walked.contains(w->objectName()))
                walked << w->objectName();
            w = w->nextInFocusChain();
        } while (w && w != ui->setXHY);
        QCOMPARE(walked, expected);
    }
};

QTEST_MAIN(FormTest)
#include "tst_form.moc"
