#include "module.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace vxsim;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// What the bench's demo button sends, with the up state chosen: four 32 by
// 32 buttons in a row at the top left of a black screen.
const QByteArray Demo = hex("8400002184FFFF85000000B201"
                            "B0000102020200000020 20B0010103030300200020 20"
                            "B0020104040400400020 20B0030105050500600020 20");
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb UpFace = qRgb(0xC6, 0xC3, 0xC6);   // 0xC618
const QRgb DownFace = qRgb(0x42, 0x41, 0x42); // 0x4208

// A flash image laid out as the bench writes one: 256-byte header, font and
// image directories of 255 entries of 76 bytes, then the files.
QByteArray flashImage(const QMap<int, QPair<QByteArray, quint8>> &images,
                      QByteArray header = hex("000000000000000001FF"))
{
    header = QByteArray("Vexel9xx") + header.mid(8);
    header.resize(256);
    QByteArray directories(2 * 255 * 76, '\0');
    QByteArray data;
    for (auto it = images.begin(); it != images.end(); ++it) {
        const int entry = 255 * 76 + it.key() * 76;
        directories.replace(entry + 64, 4, littleEndian32(quint32(it.value().first.size())));
        directories.replace(entry + 68, 4, littleEndian32(0xD0300000u + quint32(data.size())));
        directories[entry + 72] = char(it.value().second);
        data += it.value().first;
    }
    return header + directories + data;
}

} // namespace

class TestSimModule : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> cardFolder;

    std::unique_ptr<Module> makeModule(std::optional<FlashImage> flash = std::nullopt,
                                       bool inserted = true)
    {
        return std::make_unique<Module>(std::make_unique<SdCard>(cardFolder->path(), inserted),
                                        std::move(flash));
    }

    static QByteArray ask(Module &module, const QByteArray &bytes)
    {
        QSignalSpy replies(&module, &Module::reply);
        module.receive(bytes);
        QByteArray all;
        for (const QList<QVariant> &reply : replies)
            all += reply.at(0).toByteArray();
        return all;
    }

    static QRgb shownAt(const Module &module, int x, int y)
    {
        return module.display().shown().pixel(x, y);
    }

private slots:
    void init()
    {
        cardFolder = std::make_unique<QTemporaryDir>();
        QVERIFY(cardFolder->isValid());
    }

    void repliesInTheBenchsShapes()
    {
        // In order, each request with what it answers: the card keeps its
        // files and handles from one to the next.
        const QVector<QPair<QByteArray, QByteArray>> steps = {
            {hex("83"), "8"},
            {hex("81"), Module::VersionText + '\0'},
            {hex("EF"), "="}, // calibrated from the start
            {hex("FB"), ""},  // extended mode: no answer
            {hex("49"), "="}, // a card is in
            {hex("4803"), "=" + littleEndian32(SdCard::Capacity)},
            {hex("76034C4F472E54585400"), hex("3F00")}, // files are 1 and 2 only
            {hex("76014C4F472E54585400"), hex("3F01")}, // create LOG.TXT as file 1
            // A write answers once, when its last piece has come.
            {hex("7701") + littleEndian32(300) + QByteArray(100, 'a'), ""},
            {QByteArray(200, 'b'), hex("3F01")},
            {hex("7401"), hex("3D2C010000")}, // size
            {hex("7B01"), hex("3D2C010000")}, // position
            {hex("7201"), hex("3F01")},
            {hex("7201"), hex("3F00")},                 // closed already
            {hex("71024C4F472E54585400"), hex("3F01")}, // open as file 2
            {hex("750202000000"), "aa"},
            {hex("7502E8030000"), QByteArray(98, 'a') + QByteArray(200, 'b')}, // to the end
            {hex("750201000000"), ""},
            {hex("71014D495353494E4700"), hex("3F00")}, // open does not create MISSING
            {hex("4653554200"), hex("3F01")},           // folder SUB
            {hex("7900"), QByteArray("Directory of /\nSUB/\nLOG.TXT 300\n") + '\0'},
            {hex("7401"), hex("3F00")}, // file 1 is not open
            {hex("750105000000"), ""},
            {hex("76024C4F472E54585400"), hex("3F01")}, // create empties a file
            {hex("7402"), hex("3D00000000")},
            {hex("7D53554200"), hex("3F01")},
            {hex("7D4C4F472E54585400"), hex("3F01")},
        };
        auto module = makeModule();
        for (const auto &[request, reply] : steps) {
            const QByteArray answer = ask(*module, request);
            QVERIFY2(answer == reply, qPrintable(request.left(12).toHex() + " answered " +
                                                 answer.toHex() + ", not " + reply.toHex()));
        }
        QVERIFY(QDir(cardFolder->path()).isEmpty());
        // A first byte of "8" or 0x81 would read as a pong or a touch on the bench.
        const QByteArray serial = ask(*module, hex("FD"));
        QVERIFY(serial.size() == 8 && serial.at(0) != '8' && quint8(serial.at(0)) != 0x81);

        auto empty = makeModule(std::nullopt, false);
        QCOMPARE(ask(*empty, hex("49")), QByteArray(">"));
        for (const char *request : {"4800", "4653554200", "44"})
            QCOMPARE(ask(*empty, hex(request)), hex("3F00"));
        QVERIFY(QDir(cardFolder->path()).isEmpty());
    }

    void drawingUsesPositionAndColours()
    {
        auto module = makeModule();
        // Black screen, white ink, position 10,20, box to 14,23.
        module->receive(hex("8400002184FFFF85000A14A2000E17"));
        QCOMPARE(shownAt(*module, 14, 23), White);
        QCOMPARE(shownAt(*module, 12, 21), Black);
        // Text moves the position right, so a following line starts after it.
        module->receive(hex("2D414200A00FFF"));
        QCOMPARE(shownAt(*module, 22, 20), White);
        QCOMPARE(shownAt(*module, 21, 19), Black);
        // LINE_TO_XHY moves the position; the circle is centred there.
        module->receive(hex("8400F888003232890005"));
        QCOMPARE(shownAt(*module, 55, 50), Red);
        // Cls clears with the drawing colour and returns to the corner.
        module->receive(hex("8400F821841F004103"));
        QCOMPARE(shownAt(*module, 0, 3), qRgb(0, 0, 255));
        QCOMPARE(shownAt(*module, 200, 200), Red);
        module->receive(hex("8080")); // half brightness
        QCOMPARE(shownAt(*module, 200, 200), qRgb(128, 0, 0));
        module->receive(hex("23")); // light off
        QCOMPARE(shownAt(*module, 200, 200), Black);

        // Turned south, then extended mode: logical 5,0 .. 5,16 lies at panel
        // 314,239 .. 314,223.
        auto turned = makeModule();
        turned->receive(hex("8400002184FFFF62FB85000500008800050010"));
        QCOMPARE(shownAt(*turned, 314, 239), White);
        QCOMPARE(shownAt(*turned, 314, 223), White);
        QCOMPARE(shownAt(*turned, 314, 222), Black);
    }

    void buttonsFollowStatesAndTouches()
    {
        auto module = makeModule();
        QSignalSpy replies(module.get(), &Module::reply);
        module->receive(Demo + hex("9400F8")); // red background colour
        const QVector<QPair<const char *, QRgb>> states = {
            {"B10102", DownFace},
            {"B10103", qRgb(0x84, 0x82, 0x84)}, // disabled: mid grey
            {"B10104", Red},                    // invisible: the background
            {"B10101", UpFace},
        };
        for (const auto &[state, face] : states) {
            module->receive(hex(state));
            QCOMPARE(shownAt(*module, 35, 3), face);
        }

        module->press({40, 10}); // on button 1
        QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("812800010A00"));
        QCOMPARE(shownAt(*module, 35, 3), DownFace); // held down
        module->release();
        QCOMPARE(shownAt(*module, 35, 3), UpFace);
        module->press({400, -5}); // clamped to the panel
        QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("813F027F0000"));

        // East: X runs down the panel from its right edge. Buttons stay where
        // they were drawn; the report speaks the new orientation.
        module->receive(hex("61"));
        module->press({5, 5});
        QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("810500003A02"));

        module->receive(hex("B10100B10101")); // deleted buttons stay gone
        QCOMPARE(shownAt(*module, 35, 3), Red);
        module->receive(hex("B200")); // protocol None
        module->press({40, 10});
        QVERIFY(replies.isEmpty());
    }

    void imagesFromCardAndFlash()
    {
        QFile icon(cardFolder->filePath("ICON.VXP")); // 4 by 3, green, blue transparent
        QVERIFY(icon.open(QIODevice::WriteOnly));
        icon.write(hex("040003001F00") + hex("E007").repeated(12));
        icon.close();
        QImage bitmap(2, 2, QImage::Format_RGB32);
        bitmap.fill(Red);
        QBuffer bitmapBytes;
        bitmapBytes.open(QIODevice::WriteOnly);
        bitmap.save(&bitmapBytes, "BMP");
        QString error;
        const QByteArray whiteVxp = hex("020002000000") + hex("FFFF").repeated(4);
        auto flash = FlashImage::fromBytes(
            flashImage({{3, {whiteVxp, 0}}, {4, {bitmapBytes.data(), 1}}}), &error);
        QVERIFY2(flash, qPrintable(error));

        auto module = makeModule(flash);
        module->receive(hex("8400002184FFFF85000A0A7049434F4E2E56585000"));
        QCOMPARE(shownAt(*module, 13, 12), qRgb(0, 255, 0));
        QCOMPARE(shownAt(*module, 14, 12), Black);
        module->receive(hex("85006464580385006E645804"));
        QCOMPARE(shownAt(*module, 101, 101), White);
        QCOMPARE(shownAt(*module, 111, 101), Red);
        QTest::ignoreMessage(QtWarningMsg, "flash image 5 not found or not readable");
        module->receive(hex("5805"));
        // A button whose image is in the flash image shows that image.
        module->receive(hex("B0090103030300C8C80202"));
        QCOMPARE(shownAt(*module, 200, 200), White);
    }

    void flashStartUpSettings()
    {
        // Backlight on at 128, a colour start screen of pure red, extended mode.
        QByteArray header(256, '\0');
        header.replace(8, 4, hex("01800002"));
        header.replace(76, 2, hex("00F8"));
        header[108] = 1;
        QString error;
        auto module = makeModule(FlashImage::fromBytes(flashImage({}, header), &error));
        QCOMPARE(shownAt(*module, 100, 100), qRgb(128, 0, 0));
        QVERIFY(ask(*module, hex("FE")).contains("mode=extended"));
        QVERIFY(!FlashImage::fromBytes(QByteArray(40000, 'x'), &error)); // no signature
    }

    void captureLandsOnTheCard()
    {
        auto module = makeModule();
        module->receive(hex("84E007218040"));
        QCOMPARE(ask(*module, hex("4444")), hex("3F013F01"));
        const QImage captured(cardFolder->filePath("CAP0000.BMP"));
        QCOMPARE(captured.size(), QSize(320, 240));
        QCOMPARE(captured.pixel(7, 7), qRgb(0, 255, 0)); // full colour, whatever the backlight
        QVERIFY(QFile::exists(cardFolder->filePath("CAP0001.BMP")));
    }

    // A state taken mid-run, restored into another module, goes on exactly
    // as the original does: a frame cut in two at that point included.
    void stateRestoresAndGoesOnAlike()
    {
        // Ends in extended mode, a text begun; goes on to finish it, draw,
        // delete a button, turn, skip a byte and change mode and key.
        const QByteArray before =
            hex("8400F821") + Demo + hex("9400F8B10102FB84FFFF85001000142D41");
        const QByteArray after = hex("42008800200030B1010062") + hex("99FC32F800");
        auto original = makeModule();
        original->setWriteTag(1);
        original->receive(before);
        const Module::State midway = original->state();
        original->setWriteTag(2);
        QTest::ignoreMessage(QtWarningMsg, "unknown command code 0x99 skipped");
        original->receive(after);

        auto other = makeModule();
        other->receive(hex("8407E021")); // whatever it held is replaced
        other->restoreState(midway);
        QCOMPARE(other->display().composed(), midway.screen.composed());
        QCOMPARE(other->touchButtons().size(), 4);
        other->setWriteTag(2);
        QTest::ignoreMessage(QtWarningMsg, "unknown command code 0x99 skipped");
        other->receive(after);

        QCOMPARE(other->display().shown(), original->display().shown());
        for (int layer : {0, 1})
            QCOMPARE(other->display().writerMap(layer), original->display().writerMap(layer));
        QCOMPARE(other->touchButtons().keys(), original->touchButtons().keys());
        QCOMPARE(other->touchButtons().size(), 3); // button 1 deleted after the cut
        QCOMPARE(other->skippedBytes(), original->skippedBytes());
        QCOMPARE(ask(*other, hex("FE")), ask(*original, hex("FE")));
        // The text cut at the state was drawn by the bytes that finished it.
        int textPixels = 0;
        for (int y = 20; y < 28; ++y) {
            for (int x = 16; x < 28; ++x)
                textPixels += original->display().writer(0, x, y) == 2;
        }
        QVERIFY(textPixels > 0);
    }
};

QTEST_GUILESS_MAIN(TestSimModule)
#include "tst_simmodule.moc"
