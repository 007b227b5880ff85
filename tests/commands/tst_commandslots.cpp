// The "Display Test" page end to end: buttons clicked in the real window,
// bytes read from the far side of a real pseudo-terminal, replies written
// back through it. The byte layout of every frame is tst_frames' business;
// this suite checks what only the window does: which widgets feed a frame,
// dialogs, checked states, the demo, armed replies, the log pane and the
// file write to the card.
#include "assets/testfiles.h"
#include "commands/colors.h"
#include "common/filedialogs.h"
#include "ptypair.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestCommandSlots : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BenchWindow> bench;
    std::unique_ptr<PtyPair> pty;

    QString text(const char *name) const { return bench->get<QLineEdit>(name)->text(); }
    QString log() const { return bench->get<QTextEdit>("textEdit")->toPlainText(); }
    bool checked(const char *name) const { return bench->get(name)->isChecked(); }

    void expectSent(const char *hex)
    {
        const QByteArray expected = QByteArray::fromHex(hex);
        QCOMPARE(pty->take(expected.size()), expected);
    }
    void expectNothingSent() { QCOMPARE(pty->takeAll(150), QByteArray()); }

    // The module's side: one chunk, handled before returning.
    void reply(const QByteArray &chunk)
    {
        const QString before = log();
        QVERIFY(pty->write(chunk));
        QTRY_VERIFY(log() != before);
    }

private slots:
    void init()
    {
        QVERIFY(openWindowOnLine(bench, pty));
    }

    void cleanup()
    {
        bench.reset();
        pty.reset();
    }

    // Each slot reads its own widgets, in the frame's order.
    void buttonSendsWhatItsWidgetsSay_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QVariantMap>("values");
        QTest::addColumn<QByteArray>("frame");
        const auto row = [](const char *button, const QVariantMap &values, const char *hex) {
            QTest::newRow(button) << QString(button) << values << QByteArray::fromHex(hex);
        };
        row("arcH", {{"arcRadius", 50}, {"arcBegin", 90}, {"arcEnd", 360}}, "8f003210004000");
        row("printString", {{"printStringText", "Hi"}}, "2d486900");
        row("buttonState", {{"buttonStateNo", 5}, {"buttonStateAction", 4}}, "b10504");
        row("touchProtocol", {{"TPCalibratedXY", true}}, "b240");
        row("setColorKey", {{"colorKeyValue", "f81F"}}, "321ff8");
        row("SD_FILE_CREATE", {{"sdFileNumber", 2}, {"sdFileName", "A.TXT"}}, "7602412e54585400");
        row("SD_FILE_READ", {{"sdFileNumber", 2}, {"readByteCount", 1000}}, "7502e8030000");
        row("SD_SPACE_INFO", {{"SD_SPACE_INFO_SELECTION", 3}}, "4803");
    }

    void buttonSendsWhatItsWidgetsSay()
    {
        QFETCH(QString, button);
        QFETCH(QVariantMap, values);
        QFETCH(QByteArray, frame);
        bench->setWidgets(values);
        bench->click(qPrintable(button));
        QCOMPARE(pty->take(frame.size()), frame);
        expectNothingSent();
    }

    void colourDialogsPickWhatTheColourCommandsSend()
    {
        QStringList seen; // title, start colour and options of each dialog
        const auto answerWith = [&seen](const QColor &color) {
            answerNextDialog<QColorDialog>([&seen, color](QColorDialog *dialog) {
                seen << dialog->windowTitle() << dialog->currentColor().name()
                     << QString::number(dialog->options());
                dialog->setCurrentColor(color);
                color.isValid() ? dialog->accept() : dialog->reject();
            });
        };
        bench->click("setColorH"); // nothing picked yet: black
        answerWith(Qt::red);
        bench->click("colorSelector");
        bench->click("setColorH");
        answerWith(Qt::blue);
        bench->click("colorSelectorBG");
        bench->click("set_bg_colorh");
        answerWith(QColor()); // cancelled: the colour is forgotten
        bench->click("colorSelector");
        bench->click("setColorH");
        expectSent("840000 8400f8 941f00 840000");
        QCOMPARE(seen.mid(0, 6),
                 (QStringList{"Text Color", "#ffffff",
                              QString::number(QColorDialog::ShowAlphaChannel), "Text Color",
                              "#000000", QString::number(QColorDialog::DontUseNativeDialog)}));
    }

    void checkedStatesFollowTheClicks()
    {
        bench->click("setEast");
        bench->click("setEast"); // a second click keeps it checked
        QVERIFY(checked("setEast"));
        QVERIFY(!checked("setNorth") && !checked("setSouth") && !checked("setWest"));
        bench->click("setLayer1");
        QVERIFY(checked("setLayer1") && !checked("setLayer0"));
        bench->click("setHideLayer1");
        QVERIFY(checked("setHideLayer1") && !checked("setLayerVisible1"));
        QVERIFY(checked("setLayerVisible0")); // the other layer is left alone
        bench->click("setLayerVisible1");
        QVERIFY(checked("setLayerVisible1") && !checked("setHideLayer1"));
        expectSent("61 61 3101 330100 330101");
    }

    void extendedModeWidensY()
    {
        bench->setWidgets({{"spinX", 300}, {"spinY", 200}, {"LINE_TO_X", 1}, {"LINE_TO_Y", 300}});
        bench->click("setExtendedMode");
        QVERIFY(checked("setExtendedMode") && !checked("setStandardMode"));
        bench->click("setXHY");
        bench->click("LINE_TO_XHY");
        expectSent("fb 85012c00c8 880001012c");

        bench->click("setStandardMode");
        QVERIFY(checked("setStandardMode") && !checked("setExtendedMode"));
        bench->click("setXHY");
        expectSent("fc 85012cc8");
    }

    void sliderAndReturnKey()
    {
        auto *slider = bench->get<QSlider>("BrightSlider");
        slider->setSliderDown(true);
        slider->setSliderPosition(42);
        slider->setSliderDown(false);
        QCOMPARE(bench->get<QLabel>("BrightNumber")->text(), QString("42"));
        expectNothingSent();

        bench->get<QLineEdit>("sdPutIconFile")->setText("B");
        QTest::keyClick(bench->get<QLineEdit>("sdPutIconFile"), Qt::Key_Return);
        expectSent("704200");
    }

    void demoSequence()
    {
        bench->commands().setTextColor(Qt::red);
        bench->setWidgets({{"TPNone", true}, {"spinX", 5}});
        bench->click("demo");
        expectSent("84000021 84ffff 85000000 b201"
                   "b0000102020200000020 20"
                   "b0010103030300200020 20"
                   "b0020104040400400020 20"
                   "b0030105050500600020 20");
        expectNothingSent();
        QCOMPARE(text("serialNumber"), QString("b003010505050060002020"));
        QVERIFY(checked("TPvxButton"));
        QCOMPARE(bench->commands().textColor(), QColor(Qt::red));
        QCOMPARE(log(), QString("85 0 0 0 <- SetXHY\n")); // the colour frame is not logged
    }

    void repliesLandInTheirFields()
    {
        bench->click("SD_SPACE_INFO");
        reply(QByteArray::fromHex("3d10270000"));
        QCOMPARE(text("sdResult"), QString("10000"));
        QVERIFY(log().endsWith("3d10270000\n"));

        bench->click("resetVEXEL");
        reply(QByteArray::fromHex("00a1b2"));
        QCOMPARE(text("serialNumber"), QString("00a1b2"));
        // The same byte, but it arms nothing, and the reply above disarmed.
        bench->click("getSerial");
        reply(QByteArray::fromHex("ffee"));
        QCOMPARE(text("serialNumber"), QString("00a1b2"));

        bench->click("ping");
        reply("8");
        QVERIFY(log().endsWith("PONG\n38\n"));
        reply(QByteArray::fromHex("810502001001"));
        QCOMPARE(bench->get<QLabel>("TouchX")->text(), QString("261"));
        QCOMPARE(bench->get<QLabel>("TouchY")->text(), QString("144"));
        QVERIFY(bench->get<QCheckBox>("Touch")->isChecked());

        bench->click("SD_FILE_GET_SIZE"); // a reply split in two is read from its first chunk
        reply("=");
        reply(QByteArray::fromHex("3412"));
        QCOMPARE(text("sdResult"), QString("0"));
        QVERIFY(log().endsWith("3d\n3412\n"));
    }

    void fullLogMakesRoomBeforeTheReply()
    {
        auto *pane = bench->get<QTextEdit>("textEdit");
        pane->setPlainText(QString("line\n").repeated(300));
        pane->moveCursor(QTextCursor::End);
        bench->click("SD_FILE_LIST");
        reply("A.TXT\nB.TXT\n");
        QCOMPARE(log(), QString("A.TXT\nB.TXT\n") + QByteArray("A.TXT\nB.TXT\n").toHex() + "\n");
    }

    void sdResultRulesAndRefusedNames()
    {
        bench->get<QLineEdit>("sdResult")->setText("kept");
        bench->click("SD_FILE_CLOSE");
        bench->click("SD_FILE_READ");
        QCOMPARE(text("sdResult"), QString("kept"));
        bench->click("SD_INSERTED");
        QCOMPARE(text("sdResult"), QString());
        expectSent("7201 7501 00000000 49");

        bench->setWidgets({{"sdFileName", ""}});
        bench->click("SD_FILE_OPEN");
        QCOMPARE(text("sdResult"), QString("Invalid Filename"));
        bench->click("SD_FOLDER_CREATE");
        expectNothingSent();
        reply(">"); // still armed by SD_INSERTED
        QCOMPARE(text("sdResult"), QString("No"));
    }

    void fileWriteSendsHeadAndEveryByte()
    {
        QTemporaryDir dir;
        const QByteArray content = pattern(70000);
        // A name that looks like a message placeholder must show as it is.
        chooseFile(writeFile(dir.path(), "payload%1.bin", content));
        QStringList messages;
        connect(bench->window->statusBar(), &QStatusBar::messageChanged, this,
                [&messages](const QString &message) { messages << message; });
        bench->click("SD_FILE_WRITE");
        bench->click("Cls"); // waits behind the file
        const QByteArray expected = QByteArray::fromHex("770170110100") + content + "\x21";
        QCOMPARE(pty->take(expected.size(), 10000), expected);
        QTRY_COMPARE(bench->status(),
                     QString("Sent payload%1.bin: all 70000 bytes have left the port"));
        QVERIFY(
            !messages.filter(QRegularExpression("^Sending payload%1\\.bin: \\d+ of 70000 bytes$"))
                 .isEmpty());
    }

    void fileWriteSendsNothingWhenCancelledOrRefused()
    {
        QTemporaryDir dir;
        bench->click("SD_INSERTED");
        expectSent("49");

        cancelFileDialog();
        bench->click("SD_FILE_WRITE");
        expectNothingSent();

        const QString gone = writeFile(dir.path(), "gone.bin", "x");
        chooseFile(gone, [gone] { QFile::remove(gone); }); // gone before it is opened
        bench->click("SD_FILE_WRITE");
        expectNothingSent();
        QVERIFY2(bench->status().startsWith("Cannot read gone.bin: "), qPrintable(bench->status()));

        QFile huge(dir.filePath("huge.bin")); // sparse: costs no disk space
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 32));
        chooseFile(huge.fileName());
        bench->click("SD_FILE_WRITE");
        expectNothingSent();
        QVERIFY2(bench->status().startsWith("Cannot send huge.bin"), qPrintable(bench->status()));

        reply("="); // still armed by SD_INSERTED
        QCOMPARE(text("sdResult"), QString("YES"));
    }
};

QTEST_MAIN(TestCommandSlots)
#include "tst_commandslots.moc"
