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
        bench->addFonts({big});
        bench->addFonts({file("FONT.VXF", "\x08")});
        QCOMPARE(WindowDriver::row(bench->fonts(), 0),
                 QStringList({"0", big, "16", "32", "126", "600", "VXF"}));
        QCOMPARE(WindowDriver::column(bench->fonts(), 0), QStringList({"0", "1"}));
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
        QCOMPARE(bytes.mid(19636, 8), QByteArray("pic.vxp\0", 8)); // the directories are filled
        QCOMPARE(bytes.mid(39016), pattern(1000, 1) + pattern(2000, 2));
        QVERIFY(bench->status().endsWith("out.vxs (42016 bytes)"));
        QVERIFY(bench->configOut().contains("SSColor = 63488"));
    }

    void diagnosticsOnlyForAWrittenImage()
    {
        QImage bitmap(2, 2, QImage::Format_RGB32);
        bitmap.fill(Qt::white);
        bitmap.setPixel(0, 0, qRgb(255, 0, 0));
        QVERIFY(bitmap.save("here.bmp")); // in the working directory
        bench->addImage(QDir::current().filePath("here.bmp"));
        bench->addImage(vxp("gone.vxp", 500));
        QFile::remove(files.filePath("gone.vxp"));
        cancelFileDialog();
        bench->click("generateFlashImage");
        QVERIFY(!QFile::exists("orig.bmp"));

        QCOMPARE(generateFlashImage("diagnostics.vxs").mid(39016),
                 readAll("here.bmp") + QByteArray(500, 0));
        // As loaded, in 5-6-5 (pure red survives it), and turned upside down and mirrored.
        QCOMPARE(QImage("orig.bmp").pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(QImage("test1.bmp").pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(QImage("test2.bmp").pixel(1, 1), qRgb(255, 0, 0));
        QVERIFY(bench->status().contains("missing, filled with zeros: gone.vxp"));
    }

    void importPackage()
    {
        const QString package = file("pack.esf", esfTable({765, 865, 1065}) + pattern(100, 5) +
                                                     readAll(vxp("x.vxp", 200)));
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
    }
};

QTEST_MAIN(AssetsWindowTest)
#include "tst_assetswindow.moc"
