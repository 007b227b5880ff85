#include "assets/testfiles.h"
#include "assets/windowdriver.h"

#include <QColorDialog>
#include <QHeaderView>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

class AssetsWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    QTemporaryDir work; // the working directory, where diagnostic bitmaps land
    QString previousDir;
    std::unique_ptr<WindowDriver> bench;
    int images = 0; // flash images written, each under its own name

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
        bench->fonts()->selectAll();
        bench->click("removeFontList");
        QCOMPARE(bench->fonts()->rowCount() + bench->lists().fontCount, 0);

        QVERIFY(QImage(5, 4, QImage::Format_RGB32).save(files.filePath("logo.bmp")));
        chooseFiles({vxp("PIC.VXP", 100), files.filePath("logo.bmp")});
        bench->click("pushButton_3");
        QCOMPARE(WindowDriver::row(bench->images(), 0).mid(2),
                 QStringList({"320", "240", "100", "63519", "16", "vxp"}));
        QCOMPARE(WindowDriver::row(bench->images(), 1).mid(5), QStringList({"", "32", "bmp"}));
        bench->images()->setColumnWidth(1, 400);
        bench->images()->selectAll();
        bench->click("removeImageList");
        QCOMPARE(bench->images()->columnWidth(1), 256);
        bench->addImage(files.filePath("logo.bmp"));
        QCOMPARE(WindowDriver::column(bench->images(), 0), QStringList{"0"});
    }

    // What the lists produce, not only what the tables show: the Config.txt
    // lines and the names in the flash image's directories.
    QStringList configImages()
    {
        bench->click("GenerateConfig");
        const QString text = bench->configOut();
        QStringList names;
        for (const QString &line : text.mid(text.indexOf("[Images]")).split('\n'))
            if (line.contains(" = "))
                names << line.section('/', -1);
        return names;
    }
    QStringList directoryNames(int offset)
    {
        const QString name = QString("order%1.vxs").arg(++images);
        const QByteArray image = generateFlashImage(name);
        QStringList names;
        for (int i = 0; i < 255 && image.at(offset + i * 76); ++i)
            names << QString::fromUtf8(image.mid(offset + i * 76, 64).constData());
        return names;
    }

    void upAndDownMoveTheEntries()
    {
        for (const char *name : {"a.vxp", "b.vxp", "c.vxp"})
            bench->addImage(vxp(name, 60 + name[0]));
        bench->click("pushButton_2"); // nothing selected: nothing moves
        bench->click("pushButton");
        QCOMPARE(configImages(), QStringList({"a.vxp", "b.vxp", "c.vxp"}));

        bench->images()->selectRow(2);
        bench->click("pushButton_2");
        QCOMPARE(configImages(), QStringList({"a.vxp", "c.vxp", "b.vxp"}));
        QCOMPARE(WindowDriver::column(bench->images(), 0), QStringList({"0", "1", "2"}));
        QCOMPARE(WindowDriver::row(bench->images(), 1).mid(1, 1),
                 QStringList{files.filePath("c.vxp")});
        QCOMPARE(bench->lists().imageList[1].number, quint8(1));
        QCOMPARE(bench->images()->currentRow(), 1); // the moved row stays selected
        QCOMPARE(bench->images()->selectionModel()->selectedRows(),
                 QModelIndexList{bench->images()->model()->index(1, 0)});
        bench->click("pushButton");
        QCOMPARE(configImages(), QStringList({"a.vxp", "b.vxp", "c.vxp"}));
        bench->click("pushButton"); // already last
        bench->images()->selectRow(0);
        bench->click("pushButton_2"); // already first
        QCOMPARE(directoryNames(19636), QStringList({"a.vxp", "b.vxp", "c.vxp"}));

        bench->addFonts({file("f.vxf", "1"), file("g.vxf", "22"), file("h.vxf", "333")});
        bench->fonts()->setCurrentCell(0, 3);
        bench->click("downFontList");
        bench->click("downFontList");
        QCOMPARE(directoryNames(256), QStringList({"g.vxf", "h.vxf", "f.vxf"}));
        // The data area follows the directories: g's bytes come first.
        QCOMPARE(readAll(files.filePath(QString("order%1.vxs").arg(images))).mid(39016, 6),
                 QByteArray("22333"
                            "1"));
    }

    void removeTakesTheSelectedRows()
    {
        for (const char *name : {"a.vxp", "b.vxp", "c.vxp", "d.vxp"})
            bench->addImage(vxp(name));
        bench->images()->clearSelection();
        bench->click("removeImageList");
        QVERIFY(bench->status().startsWith("Nothing removed: select rows first"));
        QCOMPARE(bench->lists().imageCount, quint8(4));

        bench->images()->selectRow(1);
        bench->images()->selectionModel()->select(bench->images()->model()->index(3, 0),
                                                  QItemSelectionModel::Select |
                                                      QItemSelectionModel::Rows);
        bench->click("removeImageList");
        QCOMPARE(bench->status(), QString("Removed 2 images"));
        QCOMPARE(configImages(), QStringList({"a.vxp", "c.vxp"}));
        QCOMPARE(WindowDriver::column(bench->images(), 0), QStringList({"0", "1"}));
        QCOMPARE(directoryNames(19636), QStringList({"a.vxp", "c.vxp"}));

        bench->addFonts({file("f.vxf", "1"), file("g.vxf", "2")});
        // Keys reach shortcuts only in the active window, on the page shown.
        bench->get<QTabWidget>("tabbedWindow")->setCurrentWidget(bench->get<QWidget>("tab_2"));
        bench->window->show();
        QApplication::setActiveWindow(bench->window.get());
        QVERIFY(QTest::qWaitForWindowActive(bench->window.get()));
        bench->fonts()->setFocus();
        bench->fonts()->selectRow(0);
        QTest::keyClick(bench->fonts(), Qt::Key_Delete); // the key does what the button does
        QCOMPARE(WindowDriver::column(bench->fonts(), 1), QStringList{files.filePath("g.vxf")});
        QCOMPARE(WindowDriver::column(bench->fonts(), 0), QStringList{"0"});
        bench->images()->selectAll();
        bench->click("removeImageList");
        QCOMPARE(configImages(), QStringList());
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
        QCOMPARE(QDir(into).entryList(QDir::Files).size() + bench->lists().imageCount, 0);

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
