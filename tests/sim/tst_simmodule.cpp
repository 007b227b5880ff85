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

// What the bench's demo button sends, with the up state chosen.
const QByteArray Demo = hex("8400002184FFFF85000000B201"
                            "B0000102020200000020 20B0010103030300200020 20"
                            "B0020104040400400020 20B0030105050500600020 20");
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QRgb UpFace = qRgb(0xC6, 0xC3, 0xC6);   // 0xC618
const QRgb DownFace = qRgb(0x42, 0x41, 0x42); // 0x4208

QByteArray vxp(int width, int height, quint16 transparent, quint16 fill)
{
    QByteArray bytes(6 + 2 * width * height, '\0');
    qToLittleEndian(quint16(width), bytes.data());
    bytes[2] = char(height);
    qToLittleEndian(transparent, bytes.data() + 4);
    for (int i = 0; i < width * height; ++i)
        qToLittleEndian(fill, bytes.data() + 6 + 2 * i);
    return bytes;
}

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

private slots:
    void init();
    void systemReplies();
    void cardRepliesThroughFrames();
    void demoDrawsFourButtons();
    void buttonStatesRedraw();
    void touchReports();
    void drawingUsesPositionAndColours();
    void extendedModeCarriesWideY();
    void iconsFromCardAndFlash();
    void flashStartUpSettings();
    void captureLandsOnTheCard();

private:
    std::unique_ptr<Module> makeModule(std::optional<FlashImage> flash = std::nullopt,
                                       bool inserted = true);
    QByteArray ask(Module &module, const QByteArray &bytes);
    QRgb shownAt(const Module &module, int x, int y) const
    {
        return module.display().shown().pixel(x, y);
    }

    std::unique_ptr<QTemporaryDir> cardFolder;
};

void TestSimModule::init()
{
    cardFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(cardFolder->isValid());
}

std::unique_ptr<Module> TestSimModule::makeModule(std::optional<FlashImage> flash, bool inserted)
{
    return std::make_unique<Module>(std::make_unique<SdCard>(cardFolder->path(), inserted),
                                    std::move(flash));
}

QByteArray TestSimModule::ask(Module &module, const QByteArray &bytes)
{
    QSignalSpy replies(&module, &Module::reply);
    module.receive(bytes);
    QByteArray all;
    for (const QList<QVariant> &reply : replies)
        all += reply.at(0).toByteArray();
    return all;
}

void TestSimModule::systemReplies()
{
    auto module = makeModule();
    QCOMPARE(ask(*module, hex("83")), QByteArray("8"));
    QCOMPARE(ask(*module, hex("81")), Module::VersionText + '\0');
    const QByteArray serial = ask(*module, hex("FD"));
    QCOMPARE(serial.size(), 8);
    // A first byte of "8" or 0x81 would read as a pong or a touch on the bench.
    QVERIFY(serial.at(0) != '8' && quint8(serial.at(0)) != 0x81);
    QVERIFY(ask(*module, hex("FE")).startsWith("backlight=on brightness=255 mode=standard"));
    QCOMPARE(ask(*module, hex("FB")), QByteArray());
    QVERIFY(ask(*module, hex("FE")).contains("mode=extended"));
    QCOMPARE(ask(*module, hex("EF")), QByteArray("="));
}

void TestSimModule::cardRepliesThroughFrames()
{
    auto module = makeModule();
    QCOMPARE(ask(*module, hex("49")), QByteArray("="));
    QCOMPARE(ask(*module, hex("4803")), QByteArray("=") + littleEndian32(SdCard::Capacity));
    // Create, then a write whose bytes arrive in pieces; it answers once, at the end.
    QCOMPARE(ask(*module, hex("76014C4F472E54585400")), hex("3F01"));
    QCOMPARE(ask(*module, hex("7701") + littleEndian32(300) + QByteArray(100, 'a')), QByteArray());
    QCOMPARE(ask(*module, QByteArray(200, 'b')), hex("3F01"));
    QCOMPARE(ask(*module, hex("7401")), hex("3D2C010000"));
    QCOMPARE(ask(*module, hex("7201")), hex("3F01"));
    QCOMPARE(ask(*module, hex("71024C4F472E54585400")), hex("3F01"));
    QCOMPARE(ask(*module, hex("750202000000")), QByteArray("aa"));
    QCOMPARE(ask(*module, hex("7900")), QByteArray("Directory of /\nLOG.TXT 300\n") + '\0');
    QCOMPARE(ask(*module, hex("71012E2E2F782E74787400")), hex("3F00")); // ../x.txt
    QCOMPARE(ask(*module, hex("7401")), hex("3F00"));                   // handle not open
    QCOMPARE(ask(*module, hex("750105000000")), QByteArray());
    QCOMPARE(ask(*module, hex("7D4C4F472E54585400")), hex("3F01"));
    QVERIFY(QDir(cardFolder->path()).isEmpty());

    auto empty = makeModule(std::nullopt, false);
    QCOMPARE(ask(*empty, hex("49")), QByteArray(">"));
    QCOMPARE(ask(*empty, hex("4800")), hex("3F00"));
    QCOMPARE(ask(*empty, hex("46535542") + '\0'), hex("3F00"));
    QVERIFY(QDir(cardFolder->path()).isEmpty());
}

void TestSimModule::demoDrawsFourButtons()
{
    auto module = makeModule();
    QCOMPARE(ask(*module, Demo), QByteArray());
    const QImage shown = module->display().shown();
    for (int n = 0; n < 4; ++n) {
        QCOMPARE(shown.pixel(32 * n, 0), White);       // frame
        QCOMPARE(shown.pixel(32 * n + 31, 31), White); // far corner
        QCOMPARE(shown.pixel(32 * n + 3, 3), UpFace);
        int label = 0; // the number of its image, in black on the face
        for (int y = 8; y < 24; ++y) {
            for (int x = 32 * n + 8; x < 32 * n + 24; ++x)
                label += shown.pixel(x, y) == Black;
        }
        QVERIFY(label > 5);
    }
    QCOMPARE(shown.pixel(128, 10), Black); // cleared beside them
    QCOMPARE(shown.pixel(10, 32), Black);
}

void TestSimModule::buttonStatesRedraw()
{
    auto module = makeModule();
    module->receive(Demo + hex("9400F8")); // red background colour
    const QVector<QPair<const char *, QRgb>> steps = {
        {"B10102", DownFace},        {"B10103", qRgb(0x84, 0x82, 0x84)}, // disabled: mid grey
        {"B10104", qRgb(255, 0, 0)},                                     // invisible: background
        {"B10101", UpFace},          {"B10100B10101", qRgb(255, 0, 0)}, // deleted buttons stay gone
    };
    for (const auto &step : steps) {
        module->receive(hex(step.first));
        QCOMPARE(shownAt(*module, 35, 3), step.second);
    }
}

void TestSimModule::touchReports()
{
    auto module = makeModule();
    QSignalSpy replies(module.get(), &Module::reply);
    module->press({261, 144});
    module->release();
    QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("8105027F1001"));

    module->receive(Demo);
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
    module->press({319, 5});
    QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("8105007F0000"));
    module->press({5, 5});
    module->release();
    QCOMPARE(replies.takeFirst().at(0).toByteArray(), hex("810500003A02"));

    module->receive(hex("B200")); // protocol None
    module->press({40, 10});
    QVERIFY(replies.isEmpty());
}

void TestSimModule::drawingUsesPositionAndColours()
{
    auto module = makeModule();
    // Black screen, white ink, position 10,20, box to 14,23.
    module->receive(hex("8400002184FFFF85000A14A2000E17"));
    QCOMPARE(shownAt(*module, 10, 20), White);
    QCOMPARE(shownAt(*module, 14, 23), White);
    QCOMPARE(shownAt(*module, 12, 21), Black);
    // Text moves the position right, so a following line starts after it.
    module->receive(hex("2D414200A00FFF"));
    QCOMPARE(shownAt(*module, 22, 20), White);
    QCOMPARE(shownAt(*module, 21, 19), Black);
    // LINE_TO_XHY moves the position; the circle is centred there.
    module->receive(hex("8400F888003232890005"));
    QCOMPARE(shownAt(*module, 50, 50), qRgb(255, 0, 0));
    QCOMPARE(shownAt(*module, 55, 50), qRgb(255, 0, 0));
    // Cls clears with the drawing colour and returns to the corner.
    module->receive(hex("8400F821841F004103"));
    QCOMPARE(shownAt(*module, 0, 3), qRgb(0, 0, 255));
    QCOMPARE(shownAt(*module, 200, 200), qRgb(255, 0, 0));
    module->receive(hex("8080"));
    QCOMPARE(shownAt(*module, 200, 200), qRgb(128, 0, 0));
    module->receive(hex("23"));
    QCOMPARE(shownAt(*module, 200, 200), Black);
}

void TestSimModule::extendedModeCarriesWideY()
{
    auto module = makeModule();
    module->receive(hex("8400002184FFFF62")); // south: turned round
    module->receive(hex("FB85000500008800050010"));
    // Logical 5,0 .. 5,16 lies at panel 314,239 .. 314,223 when turned south.
    QCOMPARE(shownAt(*module, 314, 239), White);
    QCOMPARE(shownAt(*module, 314, 223), White);
    QCOMPARE(shownAt(*module, 314, 222), Black);
}

void TestSimModule::iconsFromCardAndFlash()
{
    QFile icon(cardFolder->filePath("ICON.VXP"));
    QVERIFY(icon.open(QIODevice::WriteOnly));
    icon.write(vxp(4, 3, 0x001F, 0x07E0));
    icon.close();
    QImage bitmap(2, 2, QImage::Format_RGB32);
    bitmap.fill(qRgb(255, 0, 0));
    QBuffer bitmapBytes;
    bitmapBytes.open(QIODevice::WriteOnly);
    bitmap.save(&bitmapBytes, "BMP");
    QString error;
    auto flash = FlashImage::fromBytes(
        flashImage({{3, {vxp(2, 2, 0, 0xFFFF), 0}}, {4, {bitmapBytes.data(), 1}}}), &error);
    QVERIFY2(flash, qPrintable(error));

    auto module = makeModule(flash);
    module->receive(hex("8400002184FFFF85000A0A7049434F4E2E56585000"));
    QCOMPARE(shownAt(*module, 13, 12), qRgb(0, 255, 0));
    QCOMPARE(shownAt(*module, 14, 12), Black);
    module->receive(hex("85006464580385006E645804"));
    QCOMPARE(shownAt(*module, 101, 101), White);
    QCOMPARE(shownAt(*module, 111, 101), qRgb(255, 0, 0));
    QTest::ignoreMessage(QtWarningMsg, "vexelsim: flash image 5 not found or not readable");
    module->receive(hex("5805"));
    // A button whose image is in the flash image shows that image.
    module->receive(hex("B0090103030300C8C80202"));
    QCOMPARE(shownAt(*module, 200, 200), White);
}

void TestSimModule::flashStartUpSettings()
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

void TestSimModule::captureLandsOnTheCard()
{
    auto module = makeModule();
    module->receive(hex("84E007218040"));
    QCOMPARE(ask(*module, hex("4444")), hex("3F013F01"));
    const QImage captured(cardFolder->filePath("CAP0000.BMP"));
    QCOMPARE(captured.size(), QSize(320, 240));
    QCOMPARE(captured.pixel(7, 7), qRgb(0, 255, 0)); // full colour, whatever the backlight
    QVERIFY(QFile::exists(cardFolder->filePath("CAP0001.BMP")));
    QCOMPARE(ask(*makeModule(std::nullopt, false), hex("44")), hex("3F00"));
}

QTEST_GUILESS_MAIN(TestSimModule)
#include "tst_simmodule.moc"
