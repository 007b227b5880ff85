#include "app/mainwindow.h"
#include "assets/assetlists.h"
#include "assets/filedialogs.h"
#include "config/cardpath.h"
#include "config/startupsettings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// What the "Startup Settings" page shows, for comparing whole pages.
struct PageState
{
    QStringList checked;
    QList<int> numbers;
    QString baudRate;
    QList<bool> imageFieldsEnabled;

    bool operator==(const PageState &other) const
    {
        return checked == other.checked && numbers == other.numbers &&
               baudRate == other.baudRate && imageFieldsEnabled == other.imageFieldsEnabled;
    }
};

namespace QTest {
template <>
char *toString(const PageState &page)
{
    return qstrdup(qPrintable(QStringLiteral("checked %1, numbers %2 %3 %4 %5, baud %6")
                                  .arg(page.checked.join(','))
                                  .arg(page.numbers.value(0))
                                  .arg(page.numbers.value(1))
                                  .arg(page.numbers.value(2))
                                  .arg(page.numbers.value(3))
                                  .arg(page.baudRate)));
}
} // namespace QTest

class ConfigWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir files;
    std::unique_ptr<MainWindow> window;
    int fileNumber = 0;

    template <typename Widget>
    Widget *widget(const char *name)
    {
        auto *found = window->findChild<Widget *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    void click(const char *name) { widget<QAbstractButton>(name)->click(); }
    void check(const char *name) { widget<QAbstractButton>(name)->setChecked(true); }
    QString configOut() { return widget<QPlainTextEdit>("ConfigOut")->toPlainText(); }
    QString status() { return window->statusBar()->currentMessage(); }
    QTableWidget *fonts() { return widget<QTableWidget>("FontTable"); }
    QTableWidget *images() { return widget<QTableWidget>("ImageTable"); }

    PageState page()
    {
        PageState state;
        for (const char *name :
             {"extendedMode", "cdcMode", "msdMode", "BackLightOn", "SSDefault", "SSImage",
              "SSColor", "vxButton", "cuButton", "CalibratedXY", "TransmitterUSB",
              "TransmitterSerial", "TransmitterSPI", "TransmitterI2C"}) {
            if (widget<QAbstractButton>(name)->isChecked())
                state.checked.append(QLatin1String(name));
        }
        for (const char *name : {"Brightness", "SSImageNumber", "SSX", "SSY"}) {
            state.numbers.append(widget<QSpinBox>(name)->value());
            if (name != QLatin1String("Brightness"))
                state.imageFieldsEnabled.append(widget<QSpinBox>(name)->isEnabled());
        }
        state.baudRate = widget<QComboBox>("SerialBaudRate")->currentText();
        return state;
    }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = files.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString writeConfig(const QByteArray &content)
    {
        return writeFile(QStringLiteral("card%1/Config.txt").arg(++fileNumber), content);
    }

    void addFont(const QString &path)
    {
        chooseFile(path);
        click("pushButton_6");
    }

    void addImage(const QString &path)
    {
        QVERIFY(QMetaObject::invokeMethod(window.get(), "AddToImageList", Q_ARG(QString, path)));
    }

    void load(const QString &config)
    {
        chooseFile(config);
        click("openConfigFile");
    }

private slots:
    void init()
    {
        window = std::make_unique<MainWindow>();
        click("removeFontList");
        click("removeImageList");
        startScreenFill = QColor();
    }

    void cleanup() { window.reset(); }

    void startStateGivesThirteenLines()
    {
        click("GenerateConfig");
        QCOMPARE(configOut().split('\n'),
                 QStringList({"#", "# Vexel900 Config.txt", "#", "[Startup]", "USBMode = CDC",
                              "Backlight = On", "Brightness = 128", "StartScreen = Default",
                              "TouchScreen = CalibratedXY", "SerialBaudRate = 115200",
                              "Transmitter = Serial", "[Fonts]", "[Images]", ""}));
        // A second run replaces the text, edits included.
        widget<QPlainTextEdit>("ConfigOut")->appendPlainText("edited");
        click("GenerateConfig");
        QVERIFY(!configOut().contains("edited"));
        QCOMPARE(configOut().count('\n'), 13);
    }

    void startScreenControls()
    {
        QVERIFY(!widget<QSpinBox>("SSX")->isEnabled());
        click("SSImage");
        QVERIFY(widget<QSpinBox>("SSImageNumber")->isEnabled());
        QVERIFY(widget<QSpinBox>("SSY")->isEnabled());
        widget<QSpinBox>("SSImageNumber")->setValue(5);
        widget<QSpinBox>("SSX")->setValue(10);
        widget<QSpinBox>("SSY")->setValue(20);
        click("GenerateConfig");
        QVERIFY(configOut().contains(
            "StartScreen = Image\nImageNumber = 5\nImageX = 10\nImageY = 20\nTouchScreen"));

        click("SSColor");
        QVERIFY(!widget<QSpinBox>("SSX")->isEnabled());
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) { dialog->reject(); });
        click("startScreenColor");
        click("GenerateConfig");
        QVERIFY(configOut().contains("StartScreen = Color\nSSColor = 0\n"));
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(0, 255, 0));
            dialog->accept();
        });
        click("startScreenColor");
        click("GenerateConfig");
        QVERIFY(configOut().contains("SSColor = 2016\n"));

        click("SSDefault");
        click("GenerateConfig");
        QVERIFY(!configOut().contains("SSColor"));
        QVERIFY(!configOut().contains("ImageX"));
    }

    void listPathsAreWrittenFromTheVolumeRoot()
    {
        const QString font = writeFile("My Card/FONTS/big.vxf", QByteArray(40, '\x10'));
        const QString picture = writeFile("My Card/IMAGES/grün.vxp", QByteArray(6, '\x01'));
        addFont(font);
        addImage(picture);
        click("GenerateConfig");
        const QStringList lines = configOut().split('\n');
        const QString fontLine = lines.at(lines.indexOf("[Fonts]") + 1);
        QVERIFY2(fontLine.startsWith("000 = /"), qPrintable(fontLine));
        QVERIFY2(fontLine.endsWith("/My Card/FONTS/big.vxf"), qPrintable(fontLine));
        QCOMPARE(fontLine.mid(6), cardPath(font));
        QVERIFY(lines.contains("000 = " + cardPath(picture)));
    }

    void loadingWhatTheWriterWroteGivesThePageBack()
    {
        check("extendedMode");
        check("msdMode");
        widget<QCheckBox>("BackLightOn")->setChecked(false);
        widget<QSpinBox>("Brightness")->setValue(201);
        click("SSImage");
        widget<QSpinBox>("SSImageNumber")->setValue(7);
        widget<QSpinBox>("SSX")->setValue(300);
        widget<QSpinBox>("SSY")->setValue(200);
        check("cuButton");
        widget<QComboBox>("SerialBaudRate")->setCurrentIndex(2);
        check("TransmitterSPI");
        const QString font = writeFile("assets/FONTS/a.vxf", QByteArray(36, '\x0C'));
        const QString picture = writeFile("assets/IMAGES/b c.vxp", QByteArray("\x10\x00\x08\x00\x00\x00", 6));
        addFont(font);
        addImage(picture);
        click("GenerateConfig");
        const PageState written = page();
        const QString text = configOut();

        const QString config = writeConfig(text.toUtf8());
        window = std::make_unique<MainWindow>(); // a fresh page in its start state
        load(config);

        QCOMPARE(page(), written);
        QCOMPARE(configOut(), text);
        const QString folder = QFileInfo(config).absolutePath();
        QCOMPARE(fonts()->rowCount(), 1);
        QCOMPARE(fonts()->item(0, 1)->text(), folder + cardPath(font));
        QVERIFY(fonts()->item(0, 6) == nullptr); // no Type cell for loaded fonts
        QCOMPARE(fontList[0].name, folder + cardPath(font));
        QCOMPARE(images()->item(0, 1)->text(), folder + cardPath(picture));
        QCOMPARE(imageList[0].name, folder + cardPath(picture));
        QVERIFY(status().startsWith("Loaded Config.txt"));
    }

    void loadingReplacesTheLists()
    {
        addFont(writeFile("old.vxf", QByteArray(36, '\x01')));
        addImage(writeFile("old.vxp", QByteArray(6, '\x01')));
        const QString config = writeConfig("[Images]\n000 = /IMG/one.vxp\n001 = /IMG/two.bmp\n"
                                           "[Startup]\nBrightness = 300\nTransmitter = USB\n"
                                           "SerialBaudRate = 12345\nStartScreen = Image\n");
        writeFile(QStringLiteral("card%1/IMG/one.vxp").arg(fileNumber),
                  QByteArray("\x40\x01\xF0\x00\x1F\xF8", 6));
        check("TransmitterSPI");
        widget<QComboBox>("SerialBaudRate")->setCurrentIndex(3);
        widget<QSpinBox>("SSImageNumber")->setValue(12);
        load(config);

        QCOMPARE(int(fontCount), 0);
        QCOMPARE(fonts()->rowCount(), 0);
        QCOMPARE(int(imageCount), 2);
        QCOMPARE(images()->item(0, 0)->text(), QString("0"));
        QCOMPARE(images()->item(0, 2)->text(), QString("320"));
        QCOMPARE(images()->item(0, 5)->text(), QString("63519"));
        QCOMPARE(images()->item(1, 4)->text(), QString("0")); // missing file, still listed
        QVERIFY(status().contains("two.bmp"));
        QCOMPARE(widget<QSpinBox>("Brightness")->value(), 44);
        QVERIFY(widget<QRadioButton>("TransmitterSPI")->isChecked());
        QCOMPARE(widget<QComboBox>("SerialBaudRate")->currentIndex(), 3);
        QVERIFY(widget<QRadioButton>("SSImage")->isChecked());
        QCOMPARE(widget<QSpinBox>("SSImageNumber")->value(), 12);
        QVERIFY(widget<QSpinBox>("SSImageNumber")->isEnabled());
        QVERIFY(!widget<QCheckBox>("BackLightOn")->isChecked());
    }

    void tooManyEntriesAreTurnedAway()
    {
        QByteArray content = "[Fonts]\n";
        for (int i = 0; i < 300; ++i)
            content += QByteArray::number(i).rightJustified(3, '0') + " = /f.vxf\n";
        const QString config = writeConfig(content);
        load(config);
        QCOMPARE(int(fontCount), 255);
        QCOMPARE(fonts()->rowCount(), 255);
        QVERIFY2(status().contains("45 fonts not added: the font list holds 255"),
                 qPrintable(status()));
    }

    void refusedOrCancelledLoadsChangeNothing()
    {
        addFont(writeFile("keep.vxf", QByteArray(36, '\x01')));
        widget<QSpinBox>("Brightness")->setValue(17);
        click("GenerateConfig");
        const QString text = configOut();
        const PageState before = page();

        cancelFileDialog();
        click("openConfigFile");
        QByteArray garbage(3000, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 31 + 7) % 256);
        load(writeConfig(garbage));
        QVERIFY(status().contains("is not a text file"));
        load(writeConfig("just some notes\n"));
        QVERIFY(status().contains("has no [Startup]"));

        QCOMPARE(page(), before);
        QCOMPARE(configOut(), text);
        QCOMPARE(int(fontCount), 1);
        QCOMPARE(fonts()->item(0, 1)->text(), files.filePath("keep.vxf"));
    }
};

QTEST_MAIN(ConfigWindowTest)
#include "tst_configwindow.moc"
