// Scripts rendered for the preview. A 100,000-statement drawing script run
// through the simulated module (preview::ScreenRender) beside QPainter
// drawing the same shapes into a 320 x 240 QImage, in the same run; a
// 2,000-statement script rendered again after each of 100 one-statement
// edits, the picture and the pixel map included; and the step slider over
// the long script. Run by scripts/bench.sh, not a test.
#include "benchscripts.h"
#include "benchsupport.h"

#include "preview/screenrender.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int longStatements = 100000;
constexpr int editedStatements = 2000;
constexpr int edits = 100;
constexpr int slides = 100;
constexpr int rounds = 5;
constexpr double ratioAllowed = 2.0;
constexpr double editAllowedMs = 16;
constexpr double slideAllowedMs = 33; // a slider keeping up at 30 frames a second

// One call to QPainter, prepared before the clock runs.
struct Shape
{
    enum Kind
    {
        Pen,
        Outline,
        Fill,
        Ellipse,
        Line,
        Arc,
        Text
    };
    Kind kind = Pen;
    QColor colour;
    QRect rect;
    QLine line;
    int start = 0; // arcs, in sixteenths of a degree, counter-clockwise as Qt turns
    int span = 0;
    QPoint at; // text's baseline
    QString text;
};

QColor colourOf(qint64 word)
{
    const int c = int(word);
    return QColor(((c >> 11) & 31) << 3, ((c >> 5) & 63) << 2, (c & 31) << 3);
}

// The box between two corners, both inside it, whichever way round they come.
QRect corners(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// The shapes the statements draw, read as the module reads them: from the
// position, which lines and text move.
QVector<Shape> shapesOf(const script::Script &script, const QFontMetrics &metrics)
{
    QVector<Shape> shapes;
    QPoint position;
    for (const script::Statement &statement : script.statements) {
        const ArgValues &v = statement.values;
        Shape shape;
        switch (statement.command) {
        case Command::SetColorH:
            shape.kind = Shape::Pen;
            shape.colour = colourOf(v.at(0));
            break;
        case Command::SetXHY:
            position = QPoint(int(v.at(0)), int(v.at(1)));
            continue;
        case Command::BoxH:
        case Command::BoxHFill:
            shape.kind = statement.command == Command::BoxH ? Shape::Outline : Shape::Fill;
            shape.rect = corners(position, QPoint(int(v.at(0)), int(v.at(1))));
            break;
        case Command::CircleRH:
        case Command::ArcH: {
            const int r = int(v.at(0));
            shape.rect = QRect(position - QPoint(r, r), QSize(2 * r, 2 * r));
            shape.kind = statement.command == Command::CircleRH ? Shape::Ellipse : Shape::Arc;
            if (shape.kind == Shape::Arc) {
                shape.start = -int(v.at(1)) * 16; // the module turns clockwise
                shape.span = -int((v.at(2) - v.at(1) + 360) % 360) * 16;
            }
            break;
        }
        case Command::LineToXHY:
            shape.kind = Shape::Line;
            shape.line = QLine(position, QPoint(int(v.at(0)), int(v.at(1))));
            position = shape.line.p2();
            break;
        case Command::HLineH:
            shape.kind = Shape::Line;
            shape.line = QLine(position, QPoint(int(v.at(0)), position.y()));
            break;
        case Command::VLine:
            shape.kind = Shape::Line;
            shape.line = QLine(position, QPoint(position.x(), int(v.at(0))));
            break;
        case Command::PrintString:
            shape.kind = Shape::Text;
            shape.text = QString::fromLocal8Bit(statement.text);
            shape.at = position + QPoint(0, metrics.ascent());
            position.rx() += metrics.horizontalAdvance(shape.text);
            break;
        default:
            continue;
        }
        shapes.append(shape);
    }
    return shapes;
}

void paint(QImage &image, const QVector<Shape> &shapes, const QFont &font, bool withText)
{
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(font);
    QColor colour = Qt::white;
    // A cosmetic pen (width 0), Qt's fastest for one-pixel lines, as the
    // module draws them.
    QPen pen(colour, 0);
    painter.setPen(pen);
    for (const Shape &shape : shapes) {
        switch (shape.kind) {
        case Shape::Pen:
            colour = shape.colour;
            pen.setColor(colour);
            painter.setPen(pen);
            break;
        case Shape::Outline:
            painter.drawRect(shape.rect);
            break;
        case Shape::Fill:
            painter.fillRect(shape.rect, colour);
            break;
        case Shape::Ellipse:
            painter.drawEllipse(shape.rect);
            break;
        case Shape::Line:
            painter.drawLine(shape.line);
            break;
        case Shape::Arc:
            painter.drawArc(shape.rect, shape.start, shape.span);
            break;
        case Shape::Text:
            if (withText)
                painter.drawText(shape.at, shape.text);
            break;
        }
    }
}

double msOf(const std::function<void()> &work)
{
    return secondsOf(work) * 1000;
}

bool fullRenderBesideQPainter()
{
    const QString text = drawingScript(longStatements);
    const script::Script script = parsedOrDie(text);
    long renderRssKb = 0;
    {
        // Before anything is freed for the allocator to reuse: the first
        // render's memory is new to the process.
        const long before = currentRssKb();
        preview::ScreenRender first;
        first.setScript(script);
        renderRssKb = currentRssKb() - before;
    }
    QVector<double> parseMs;
    for (int i = 0; i < rounds; ++i)
        parseMs.append(msOf([&] { parsedOrDie(text); }));
    QFont font;
    font.setPixelSize(8); // about the module's 8-pixel cells
    const QVector<Shape> shapes = shapesOf(script, QFontMetrics(font));

    QVector<double> renderMs, rgb16Ms, rgb32Ms, noTextMs;
    int steps = 0;
    QImage rgb16(320, 240, QImage::Format_RGB16);
    QImage rgb32(320, 240, QImage::Format_RGB32);
    paint(rgb16, shapes, font, true); // both start warm
    for (int round = 0; round < rounds; ++round) {
        {
            preview::ScreenRender render;
            renderMs.append(msOf([&] {
                render.setScript(script);
                render.screen().shown();
            }));
            steps = render.stepCount();
        }
        rgb16Ms.append(msOf([&] { paint(rgb16, shapes, font, true); }));
        rgb32Ms.append(msOf([&] { paint(rgb32, shapes, font, true); }));
        noTextMs.append(msOf([&] { paint(rgb16, shapes, font, false); }));
    }
    const double ratio = median(renderMs) / median(rgb16Ms);
    const bool met = ratio <= ratioAllowed && steps == longStatements;
    std::printf("Full render, a %d-statement drawing script (median of %d; parse %.1f ms, not "
                "counted)\n",
                longStatements, rounds, median(parseMs));
    std::printf("  preview::ScreenRender, to the shown image: %.1f ms (%.1f to %.1f), %d steps, "
                "%.1f MB held (the first render's growth of the resident set)\n",
                median(renderMs), *std::min_element(renderMs.begin(), renderMs.end()),
                *std::max_element(renderMs.begin(), renderMs.end()), steps, renderRssKb / 1024.0);
    std::printf("  QPainter, the same %d shapes into a 320 x 240 RGB16 QImage: %.1f ms (%.1f to "
                "%.1f)\n",
                int(shapes.size()), median(rgb16Ms),
                *std::min_element(rgb16Ms.begin(), rgb16Ms.end()),
                *std::max_element(rgb16Ms.begin(), rgb16Ms.end()));
    std::printf("  for scale: into RGB32 %.1f ms; RGB16 without the text %.1f ms\n",
                median(rgb32Ms), median(noTextMs));
    std::printf("  render / QPainter RGB16: %.2f x (target at most %.1f x) %s\n", ratio,
                ratioAllowed, met ? "met" : "MISSED");
    return met;
}

// A statement replaced at a random line, as an editor's keystroke does.
bool editsOfALongerScript()
{
    QStringList lines = drawingScript(editedStatements).split('\n');
    lines.removeLast(); // the text ends in a line break
    preview::ScreenRender render;
    render.setText(lines.join('\n'));
    const double freshMs = msOf([&] {
        preview::ScreenRender fresh;
        fresh.setText(lines.join('\n'));
        fresh.screen().shown();
        fresh.screen().writerMap();
    });
    QRandomGenerator random(4242);
    QVector<double> editMs;
    for (int i = 0; i < edits; ++i) {
        const int line = random.bounded(int(lines.size()));
        lines[line] = drawingStatement(random, line + 1);
        const QString text = lines.join('\n');
        editMs.append(msOf([&] {
            render.setText(text);
            render.screen().shown();
            render.screen().writerMap();
        }));
    }
    const double medianMs = median(editMs);
    const bool met = medianMs <= editAllowedMs;
    std::printf("\nEdits: a %d-statement script, one statement replaced at a random line, %d "
                "times;\nparse, render, shown image and pixel map each time\n",
                editedStatements, edits);
    std::printf("  median %.2f ms, 90th percentile %.2f ms, slowest %.2f ms (target median at "
                "most %.0f ms) %s\n",
                medianMs, percentile(editMs, 0.9), percentile(editMs, 1.0), editAllowedMs,
                met ? "met" : "MISSED");
    std::printf("  for scale: the same script rendered afresh %.2f ms\n", freshMs);
    return met;
}

bool sliderOverTheLongScript()
{
    preview::ScreenRender render;
    render.setScript(parsedOrDie(drawingScript(longStatements)));
    QRandomGenerator random(99);
    QVector<double> slideMs;
    for (int i = 0; i < slides; ++i) {
        const int step = random.bounded(render.stepCount() + 1);
        slideMs.append(msOf([&] {
            const preview::RenderedScreen screen = render.screenAfter(step);
            screen.shown();
            screen.writerMap();
        }));
    }
    const double slowest = percentile(slideMs, 1.0);
    const bool met = slowest <= slideAllowedMs;
    std::printf("\nStep slider: the %d-statement script's screen after %d random steps, shown "
                "image and pixel map\n",
                longStatements, slides);
    std::printf("  median %.2f ms, slowest %.2f ms (target slowest at most %.0f ms) %s\n",
                median(slideMs), slowest, slideAllowedMs, met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char *argv[])
{
    preferOffscreen();
    QGuiApplication application(argc, argv); // QPainter's text needs fonts
    bool met = fullRenderBesideQPainter();
    met = editsOfALongerScript() && met;
    met = sliderOverTheLongScript() && met;
    return met ? 0 : 1;
}
