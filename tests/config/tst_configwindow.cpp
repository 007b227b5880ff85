#include "assets/testfiles.h"
#include "assets/windowdriver.h"
#include "config/cardpath.h"

#include <QColorDialog>
#include <QComboBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

class ConfigWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    std::unique_ptr<WindowDriver> bench;
    int configs = 0;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(files.path(), name, bytes);
    }
    QSpinBox *spin(const char *name) { return bench->get<QSpinBox>(name); }
    QString folder() { return files.filePath(QString("card%1").arg(configs)); }

    // The "Startup Settings" page in one line, for comparing whole pages.
    QString page()
    {
        QStringList state;
        for (const char *name : {"extendedMode", "msdMode", "BackLightOn", "SSImage", "SSColor",
                                 "vxButton", "cuButton", "TransmitterSPI", "TransmitterI2C"})
            state << (bench->get(name)->isChecked() ? name : "-");
        for (const char *name : {"Brightness", "SSImageNumber", "SSX", "SSY"})
            state << QString::number(spin(name)->value()) + (spin(name)->isEnabled() ? "" : "x");
        return state.join(' ') + ' ' + bench->get<QComboBox>("SerialBaudRate")->currentText();
    }

    void load(const QByteArray &text)
    {
        chooseFile(file(QString("card%1/Config.txt").arg(++configs), text));
        bench->click("openConfigFile");
    }

private slots:
    void init() { bench = std::make_unique<WindowDriver>(); }
    void cleanup() { bench.reset(); }

    void startScreenControls()
    {
        bench->click("SSImage");
        spin("SSImageNumber")->setValue(5);
        bench->click("GenerateConfig");
        QVERIFY(bench->configOut().contains("StartScreen = Image\nImageNumber = 5\nImageX = 0\n"));
        bench->click("SSColor");
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) { dialog->reject(); });
        bench->click("startScreenColor");
        bench->click("GenerateConfig");
        QVERIFY(bench->configOut().contains("StartScreen = Color\nSSColor = 0\n"));
        QCOMPARE(page(), QString("- - BackLightOn - SSColor - - - - 128 5x 0x 0x 115200"));
        bench->click("SSDefault");
        bench->click("GenerateConfig");
        QCOMPARE(bench->configOut().count('\n'), 13);
    }

    void loadingWhatTheWriterWroteGivesThePageBack()
    {
        for (const char *name : {"extendedMode", "msdMode", "cuButton", "TransmitterSPI"})
            bench->check(name);
        bench->get("BackLightOn")->setChecked(false);
        bench->click("SSImage");
        for (const char *name : {"Brightness", "SSImageNumber", "SSX", "SSY"})
            spin(name)->setValue(201);
        bench->get<QComboBox>("SerialBaudRate")->setCurrentIndex(2);
        const QString font = file("My Card/FONTS/a.vxf", QByteArray(36, 12));
        const QString picture =
            file("My Card/IMAGES/grün.vxp", QByteArray("\x10\x00\x08\0\0\0", 6));
        bench->addFonts({font});
        bench->addImage(picture);
        bench->click("GenerateConfig");
        const QString written = page();
        const QString text = bench->configOut();
        QVERIFY(cardPath(font).endsWith("/My Card/FONTS/a.vxf")); // from the volume root, whole
        QVERIFY2(text.contains("[Fonts]\n000 = " + cardPath(font) + "\n"), qPrintable(text));

        bench->reopen(); // a fresh page in its start state
        load(text.toUtf8());
        QCOMPARE(page(), written);
        QCOMPARE(bench->configOut(), text);
        QCOMPARE(WindowDriver::row(bench->fonts(), 0), // missing there, and no Type cell
                 QStringList({"0", folder() + cardPath(font), "0", "0", "0", "0", "-"}));
        QCOMPARE(bench->lists().imageList[0].name, QString("grün.vxp"));
        QVERIFY(bench->status().startsWith("Loaded Config.txt: Added 1 font; cannot open a.vxf"));
    }

    // The command-line tool holds a Config.txt's numbers to these limits
    // without a window; they must be the page's own.
    void pageLimitsAreTheReadersLimits()
    {
        QCOMPARE(spin("Brightness")->maximum(), int(StartupLimit::brightness));
        QCOMPARE(spin("SSImageNumber")->maximum(), int(StartupLimit::imageNumber));
        QCOMPARE(spin("SSX")->maximum(), int(StartupLimit::imageX));
        QCOMPARE(spin("SSY")->maximum(), int(StartupLimit::imageY));
        for (const char *name : {"Brightness", "SSImageNumber", "SSX", "SSY"})
            QCOMPARE(spin(name)->minimum(), 0);
    }

    void loadingReplacesTheListsAndKeepsWhatTheFileDoesNotSay()
    {
        bench->addFonts({file("old.vxf", "1")});
        bench->check("TransmitterSPI");
        bench->get<QComboBox>("SerialBaudRate")->setCurrentIndex(3);
        spin("SSImageNumber")->setValue(12);
        file(QString("card%1/IMG/one.vxp").arg(configs + 1),
             QByteArray("\x40\x01\xF0\0\x1F\xF8", 6));
        load("[Images]\n000 = /IMG/one.vxp\n[Startup]\nBrightness = 300\nTransmitter = USB\n"
             "SerialBaudRate = 12345\nStartScreen = Image\n[Fonts]\n000 = /f.vxf\n");
        QCOMPARE(WindowDriver::row(bench->images(), 0).mid(2),
                 QStringList({"320", "240", "6", "63519", "16", "vxp"}));
        QCOMPARE(WindowDriver::column(bench->fonts(), 1), QStringList{folder() + "/f.vxf"});
        QCOMPARE(page(), QString("- - - SSImage - - - TransmitterSPI - 44 12 0 0 28800"));
    }

    void refusedOrCancelledLoadsChangeNothing()
    {
        bench->addFonts({file("keep.vxf", "1")});
        bench->click("GenerateConfig");
        const QString text = bench->configOut();
        cancelFileDialog();
        bench->click("openConfigFile");
        load("just some notes\n");
        QVERIFY(bench->status().contains("has no [Startup], [Fonts] or [Images] section"));
        QCOMPARE(page(), QString("- - BackLightOn - - - - - - 128 0x 0x 0x 115200"));
        QCOMPARE(bench->configOut(), text);
        QCOMPARE(WindowDriver::column(bench->fonts(), 1), QStringList{files.filePath("keep.vxf")});
    }
};

QTEST_MAIN(ConfigWindowTest)
#include "tst_configwindow.moc"
