#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QColorDialog>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class AssetsWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    QTemporaryDir work; // the working directory, where diagnostic bitmaps land
    QString previousDir;
    std::unique_ptr<WindowDriver> bench;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(files.path(), name, bytes);
    }

    // 320 x 240 with transparent colour 63519 (0xF81F).
    QString vxp(const QString &name, int size = 64)
    {
        return file(name, QByteArray("\x40\x01\xF0\x00\x1F\xF8", 6) + pattern(size - 6, 9));
    }

    QByteArray generateFlashImage(const QString &name)
    {
        chooseFile(files.filePath(name));
        bench->click("generateFlashImage");
        return readAll(files.filePath(name));
    }

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }
    void init() { bench = std::make_unique<WindowDriver>(); }
    void cleanup() { bench.reset(); }

    void addAndRemove()
    {
        QByteArray font = pattern(600, 1);
        font.replace(34, 2, "\x20\x7E").replace(0, 1, "\x10");
        const QString big = file("big.vxf", font);
        bench->addFonts({big, file("Nova.TTF", "x")});
        bench->addFonts({file("FONT.VXF", "\x08")});
        QCOMPARE(WindowDriver::row(bench->fonts(), 0),
                 QStringList({"0", big, "16", "32", "126", "600", "VXF"}));
        QCOMPARE(WindowDriver::column(bench->fonts(), 6), QStringList({"VXF", "TTF", "VXF"}));
        QCOMPARE(WindowDriver::row(bench->fonts(), 2).mid(2),
                 QStringList({"8", "0", "0", "1", "VXF"}));
        QCOMPARE(bench->status(), QString("Added 1 font"));
        bench->click("removeFontList");
        QCOMPARE(bench->fonts()->rowCount() + fontCount, 0);

        QVERIFY(QImage(5, 4, QImage::Format_RGB32).save(files.filePath("logo.bmp")));
        chooseFiles({vxp("PIC.VXP", 100), files.filePath("logo.bmp")});
        bench->click("pushButton_3");
        QCOMPARE(WindowDriver::row(bench->images(), 0).mid(2),
                 QStringList({"320", "240", "100", "63519", "16", "vxp"}));
        QCOMPARE(WindowDriver::row(bench->images(), 1).mid(5), QStringList({"", "32", "bmp"}));
        bench->images()->setColumnWidth(1, 400);
        bench->click("removeImageList");
        QCOMPARE(bench->images()->columnWidth(1), 256);
        bench->addImage(files.filePath("logo.bmp"));
        QCOMPARE(WindowDriver::column(bench->images(), 0), QStringList{"0"});
    }

    void fullListTurnsFilesAway()
    {
        for (int i = 0; i < listCapacity; ++i)
            bench->addImage(vxp("a.vxp"));
        chooseFiles({vxp("b.vxp"), vxp("c.vxp")});
        bench->click("pushButton_3");
        QCOMPARE(bench->images()->rowCount() + imageCount, 510);
        QCOMPARE(bench->images()->item(254, 0)->text(), QString("254"));
        QCOMPARE(bench->status(),
                 QString("Added 0 images; 2 images not added: the image list holds 255"));
    }

    void upMovesOnlyTheView()
    {
        for (const char *name : {"a.vxp", "b.vxp", "c.vxp"})
            bench->addImage(vxp(name));
        bench->click("pushButton_2"); // no current row: nothing moves
        bench->images()->setCurrentCell(2, 1);
        bench->click("pushButton_2");
        bench->click("pushButton"); // "Down" has no action
        bench->images()->setCurrentCell(0, 1);
        bench->click("pushButton_2"); // the first row cannot go higher
        const QHeaderView *rows = bench->images()->verticalHeader();
        QCOMPARE(QList<int>({rows->visualIndex(0), rows->visualIndex(1), rows->visualIndex(2)}),
                 QList<int>({0, 2, 1}));
        bench->click("GenerateConfig"); // the list keeps the order of adding
        QVERIFY(bench->configOut().indexOf("/b.vxp") < bench->configOut().indexOf("/c.vxp"));

        bench->addFonts({file("f.vxf", "1"), file("g.vxf", "2")});
        bench->fonts()->setCurrentCell(1, 0);
        bench->click("upFontList");
        bench->click("downFontList");
        QCOMPARE(bench->fonts()->verticalHeader()->visualIndex(1), 0);
        QCOMPARE(fontList[0].name, QString("f.vxf"));
    }

    void flashImageMatchesItsLayout()
    {
        bench->addFonts({file("font.vxf", pattern(1000, 1))});
        bench->addImage(file("pic.vxp", pattern(2000, 2)));
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(Qt::red);
            dialog->accept();
        });
        bench->click("startScreenColor");
        bench->click("SSColor");
        bench->check("msdMode");
        const QByteArray bytes = generateFlashImage("out.vxs");
        QCOMPARE(bytes.size(), 42016);
        QCOMPARE(bytes.left(12), QByteArray("Vexel9xx\x01\x80\x40\x02", 12));
        QCOMPARE(bytes.mid(76, 2) + bytes.at(109), QByteArray("\x00\xF8\x01", 3));
        QCOMPARE(bytes.mid(256, 9), QByteArray("font.vxf\0", 9));
        QCOMPARE(bytes.mid(256 + 64, 9), QByteArray("\xE8\x03\0\0\0\0\x30\xD0\0", 9));
        QCOMPARE(bytes.mid(19636, 8), QByteArray("pic.vxp\0", 8));
        QCOMPARE(bytes.mid(19636 + 64, 9), QByteArray("\xD0\x07\0\0\xE8\x03\x30\xD0\0", 9));
        QCOMPARE(bytes.mid(39016), pattern(1000, 1) + pattern(2000, 2));
        QVERIFY(bench->status().endsWith("out.vxs (42016 bytes)"));
        QVERIFY(bench->configOut().contains("SSColor = 63488"));
    }

    void diagnosticsOnlyForAWrittenImage()
    {
        QImage bitmap(2, 2, QImage::Format_RGB32);
        bitmap.fill(Qt::red);
        QVERIFY(bitmap.save("here.bmp")); // in the working directory
        bench->addImage(QDir::current().filePath("here.bmp"));
        bench->addImage(vxp("gone.vxp", 500));
        QFile::remove(files.filePath("gone.vxp"));
        cancelFileDialog();
        bench->click("generateFlashImage");
        QVERIFY(!QFile::exists("orig.bmp"));

        QCOMPARE(generateFlashImage("diagnostics.vxs").mid(39016),
                 readAll("here.bmp") + QByteArray(500, 0));
        QVERIFY(QFile::exists("orig.bmp") && QFile::exists("test1.bmp") &&
                QFile::exists("test2.bmp"));
        QVERIFY(bench->status().contains("missing, filled with zeros: gone.vxp"));
        generateFlashImage("no such folder/x.vxs");
        QVERIFY(bench->status().startsWith("Cannot create x.vxs"));
    }

    void importPackage()
    {
        QByteArray table(765, '\0');
        table.replace(0, 9, QByteArray("\x00\x02\xFD\x00\x03\x61\x00\x04\x29", 9)); // 765 865 1065
        const QString package =
            file("pack.esf", table + pattern(100, 5) + readAll(vxp("x.vxp", 200)));
        const QString into = QDir(files.path()).filePath("unpacked");
        QDir().mkpath(into);
        chooseFile(package, cancelFileDialog); // the folder dialog is cancelled
        bench->click("importESF");
        QCOMPARE(QDir(into).entryList(QDir::Files).size() + imageCount, 0);

        chooseFile(package, [into] { chooseFolder(into); });
        bench->click("importESF");
        QCOMPARE(WindowDriver::column(bench->images(), 1),
                 QStringList({into + "/0.vxp", into + "/1.vxp"}));
        QCOMPARE(readAll(into + "/0.vxp") + readAll(into + "/1.vxp"), readAll(package).mid(765));
        QCOMPARE(WindowDriver::row(bench->images(), 1).mid(2, 3),
                 QStringList({"320", "240", "200"}));
        QCOMPARE(bench->status(),
                 QString("pack.esf: wrote 2 images, skipped 0 slots past the end of the package"));

        for (int i = imageCount; i < listCapacity - 1; ++i) // room for one more
            bench->addImage(vxp("a.vxp"));
        chooseFile(package, [into] { chooseFolder(into); });
        bench->click("importESF");
        QCOMPARE(bench->images()->item(254, 1)->text(), into + "/0.vxp");
        QVERIFY(bench->status().endsWith("; 1 image not added: the image list holds 255"));
    }
};

QTEST_MAIN(AssetsWindowTest)
#include "tst_assetswindow.moc"
