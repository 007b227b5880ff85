#include "app/mainwindow.h"
#include "assets/assetlists.h"
#include "assets/filedialogs.h"

#include <QColorDialog>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

QByteArray pattern(int size, char seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 3);
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList column(const QTableWidget *table, int col)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts.append(table->item(row, col) ? table->item(row, col)->text() : QString());
    return texts;
}

} // namespace

class AssetsWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir files;
    QTemporaryDir work; // the working directory, where diagnostic bitmaps land
    QString previousDir;
    std::unique_ptr<MainWindow> window;
    int fileNumber = 0;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString vxp(const QString &name, int width, int height, int size = 64)
    {
        QByteArray bytes = pattern(size, 9);
        qToLittleEndian<quint16>(quint16(width), bytes.data());
        bytes[2] = char(height);
        return writeFile(name, bytes);
    }

    template <typename Widget>
    Widget *widget(const char *name)
    {
        auto *found = window->findChild<Widget *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    void click(const char *name) { widget<QAbstractButton>(name)->click(); }
    QTableWidget *fonts() { return widget<QTableWidget>("FontTable"); }
    QTableWidget *images() { return widget<QTableWidget>("ImageTable"); }
    QString status() { return window->statusBar()->currentMessage(); }

    void addImage(const QString &path)
    {
        QVERIFY(QMetaObject::invokeMethod(window.get(), "AddToImageList", Q_ARG(QString, path)));
    }

    QString outputPath() { return files.filePath(QStringLiteral("out%1.vxs").arg(++fileNumber)); }

private slots:
    void initTestCase()
    {
        QVERIFY(files.isValid() && work.isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void init()
    {
        window = std::make_unique<MainWindow>();
        // The lists outlive any one window; start every test from empty ones.
        click("removeFontList");
        click("removeImageList");
    }

    void cleanup() { window.reset(); }

    void addFonts()
    {
        QByteArray font = pattern(600, 1);
        font[0] = 16;
        font[34] = 32;
        font[35] = 126;
        const QString big = writeFile("big.vxf", font);
        const QString nova = writeFile("Nova Square.TTF", pattern(300, 2));
        chooseFiles({big, nova});
        click("pushButton_6");
        QCOMPARE(fonts()->rowCount(), 2);
        QCOMPARE(int(fontCount), 2);
        QStringList row;
        for (int col = 0; col < 7; ++col)
            row.append(fonts()->item(0, col)->text());
        QCOMPARE(row, QStringList({"0", big, "16", "32", "126", "600", "VXF"}));
        QCOMPARE(fonts()->item(1, 6)->text(), QString("TTF"));
        QCOMPARE(fontList[1].name, QString("Nova Square.TTF"));
        QCOMPARE(status(), QString("Added 2 fonts"));

        const QString small = writeFile("small.vxf", QByteArray(20, '\x08'));
        chooseFile(small);
        click("pushButton_6");
        QCOMPARE(column(fonts(), 0), QStringList({"0", "1", "2"}));
        QCOMPARE(fonts()->item(2, 2)->text(), QString("8"));
        QCOMPARE(fonts()->item(2, 4)->text(), QString("0"));

        cancelFileDialog();
        click("pushButton_6");
        QCOMPARE(int(fontCount), 3);
    }

    void addImagesOfBothKinds()
    {
        const QString pic = vxp("PIC.VXP", 320, 240, 100);
        QImage bitmap(5, 4, QImage::Format_RGB32);
        bitmap.fill(Qt::green);
        const QString bmp = files.filePath("logo.bmp");
        QVERIFY(bitmap.save(bmp, "bmp"));
        chooseFiles({pic, bmp});
        click("pushButton_3");
        QCOMPARE(images()->rowCount(), 2);
        QCOMPARE(column(images(), 2), QStringList({"320", "5"}));
        QCOMPARE(column(images(), 3), QStringList({"240", "4"}));
        QCOMPARE(column(images(), 6).first(), QString("16"));
        QCOMPARE(column(images(), 5).last(), QString());
        QCOMPARE(column(images(), 7), QStringList({"vxp", "bmp"}));
        QCOMPARE(imageList[1].type, quint8(imageTypeBmp));
        QCOMPARE(imageList[1].number, quint8(1));

        const QString tiny = writeFile("tiny.vxp", "ab");
        addImage(tiny);
        QCOMPARE(images()->rowCount(), 3);
        QVERIFY(status().contains("tiny.vxp"));
    }

    void fullListsTurnFilesAway()
    {
        const QString pic = vxp("one.vxp", 1, 1);
        for (int i = 0; i < listCapacity; ++i)
            addImage(pic);
        QCOMPARE(int(imageCount), 255);
        chooseFiles({pic, vxp("two.vxp", 2, 2)});
        click("pushButton_3");
        QCOMPARE(int(imageCount), 255);
        QCOMPARE(images()->rowCount(), 255);
        QCOMPARE(imageList[0].number, quint8(0));
        QCOMPARE(images()->item(254, 0)->text(), QString("254"));
        QCOMPARE(status(), QString("Added 0 images; 2 images not added: the image list holds 255"));
    }

    void removeEmptiesTheListAndRestoresWidths()
    {
        addImage(vxp("a.vxp", 1, 1));
        addImage(vxp("b.vxp", 2, 2));
        images()->setColumnWidth(1, 400);
        images()->setColumnWidth(4, 10);
        click("removeImageList");
        QCOMPARE(images()->rowCount(), 0);
        QCOMPARE(int(imageCount), 0);
        for (int col = 0; col < 6; ++col)
            QCOMPARE(images()->columnWidth(col), col == 0 ? 25 : col == 1 ? 256 : 75);
        addImage(vxp("c.vxp", 3, 3));
        QCOMPARE(column(images(), 0), QStringList{"0"});
        QCOMPARE(imageList[0].name, QString("c.vxp"));

        const QString font = writeFile("f.vxf", pattern(40, 1));
        chooseFile(font);
        click("pushButton_6");
        click("removeFontList");
        QCOMPARE(fonts()->rowCount(), 0);
        QCOMPARE(int(fontCount), 0);
    }

    void upMovesOnlyTheView()
    {
        for (const char *name : {"a.vxp", "b.vxp", "c.vxp"})
            addImage(vxp(name, 1, 1));
        QHeaderView *header = images()->verticalHeader();
        click("pushButton_2"); // no current row
        images()->setCurrentCell(0, 1);
        click("pushButton_2");
        QCOMPARE(header->visualIndex(0), 0);
        images()->setCurrentCell(2, 1);
        click("pushButton_2");
        QCOMPARE(header->visualIndex(2), 1);
        QCOMPARE(header->visualIndex(1), 2);
        click("pushButton"); // "Down" has no action
        QCOMPARE(header->visualIndex(2), 1);

        // The list and what is made from it keep the order of adding.
        QCOMPARE(column(images(), 1).last(), files.filePath("c.vxp"));
        QCOMPARE(imageList[2].name, QString("c.vxp"));
        click("GenerateConfig");
        const QString text = widget<QPlainTextEdit>("ConfigOut")->toPlainText();
        QVERIFY(text.indexOf("/b.vxp") < text.indexOf("/c.vxp"));

        const QString font = writeFile("f.vxf", pattern(40, 1));
        chooseFiles({font, writeFile("g.vxf", pattern(40, 2))});
        click("pushButton_6");
        fonts()->setCurrentCell(1, 0);
        click("upFontList");
        QCOMPARE(fonts()->verticalHeader()->visualIndex(1), 0);
        click("downFontList");
        QCOMPARE(fonts()->verticalHeader()->visualIndex(1), 0);
        QCOMPARE(fontList[0].name, QString("f.vxf"));
    }

    void flashImageMatchesItsLayout()
    {
        const QByteArray fontBytes = pattern(1000, 1);
        const QByteArray imageBytes = pattern(2000, 2);
        chooseFile(writeFile("font.vxf", fontBytes));
        click("pushButton_6");
        addImage(writeFile("pic.vxp", imageBytes));
        answerNextDialog<QColorDialog>([](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(255, 0, 0));
            dialog->accept();
        });
        click("startScreenColor");
        click("SSColor");
        widget<QRadioButton>("msdMode")->setChecked(true);

        const QString out = outputPath();
        chooseFile(out);
        click("generateFlashImage");
        const QByteArray bytes = readAll(out);
        QCOMPARE(bytes.size(), 42016);
        QVERIFY(bytes.startsWith("Vexel9xx"));
        QCOMPARE(bytes.at(10), char(0x40));
        QCOMPARE(bytes.at(11), char(2));
        QCOMPARE(bytes.mid(76, 2), QByteArray("\x00\xF8", 2));
        QCOMPARE(bytes.at(109), char(1));
        QCOMPARE(bytes.mid(256, 9), QByteArray("font.vxf\0", 9));
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 256 + 68), quint32(0xD0300000));
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 19636 + 68), quint32(0xD03003E8));
        QCOMPARE(bytes.mid(39016, 1000), fontBytes);
        QCOMPARE(bytes.mid(40016), imageBytes);
        QVERIFY(status().contains("42016 bytes"));
        QVERIFY(widget<QPlainTextEdit>("ConfigOut")->toPlainText().contains("SSColor = 63488"));
    }

    void cancelledSaveWritesNothing()
    {
        QImage bitmap(2, 2, QImage::Format_RGB32);
        bitmap.fill(Qt::red);
        QVERIFY(bitmap.save("here.bmp", "bmp")); // in the working directory
        addImage(QDir::current().filePath("here.bmp"));
        cancelFileDialog();
        click("generateFlashImage");
        QVERIFY(!QFile::exists("orig.bmp"));
        QVERIFY(QDir(files.path()).entryList({"*.vxs"}).size() == fileNumber);

        const QString out = outputPath();
        chooseFile(out);
        click("generateFlashImage");
        QVERIFY(QFile::exists(out));
        for (const char *name : {"orig.bmp", "test1.bmp", "test2.bmp"})
            QVERIFY2(QFile::exists(name), name);
        QCOMPARE(readAll(out).mid(39016), readAll("here.bmp"));
    }

    void missingFilesArePaddedAndReported()
    {
        const QString gone = vxp("gone.vxp", 4, 4, 500);
        addImage(gone);
        const QString kept = vxp("kept.vxp", 4, 4, 70);
        addImage(kept);
        QFile::remove(gone);
        const QString out = outputPath();
        chooseFile(out);
        click("generateFlashImage");
        const QByteArray bytes = readAll(out);
        QCOMPARE(bytes.size(), 39016 + 500 + 70);
        QCOMPARE(bytes.mid(39016, 500), QByteArray(500, '\0'));
        QCOMPARE(bytes.mid(39516), readAll(kept));
        QVERIFY(status().contains("gone.vxp"));

        chooseFile(files.filePath("no such folder/x.vxs"));
        click("generateFlashImage");
        QVERIFY(status().startsWith("Cannot create x.vxs"));
    }

    void importPackage()
    {
        QByteArray table(765, '\0');
        const QByteArray offsets("\x00\x02\xFD\x00\x03\x61\x00\x04\x29", 9); // 765, 865, 1065
        table.replace(0, offsets.size(), offsets);
        const QByteArray first = pattern(100, 5);
        QByteArray second = pattern(200, 6);
        second[0] = char(0x40); // 320 x 240
        second[1] = 1;
        second[2] = char(240);
        const QString package = writeFile("pack.esf", table + first + second);
        QTemporaryDir folder;

        chooseFile(package, cancelFileDialog); // cancels the folder dialog
        click("importESF");
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 0);
        QCOMPARE(int(imageCount), 0);

        const QString into = folder.path();
        chooseFile(package, [into] { chooseFolder(into); });
        click("importESF");
        QCOMPARE(column(images(), 1),
                 QStringList({folder.filePath("0.vxp"), folder.filePath("1.vxp")}));
        QCOMPARE(readAll(folder.filePath("0.vxp")), first);
        QCOMPARE(readAll(folder.filePath("1.vxp")), second);
        QCOMPARE(images()->item(1, 2)->text(), QString("320"));
        QCOMPARE(images()->item(1, 3)->text(), QString("240"));
        QCOMPARE(status(), QString("pack.esf: wrote 2 images, skipped 0 slots past the end of "
                                   "the package"));
    }
};

QTEST_MAIN(AssetsWindowTest)
#include "tst_assetswindow.moc"
