// The "Display Test" page end to end: buttons clicked in the real window,
// bytes read from the far side of a real pseudo-terminal, replies written
// back through it.
#include "app/mainwindow.h"
#include "commands/colors.h"
#include "common/filedialogs.h"
#include "ptypair.h"
#include "serial/serialport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestCommandSlots : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;
    PtyPair *pty = nullptr;

    template <typename Widget> Widget *widget(const QString &name) const
    {
        return window->findChild<Widget *>(name);
    }
    void click(const QString &name) { widget<QAbstractButton>(name)->click(); }
    QString text(const QString &name) const { return widget<QLineEdit>(name)->text(); }
    QString log() const { return widget<QTextEdit>("textEdit")->toPlainText(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    bool checked(const QString &name) const { return widget<QAbstractButton>(name)->isChecked(); }

    void expectSent(const char *hex)
    {
        const QByteArray expected = QByteArray::fromHex(hex);
        QCOMPARE(pty->take(expected.size()), expected);
    }
    void expectNothingSent() { QCOMPARE(pty->takeAll(150), QByteArray()); }

    void setWidgets(const QVariantMap &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            QWidget *target = widget<QWidget>(it.key());
            QVERIFY2(target, qPrintable(it.key()));
            if (auto *spin = qobject_cast<QSpinBox *>(target))
                spin->setValue(it.value().toInt());
            else if (auto *line = qobject_cast<QLineEdit *>(target))
                line->setText(it.value().toString());
            else if (auto *combo = qobject_cast<QComboBox *>(target))
                combo->setCurrentIndex(it.value().toInt());
            else if (auto *button = qobject_cast<QAbstractButton *>(target))
                button->setChecked(it.value().toBool());
        }
    }

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
        window = new MainWindow;
        pty = new PtyPair;
        QVERIFY(pty->isOpen());
        auto *ports = widget<QComboBox>("serialPortList");
        ports->addItem(pty->slavePath());
        ports->setCurrentIndex(ports->count() - 1);
        click("openSerialPort");
        QVERIFY(serialPort.isOpen());
    }

    void cleanup()
    {
        serialPort.close();
        delete window;
        delete pty;
        textColor = QColor();
        backgroundColor = QColor();
    }

    void buttonSendsItsFrame_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QVariantMap>("values");
        QTest::addColumn<QByteArray>("frame");
        const auto row = [](const char *button, const QVariantMap &values, const char *hex) {
            QTest::newRow(button) << QString(button) << values << QByteArray::fromHex(hex);
        };
        row("setXHY", {{"spinX", 300}, {"spinY", 300}}, "85012c2c");
        row("arcH", {{"arcRadius", 50}, {"arcBegin", 90}, {"arcEnd", 360}}, "8f003210004000");
        row("printString", {{"printStringText", ""}}, "2d00");
        row("buttonState", {{"buttonStateNo", 5}, {"buttonStateAction", 4}}, "b10504");
        row("touchProtocol", {{"TPCalibratedXY", true}}, "b240");
        row("setColorKey", {{"colorKeyValue", "12345"}}, "320000");
        row("SD_FILE_CREATE", {{"sdFileName", "LOG.TXT"}}, "76014c4f472e54585400");
        row("SD_FILE_DELETE", {{"sdFileName", "LOG.TXT"}}, "7d4c4f472e54585400");
        row("SD_FILE_READ", {{"sdFileNumber", 2}, {"readByteCount", 1000}}, "7502e8030000");
        row("SD_SPACE_INFO", {{"SD_SPACE_INFO_SELECTION", 3}}, "4803");
    }

    void buttonSendsItsFrame()
    {
        QFETCH(QString, button);
        QFETCH(QVariantMap, values);
        QFETCH(QByteArray, frame);
        setWidgets(values);
        click(button);
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
        click("setColorH"); // nothing picked yet: black
        answerWith(Qt::red);
        click("colorSelector");
        click("setColorH");
        answerWith(Qt::blue);
        click("colorSelectorBG");
        click("set_bg_colorh");
        answerWith(QColor()); // cancelled: the colour is forgotten
        click("colorSelector");
        click("setColorH");
        expectSent("840000 8400f8 941f00 840000");
        QCOMPARE(seen.mid(0, 6),
                 (QStringList{"Text Color", "#ffffff",
                              QString::number(QColorDialog::ShowAlphaChannel), "Text Color",
                              "#000000", QString::number(QColorDialog::DontUseNativeDialog)}));
        QVERIFY(log().contains("0X84 0X00 0XF8 <- SETCOLORH\n0X94 0X1F 0X00 <- SET_BG_COLORH\n"));
    }

    void checkedStatesFollowTheClicks()
    {
        click("setEast");
        click("setEast"); // a second click keeps it checked
        QVERIFY(checked("setEast"));
        QVERIFY(!checked("setNorth") && !checked("setSouth") && !checked("setWest"));
        click("setLayer1");
        QVERIFY(checked("setLayer1") && !checked("setLayer0"));
        click("setHideLayer1");
        QVERIFY(checked("setHideLayer1") && !checked("setLayerVisible1"));
        QVERIFY(checked("setLayerVisible0")); // the other layer is left alone
        click("setLayerVisible1");
        QVERIFY(checked("setLayerVisible1") && !checked("setHideLayer1"));
        expectSent("61 61 3101 330100 330101");
    }

    void extendedModeWidensY()
    {
        setWidgets({{"spinX", 300}, {"spinY", 200}, {"LINE_TO_X", 1}, {"LINE_TO_Y", 300}});
        click("setExtendedMode");
        QVERIFY(checked("setExtendedMode") && !checked("setStandardMode"));
        click("setXHY");
        click("LINE_TO_XHY");
        expectSent("fb 85012c00c8 880001012c");
        QVERIFY(log().endsWith("85 1 2c 0 <- SetXHY\n"));

        click("setStandardMode");
        QVERIFY(checked("setStandardMode") && !checked("setExtendedMode"));
        click("setXHY");
        expectSent("fc 85012cc8");
    }

    void sliderAndReturnKey()
    {
        auto *slider = widget<QSlider>("BrightSlider");
        slider->setSliderDown(true);
        slider->setSliderPosition(42);
        slider->setSliderDown(false);
        QCOMPARE(widget<QLabel>("BrightNumber")->text(), QString("42"));
        expectNothingSent();

        widget<QLineEdit>("sdPutIconFile")->setText("B");
        QTest::keyClick(widget<QLineEdit>("sdPutIconFile"), Qt::Key_Return);
        expectSent("704200");
    }

    void demoSequence()
    {
        textColor = QColor(Qt::red);
        setWidgets({{"TPNone", true}, {"spinX", 5}});
        click("demo");
        expectSent("84000021 84ffff 85000000 b201"
                   "b0000102020200000020 20"
                   "b0010103030300200020 20"
                   "b0020104040400400020 20"
                   "b0030105050500600020 20");
        expectNothingSent();
        QCOMPARE(text("serialNumber"), QString("b003010505050060002020"));
        QVERIFY(checked("TPvxButton"));
        QCOMPARE(textColor, QColor(Qt::red));
        QCOMPARE(log(), QString("85 0 0 0 <- SetXHY\n")); // the colour frame is not logged
    }

    void repliesLandInTheirFields()
    {
        click("SD_SPACE_INFO");
        reply(QByteArray::fromHex("3d10270000"));
        QCOMPARE(text("sdResult"), QString("10000"));
        QVERIFY(log().endsWith("3d10270000\n"));

        click("resetVEXEL");
        reply(QByteArray::fromHex("00a1b2"));
        QCOMPARE(text("serialNumber"), QString("00a1b2"));
        click("getSerial"); // the same byte, but the answer is only logged
        reply(QByteArray::fromHex("ffee"));
        QCOMPARE(text("serialNumber"), QString("00a1b2"));
        click("GETVERSION");
        reply(QByteArray("VX900 1.4\0", 10));
        QCOMPARE(text("serialNumber"), QString("VX900 1.4"));

        click("ping");
        reply("8");
        QVERIFY(log().endsWith("PONG\n38\n"));
        reply(QByteArray::fromHex("810502001001"));
        QCOMPARE(widget<QLabel>("TouchX")->text(), QString("261"));
        QCOMPARE(widget<QLabel>("TouchY")->text(), QString("144"));
        QVERIFY(widget<QCheckBox>("Touch")->isChecked());
    }

    void replySplitInTwoChunksIsDecodedFromTheFirst()
    {
        click("SD_FILE_GET_SIZE");
        reply("=");
        reply(QByteArray::fromHex("3412"));
        QCOMPARE(text("sdResult"), QString("0"));
        QVERIFY(log().endsWith("3d\n3412\n"));
    }

    void fullLogMakesRoomBeforeTheReply()
    {
        auto *pane = widget<QTextEdit>("textEdit");
        pane->setPlainText(QString("line\n").repeated(300));
        pane->moveCursor(QTextCursor::End);
        click("SD_FILE_LIST");
        reply("A.TXT\nB.TXT\n");
        QCOMPARE(log(), QString("A.TXT\nB.TXT\n") + QByteArray("A.TXT\nB.TXT\n").toHex() + "\n");
    }

    void sdResultRulesAndRefusedNames()
    {
        widget<QLineEdit>("sdResult")->setText("kept");
        click("SD_FILE_CLOSE");
        click("SD_FILE_READ");
        QCOMPARE(text("sdResult"), QString("kept"));
        click("SD_INSERTED");
        QCOMPARE(text("sdResult"), QString());
        expectSent("7201 7501 00000000 49");

        setWidgets({{"sdFileName", ""}});
        click("SD_FILE_OPEN");
        QCOMPARE(text("sdResult"), QString("Invalid Filename"));
        click("SD_FOLDER_CREATE");
        expectNothingSent();
        reply(">"); // still armed by SD_INSERTED
        QCOMPARE(text("sdResult"), QString("No"));
    }

    void fileWriteSendsHeadAndEveryByte()
    {
        QTemporaryDir dir;
        QByteArray content(70000, '\0');
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i * 7 + i / 256);
        // A name that looks like a message placeholder must show as it is.
        QFile file(dir.filePath("payload%1.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();

        QStringList messages;
        connect(window->statusBar(), &QStatusBar::messageChanged, this,
                [&messages](const QString &message) { messages << message; });
        chooseFile(file.fileName());
        click("SD_FILE_WRITE");
        click("Cls"); // waits behind the file
        const QByteArray expected = QByteArray::fromHex("770170110100") + content + "\x21";
        QCOMPARE(pty->take(expected.size(), 10000), expected);
        QTRY_COMPARE(status(), QString("Sent payload%1.bin: all 70000 bytes have left the port"));
        QVERIFY(
            !messages.filter(QRegularExpression("^Sending payload%1\\.bin: \\d+ of 70000 bytes$"))
                 .isEmpty());
    }

    void fileWriteSendsNothingWhenCancelledOrRefused()
    {
        QTemporaryDir dir;
        click("SD_INSERTED");
        expectSent("49");

        cancelFileDialog();
        click("SD_FILE_WRITE");
        expectNothingSent();

        QFile gone(dir.filePath("gone.bin")); // removed between the choice and the opening
        QVERIFY(gone.open(QIODevice::WriteOnly));
        gone.close();
        chooseFile(gone.fileName(), [&gone] { gone.remove(); });
        click("SD_FILE_WRITE");
        expectNothingSent();
        QVERIFY2(status().startsWith("Cannot read gone.bin: "), qPrintable(status()));

        QFile huge(dir.filePath("huge.bin")); // sparse: costs no disk space
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 32));
        huge.close();
        chooseFile(huge.fileName());
        click("SD_FILE_WRITE");
        expectNothingSent();
        QVERIFY2(status().startsWith("Cannot send huge.bin"), qPrintable(status()));

        reply("="); // still armed by SD_INSERTED
        QCOMPARE(text("sdResult"), QString("YES"));
    }
};

QTEST_MAIN(TestCommandSlots)
#include "tst_commandslots.moc"
