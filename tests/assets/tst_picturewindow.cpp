// The Images page's pictures: the preview of the selected row, "Convert...",
// and files dropped on the two tables.
#include "assets/testfiles.h"
#include "assets/windowdriver.h"
#include "ui/convertdialog.h"
#include "ui/imagepreview.h"

#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

class PictureWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir files;
    std::unique_ptr<WindowDriver> bench;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(files.path(), name, bytes);
    }

    QString picture(const QString &name, const QImage &image)
    {
        const QString path = files.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        if (!image.save(path))
            qFatal("cannot save %s", qPrintable(path));
        return path;
    }

    static QImage twoPixels(QRgb left, QRgb right)
    {
        QImage image(2, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, left);
        image.setPixel(1, 0, right);
        return image;
    }

    QLabel *preview() const { return bench->get<QLabel>("imagePreview"); }

    // A drop of `paths` on `table` as a file manager sends it.
    static void drop(QTableWidget *table, const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QWidget *target = table->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QVERIFY(dropped.isAccepted());
    }

private slots:
    void init() { bench = std::make_unique<WindowDriver>(); }
    void cleanup() { bench.reset(); }

    void previewFollowsTheSelectedRow()
    {
        // 2 x 1: red, then a pixel in the transparent word 0x001F.
        bench->addImage(file("pic.vxp", QByteArray("\2\0\1\0\x1F\0\0\xF8\x1F\0", 10)));
        bench->addImage(file("short.vxp", QByteArray("\x40\x01\xF0\0\0\0\0", 7)));
        bench->addImage(picture("logo.bmp", twoPixels(qRgb(0, 0, 255), qRgb(0, 255, 0))));
        QVERIFY(preview()->pixmap().isNull());

        bench->images()->selectRow(0);
        const QImage shown = preview()->pixmap().toImage();
        QVERIFY(!shown.isNull() && shown.width() <= preview()->width());
        QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::red));
        // The transparent pixel shows the checkerboard, not blue.
        const QColor right = shown.pixelColor(shown.width() - 1, 0);
        QVERIFY2(right.red() == right.green() && right.green() == right.blue(),
                 qPrintable(right.name()));

        bench->images()->selectRow(1);
        QVERIFY(preview()->pixmap().isNull());
        QCOMPARE(preview()->text(),
                 QString("short.vxp is 7 bytes, too short for 320 x 240 pixels (153606 bytes)"));

        bench->images()->selectRow(2);
        QCOMPARE(preview()->pixmap().toImage().pixelColor(0, 0), QColor(Qt::blue));
        bench->images()->selectRow(0);
        bench->click("removeImageList"); // the row after it moves up and is shown
        QCOMPARE(preview()->text(),
                 QString("short.vxp is 7 bytes, too short for 320 x 240 pixels (153606 bytes)"));
        bench->images()->selectAll();
        bench->click("removeImageList");
        QVERIFY(preview()->text().isEmpty());
    }

    // On a scaled screen the preview is drawn with the screen's pixels: it
    // fills the same room as on a plain screen, with more detail, and a small
    // picture is still enlarged by whole device pixels.
    void previewIsDrawnAtTheScreensResolution_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels"); // in a room of 100 x 80
        QTest::newRow("small, 100 %") << QSize(30, 20) << 1.0 << QSize(90, 60);
        QTest::newRow("small, 200 %") << QSize(30, 20) << 2.0 << QSize(180, 120);
        QTest::newRow("small, 150 %") << QSize(30, 20) << 1.5 << QSize(150, 100);
        QTest::newRow("large, 100 %") << QSize(400, 160) << 1.0 << QSize(100, 40);
        QTest::newRow("large, 200 %") << QSize(400, 160) << 2.0 << QSize(200, 80);
        QTest::newRow("fits only the scaled room") << QSize(150, 40) << 2.0 << QSize(150, 40);
    }

    void previewIsDrawnAtTheScreensResolution()
    {
        QFETCH(QSize, picture);
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        const QSize room(100, 80);
        QImage image(picture, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 255 / image.width(), y * 255 / image.height(), 90));

        const QPixmap shown = fittedPreview(image, room, ratio);
        QCOMPARE(shown.size(), pixels);
        QCOMPARE(shown.devicePixelRatio(), ratio);
        const QSizeF logical = QSizeF(shown.size()) / ratio;
        QVERIFY(logical.width() <= room.width() && logical.height() <= room.height());
        if (pixels.width() % picture.width() == 0) {
            // Enlarged: each picture pixel became a block of the same colour.
            const int factor = pixels.width() / picture.width();
            const QImage drawn = shown.toImage();
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x)
                    QCOMPARE(drawn.pixel(x, y), image.pixel(x / factor, y / factor));
        }
    }

    void convertWritesVxpFilesAndListsThem()
    {
        const QString red = picture("in/red.png", twoPixels(qRgb(255, 0, 0), qRgba(0, 0, 255, 0)));
        const QString tall = picture("in/tall.png", QImage(4, 400, QImage::Format_RGB32));
        const QString out = files.filePath("out");
        QDir().mkpath(out);
        chooseFiles({red, tall}, [out] {
            answerNextDialog<ConvertDialog>([out](ConvertDialog *dialog) {
                dialog->setTransparentColor(QColor(255, 0, 255));
                dialog->setOutputFolder(out);
                dialog->accept();
            });
        });
        bench->click("convertImage");
        QCOMPARE(readAll(out + "/red.vxp"), QByteArray("\2\0\1\0\x1F\xF8\0\xF8\x1F\xF8", 10));
        QVERIFY(!QFile::exists(out + "/tall.vxp")); // too tall, not asked to fit
        QCOMPARE(WindowDriver::column(bench->images(), 1), QStringList{out + "/red.vxp"});
        QVERIFY2(
            bench->status().startsWith("Added 1 image; Cannot convert tall.png: 400 pixels tall"),
            qPrintable(bench->status()));

        chooseFiles({tall}, [] {
            answerNextDialog<ConvertDialog>([](ConvertDialog *dialog) {
                dialog->setFit(true);
                dialog->accept();
            });
        });
        bench->click("convertImage"); // beside the picture this time, scaled to fit
        QCOMPARE(WindowDriver::row(bench->images(), 1).mid(1, 3),
                 QStringList({files.filePath("in/tall.vxp"), "2", "255"}));
        QVERIFY(bench->status().contains("tall.png: scaled down to 2 x 255"));
    }

    void dropsAddWhatTheTablesTake()
    {
        const QString fonts = files.filePath("dropfonts");
        writeFile(fonts, "b10.vxf", "b10");
        writeFile(fonts, "b2.vxf", "b2");
        writeFile(fonts, "notes.txt", "not a font");
        const QString loose = file("loose.ttf", "ttf");
        drop(bench->fonts(), {fonts, loose, file("readme.md", "#")});
        QCOMPARE(WindowDriver::column(bench->fonts(), 1),
                 QStringList({fonts + "/b10.vxf", fonts + "/b2.vxf", loose}));
        QCOMPARE(bench->status(), QString("Added 3 fonts; not .vxf or .ttf fonts, not added: "
                                          "readme.md"));

        const QString png = picture("drop/photo.png", twoPixels(qRgb(0, 255, 0), qRgb(0, 0, 0)));
        const QString vxp = file("drop/ready.vxp", QByteArray("\1\0\1\0\0\0\0\0", 8));
        drop(bench->images(), {png, vxp});
        QCOMPARE(WindowDriver::column(bench->images(), 1),
                 QStringList({files.filePath("drop/photo.vxp"), vxp}));
        QCOMPARE(readAll(files.filePath("drop/photo.vxp")).mid(6), QByteArray("\xE0\x07\0\0", 4));

        // A folder gives its .vxp and .bmp files, not the pictures they came
        // from; a picture whose .vxp is listed is not converted over it.
        drop(bench->images(), {files.filePath("drop")});
        QCOMPARE(WindowDriver::column(bench->images(), 1).mid(2),
                 QStringList({files.filePath("drop/photo.vxp"), vxp}));
        drop(bench->images(), {png});
        QCOMPARE(bench->status(),
                 QString("Added 0 images; Cannot convert photo.png: photo.vxp is listed already"));
        QVERIFY(bench->get<QTextEdit>("textEdit")->toPlainText().isEmpty()); // not logged
    }
};

QTEST_MAIN(PictureWindowTest)
#include "tst_picturewindow.moc"
