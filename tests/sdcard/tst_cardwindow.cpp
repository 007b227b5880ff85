// "Generate SD Card" and "Save Config.txt..." driven through the window,
// and the round trip a card makes: what one bench writes, a fresh bench
// reads back to the same text and the same flash image.
#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

class CardWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    std::unique_ptr<WindowDriver> bench;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(files.path(), name, bytes);
    }

    QString emptyFolder(const QString &name)
    {
        const QString folder = files.filePath(name);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        return folder;
    }

    // Presses "Generate SD Card", picks `card` and waits for the write to end.
    void generateCard(const QString &card)
    {
        chooseFolder(card);
        bench->click("pushButton_9");
        QTRY_VERIFY_WITH_TIMEOUT(bench->get("pushButton_9")->isEnabled(), 20000);
    }

    QByteArray flashImage(const QString &name)
    {
        chooseFile(files.filePath(name));
        bench->click("generateFlashImage");
        return readAll(files.filePath(name));
    }

    // Every setting of the page away from its start state.
    void setEveryStartupSetting()
    {
        for (const char *name : {"extendedMode", "msdMode", "cuButton", "TransmitterSPI"})
            bench->check(name);
        bench->get("BackLightOn")->setChecked(false);
        bench->get<QSpinBox>("Brightness")->setValue(201);
        bench->get<QComboBox>("SerialBaudRate")->setCurrentIndex(2);
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
            dialog->accept();
        });
        bench->click("startScreenColor");
        bench->click("SSColor");
    }

private slots:
    void init() { bench = std::make_unique<WindowDriver>(); }
    void cleanup() { bench.reset(); }

    void aCardReadBackGivesTheSameTextAndImage()
    {
        setEveryStartupSetting();
        bench->addFonts({file("fonts/big.vxf", pattern(3000, 1)), file("fonts/small.ttf", "tt")});
        bench->addImage(file("pics/logo.vxp", QByteArray("\2\0\1\0\0\0", 6) + pattern(4, 2)));
        bench->addImage(file("pics/grün.vxp", QByteArray("\1\0\1\0\0\0", 6) + pattern(2, 3)));
        const QString card = emptyFolder("card");
        generateCard(card);
        QCOMPARE(bench->status(), "Card " + card + ": wrote 4 files and Config.txt");
        const QString text = bench->configOut();
        QCOMPARE(QString::fromUtf8(readAll(card + "/Config.txt")), text);
        QVERIFY2(text.contains("[Fonts]\n000 = /FONTS/big.vxf\n001 = /FONTS/small.ttf\n"
                               "[Images]\n000 = /IMAGES/logo.vxp\n001 = /IMAGES/grün.vxp\n"),
                 qPrintable(text));
        QVERIFY(text.contains("SSColor = 4522\n")); // 0x11AA
        QCOMPARE(readAll(card + "/IMAGES/grün.vxp"), readAll(files.filePath("pics/grün.vxp")));
        const QByteArray image = flashImage("first.vxs");

        generateCard(card); // nothing changed: nothing rewritten
        QCOMPARE(bench->status(),
                 "Card " + card + ": nothing to write, all 4 files and Config.txt unchanged");

        bench->reopen();
        chooseFile(card + "/Config.txt");
        bench->click("openConfigFile");
        QCOMPARE(bench->configOut(), text);
        bench->click("GenerateConfig");
        QCOMPARE(bench->configOut(), text); // the same card paths, the colour kept
        QCOMPARE(flashImage("second.vxs"), image);
    }

    void aClashOrAMissingFileWritesNothing()
    {
        bench->addFonts({file("a/same.vxf", "one"), file("b/SAME.vxf", "two")});
        const QString card = emptyFolder("clash");
        generateCard(card);
        QVERIFY2(bench->status().contains("same.vxf") && bench->status().contains("SAME.vxf"),
                 qPrintable(bench->status()));
        QCOMPARE(QDir(card).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

        bench->fonts()->selectAll();
        bench->click("removeFontList");
        bench->addImage(files.filePath("never made.vxp"));
        generateCard(card);
        QVERIFY2(bench->status().contains("never made.vxp"), qPrintable(bench->status()));
        QCOMPARE(QDir(card).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // Whatever has been copied when Cancel is pressed stays whole, and the
    // card gets no Config.txt naming files it may not hold.
    void cancelLeavesWholeFilesAndNoConfig()
    {
        QStringList fonts;
        for (int i = 0; i < 6; ++i)
            fonts << file(QString("many/f%1.vxf").arg(i), pattern(8 << 20, char(i)));
        bench->addFonts(fonts);
        const QString card = emptyFolder("cancelled");
        chooseFolder(card);
        bench->click("pushButton_9");
        auto *progress = bench->window->findChild<QProgressDialog *>("cardProgress");
        QVERIFY(progress);
        progress->findChild<QPushButton *>()->click(); // its Cancel button
        QTRY_VERIFY_WITH_TIMEOUT(bench->get("pushButton_9")->isEnabled(), 20000);
        QVERIFY2(bench->status().startsWith("Cancelled"), qPrintable(bench->status()));
        QVERIFY(!QFile::exists(card + "/Config.txt"));
        const QStringList copied = QDir(card + "/FONTS").entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : copied)
            QCOMPARE(readAll(card + "/FONTS/" + name), readAll(files.filePath("many/" + name)));
    }

    void saveConfigWritesThePaneAsShown()
    {
        bench->click("GenerateConfig");
        auto *pane = bench->get<QPlainTextEdit>("ConfigOut");
        pane->appendPlainText("# Grüße, edited by hand");
        const QString target = file("saved/Config.txt", "old contents");
        auto *save = bench->window->findChild<QAction *>("actionSaveConfig");
        QVERIFY(save);
        QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
        chooseFileToReplace(target);
        save->trigger();
        QCOMPARE(readAll(target), pane->toPlainText().toUtf8());
        QVERIFY(readAll(target).endsWith("\n[Fonts]\n[Images]\n\n# Grüße, edited by hand"));
        QCOMPARE(bench->status(), "Saved " + QDir::toNativeSeparators(target));

        const QString nowhere = files.filePath("no such folder/Config.txt");
        chooseFile(nowhere);
        save->trigger();
        QVERIFY(!QFile::exists(nowhere));
    }
};

QTEST_MAIN(CardWindowTest)
#include "tst_cardwindow.moc"
