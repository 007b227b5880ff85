#include "bitmapfont.h"
#include "icon.h"
#include "raster.h"
#include "screen.h"

#include <QtTest>

using namespace vxsim;

namespace {

constexpr quint16 Red = 0xF800;
constexpr quint16 Green = 0x07E0;
constexpr quint16 Blue = 0x001F;
constexpr quint16 White = 0xFFFF;
constexpr quint16 Black = 0x0000;

quint16 at(const Screen &screen, int x, int y)
{
    return screen.pixel(screen.drawLayer(), x, y);
}

int countOf(const Screen &screen, quint16 colour)
{
    int count = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x)
            count += at(screen, x, y) == colour;
    }
    return count;
}

} // namespace

class TestSimDrawing : public QObject
{
    Q_OBJECT

private slots:
    void linesAndBoxesIncludeBothEndsAndClip()
    {
        Screen screen;
        drawHorizontalLine(screen, 20, 10, 5, Red); // given right to left
        QCOMPARE(countOf(screen, Red), 11);
        drawVerticalLine(screen, 3, 7, 9, Green);
        QCOMPARE(countOf(screen, Green), 3);
        drawLine(screen, {100, 50}, {102, 60}, White); // steep: one pixel per row
        QCOMPARE(countOf(screen, White), 11);
        QCOMPARE(at(screen, 102, 60), White);
        drawBox(screen, {210, 20}, {214, 23}, Blue);
        QCOMPARE(countOf(screen, Blue), 2 * 5 + 2 * 2);
        QCOMPARE(at(screen, 214, 23), Blue);
        QCOMPARE(at(screen, 212, 21), Black);

        Screen edges;
        drawHorizontalLine(edges, 300, 65535, 239, Red);
        QCOMPARE(countOf(edges, Red), 20);
        drawVerticalLine(edges, 0, 230, 600, Green);
        QCOMPARE(countOf(edges, Green), 10);
        drawLine(edges, {-10, -10}, {2, 2}, White);
        QCOMPARE(countOf(edges, White), 3);
        fillBox(edges, {14, 23}, {10, 20}, Blue); // corners in either order
        fillBox(edges, {310, 235}, {65535, 65535}, Blue);
        QCOMPARE(countOf(edges, Blue), 5 * 4 + 10 * 5);
    }

    void circleTouchesItsRadius()
    {
        Screen screen;
        drawCircle(screen, {100, 100}, 30, Red);
        for (const QPoint p :
             {QPoint(130, 100), QPoint(70, 100), QPoint(100, 130), QPoint(100, 70)})
            QCOMPARE(at(screen, p.x(), p.y()), Red);
        QCOMPARE(at(screen, 100, 100), Black);
        for (int y = 60; y <= 140; ++y) { // every point within half a pixel of the radius
            for (int x = 60; x <= 140; ++x)
                QVERIFY(at(screen, x, y) != Red || qAbs(std::hypot(x - 100, y - 100) - 30) < 0.75);
        }
        Screen dot;
        drawCircle(dot, {5, 5}, 0, Red);
        QCOMPARE(countOf(dot, Red), 1);
    }

    void arcsKeepToTheirAngles()
    {
        Screen screen;
        // A quarter from pointing right, clockwise on screen: right to bottom.
        drawArc(screen, {100, 100}, 20, 0, 4096, Red);
        QCOMPARE(at(screen, 120, 100), Red);
        QCOMPARE(at(screen, 100, 120), Red);
        QCOMPARE(at(screen, 80, 100), Black);
        QCOMPARE(at(screen, 100, 80), Black);
        Screen wrapped;
        drawArc(wrapped, {100, 100}, 20, 12288, 4096, Green); // top through right to bottom
        QCOMPARE(at(wrapped, 100, 80), Green);
        QCOMPARE(at(wrapped, 120, 100), Green);
        QCOMPARE(at(wrapped, 80, 100), Black);

        Screen full;
        drawArc(full, {100, 100}, 20, 0, 16384, Blue);
        drawCircle(full, {100, 100}, 20, Red);
        QCOMPARE(countOf(full, Blue), 0); // the circle covered every arc pixel
    }

    void textWithAndWithoutBackground()
    {
        Screen screen;
        fillBox(screen, {0, 0}, {50, 20}, Blue);
        TextStyle style;
        QCOMPARE(drawText(screen, {10, 5}, "-", style), BitmapFont::CellWidth);
        // The dash is the middle row of the glyph, five pixels wide.
        for (int x = 10; x < 15; ++x)
            QCOMPARE(at(screen, x, 8), White);
        QCOMPARE(countOf(screen, White), 5);
        QCOMPARE(at(screen, 15, 8), Blue);

        style.paper = Red;
        style.scale = 2;
        QCOMPARE(drawText(screen, {20, 0}, "--", style), 4 * BitmapFont::CellWidth);
        QCOMPARE(countOf(screen, White), 5 + 2 * 5 * 4);
        QCOMPARE(countOf(screen, Red), 2 * 12 * 16 - 2 * 5 * 4);
        QCOMPARE(at(screen, 20, 7), White);
        QCOMPARE(at(screen, 20, 8), Red);
    }

    void orientationTurnsCoordinates()
    {
        const QVector<QPair<Orientation, QPoint>> panelCorners = {
            {Orientation::North, {0, 0}},
            {Orientation::East, {319, 0}},
            {Orientation::South, {319, 239}},
            {Orientation::West, {0, 239}},
        };
        for (const auto &[orientation, corner] : panelCorners) {
            Screen screen;
            screen.setOrientation(orientation);
            screen.plot(0, 0, Red);
            screen.plot(7, 30, Green);
            screen.plot(screen.width(), 0, Blue); // just off the turned screen
            const QImage panel = screen.composed();
            QCOMPARE(panel.pixel(corner), rgbFrom565(Red));
            QCOMPARE(screen.toLogical(corner), QPoint(0, 0)); // a touch lands where drawn
            for (int y = 0; y < panel.height(); ++y) {
                for (int x = 0; x < panel.width(); ++x) {
                    if (panel.pixel(x, y) == rgbFrom565(Green))
                        QCOMPARE(screen.toLogical({x, y}), QPoint(7, 30));
                    QVERIFY(panel.pixel(x, y) != rgbFrom565(Blue));
                }
            }
        }
    }

    void layersComposeWithColourKey()
    {
        Screen screen;
        screen.plot(0, 0, Red);
        screen.plot(1, 0, Red);
        screen.setDrawLayer(1);
        screen.fillLayer(Blue);
        screen.plot(1, 0, Green);
        QCOMPARE(screen.composed().pixel(1, 0), rgbFrom565(Red)); // layer 1 starts hidden
        screen.setLayerVisible(1, true);
        screen.setColorKey(Blue);
        QCOMPARE(screen.composed().pixel(0, 0), rgbFrom565(Red));
        QCOMPARE(screen.composed().pixel(1, 0), rgbFrom565(Green));
        QCOMPARE(screen.shownLayer(0, 0), 0); // keyed out
        QCOMPARE(screen.shownLayer(1, 0), 1);
        screen.setLayerVisible(0, false);
        QCOMPARE(screen.composed().pixel(0, 0), rgbFrom565(Black));
        QCOMPARE(screen.shownLayer(0, 0), -1);
        QCOMPARE(screen.pixel(0, 0, 0), Red);
        QCOMPARE(screen.layerImage(0).pixel(0, 0), rgbFrom565(Red)); // hidden, still stored
    }

    void vxpIconsKeepTransparency()
    {
        // 3 by 2, blue transparent: red blue green, white red blue.
        const QByteArray bytes = QByteArray::fromHex("030002001F00"
                                                     "00F81F00E007FFFF00F81F00");
        const auto icon = iconFromVxp(bytes);
        QVERIFY(icon);
        Screen screen;
        screen.fillLayer(0x1234);
        drawIcon(screen, {10, 10}, *icon);
        QCOMPARE(at(screen, 10, 10), Red);
        QCOMPARE(at(screen, 11, 10), quint16(0x1234));
        QCOMPARE(at(screen, 12, 10), Green);
        QCOMPARE(at(screen, 10, 11), White);
        QCOMPARE(at(screen, 13, 10), quint16(0x1234));
        drawIcon(screen, {0, 0}, *icon, {1, 1});
        QCOMPARE(at(screen, 0, 0), Red);
        QCOMPARE(at(screen, 2, 0), quint16(0x1234));

        QVERIFY(!iconFromVxp(bytes.chopped(2))); // a pixel missing
        QVERIFY(!iconFromVxp(bytes.left(3)));
        QCOMPARE(iconFromVxp(QByteArray::fromHex("400101000000") + QByteArray(640, 'x'))->width,
                 320);
    }

    // Rows and columns are written in one go; they must leave exactly what
    // plotting each point would, clipped alike, in every orientation.
    void runsMatchPointByPoint()
    {
        const QVector<QPair<int, int>> ranges = {{0, 319},  {-5, 3},      {310, 65535}, {40, 20},
                                                 {7, 7},    {-70000, -1}, {320, 400},   {239, 240},
                                                 {-1, 240}, {100, 0}};
        for (Orientation orientation :
             {Orientation::North, Orientation::East, Orientation::South, Orientation::West}) {
            for (const auto &[from, to] : ranges) {
                for (int line : {-1, 0, 5, 239, 240, 319, 320}) {
                    Screen runs;
                    Screen points;
                    for (Screen *screen : {&runs, &points}) {
                        screen->setOrientation(orientation);
                        screen->setWriteTag(7);
                    }
                    runs.plotRow(from, to, line, Red);
                    runs.plotColumn(line, from, to, Green);
                    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
                        points.plot(i, line, Red);
                    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
                        points.plot(line, i, Green);
                    QCOMPARE(runs.composed(), points.composed());
                    QCOMPARE(runs.writerMap(0), points.writerMap(0));
                    QCOMPARE(runs.writtenSinceTag(), points.writtenSinceTag());
                    QCOMPARE(runs.droppedSinceTag(), points.droppedSinceTag());
                }
            }
        }
    }

    void writeTagsFollowTheLastWriter()
    {
        Screen screen;
        QVERIFY(!screen.tracksWriters());
        QVERIFY(screen.writerMap(0).isEmpty()); // nothing kept until asked
        QCOMPARE(screen.writer(0, 5, 5), -1);

        screen.setWriteTag(1);
        fillBox(screen, {10, 10}, {19, 14}, Red);
        QCOMPARE(screen.writtenSinceTag(), QRect(10, 10, 10, 5));
        QCOMPARE(screen.droppedSinceTag(), 0);
        screen.setWriteTag(2);
        QCOMPARE(screen.writtenSinceTag(), QRect()); // counted anew from each tag
        drawLine(screen, {15, 0}, {15, 30}, Green);  // over the box
        QCOMPARE(screen.writer(0, 12, 12), 1);
        QCOMPARE(screen.writer(0, 15, 12), 2);
        QCOMPARE(screen.writer(0, 30, 30), -1);

        screen.setWriteTag(3);
        screen.setDrawLayer(1);
        screen.plot(12, 12, Blue);
        QCOMPARE(screen.writer(1, 12, 12), 3);
        QCOMPARE(screen.writer(0, 12, 12), 1); // each layer keeps its own

        // Drawn turned, found where the panel shows it.
        screen.setWriteTag(4);
        screen.setDrawLayer(0);
        screen.setOrientation(Orientation::South);
        screen.plot(0, 0, Blue);
        QCOMPARE(screen.writer(0, 319, 239), 4);
        QCOMPARE(screen.writtenSinceTag(), QRect(319, 239, 1, 1));
        drawHorizontalLine(screen, 300, 330, 1, Red); // 320 to 330 are off the screen
        QCOMPARE(screen.droppedSinceTag(), 11);

        screen.setWriteTag(5);
        screen.fillLayer(Black);
        QCOMPARE(screen.writer(0, 12, 12), 5);
        QCOMPARE(screen.writtenSinceTag(), QRect(0, 0, 320, 240));
        QCOMPARE(screen.writer(1, 12, 12), 3);
        QCOMPARE(screen.writer(0, 320, 0), -1); // off the panel
    }

    void panelAndLogicalPointsRoundTrip()
    {
        for (Orientation orientation :
             {Orientation::North, Orientation::East, Orientation::South, Orientation::West}) {
            for (const QPoint panel : {QPoint(0, 0), QPoint(319, 0), QPoint(17, 200),
                                       QPoint(319, 239), QPoint(0, 239)}) {
                const QPoint logical = Screen::toLogical(panel, orientation);
                QCOMPARE(Screen::toPanel(logical, orientation), panel);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSimDrawing)
#include "tst_simdrawing.moc"
