#include "design/edits.h"

#include "design/textplace.h"
#include "script/statementtext.h"
#include "sim/screen.h"

#include <QtMath>

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace design {

using detail::Range;
using detail::TextLines;
using script::Statement;

QString applied(const QString &text, const Edit &edit)
{
    const TextLines lines(text);
    const bool crlf = text.contains(QLatin1String("\r\n"));
    struct Placed
    {
        int offset;
        int order; // later changes at one offset go in first, so they end up after
        const TextChange *change;
    };
    QVector<Placed> placed;
    for (int i = 0; i < edit.changes.size(); ++i) {
        const TextChange &change = edit.changes.at(i);
        placed.append({lines.offset(change.line, change.column), i, &change});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return a.offset != b.offset ? a.offset > b.offset : a.order > b.order;
    });
    QString result = text;
    for (const Placed &at : placed) {
        QString inserted = at.change->text;
        const bool wholeLines = at.change->length == 0 && inserted.endsWith(QLatin1Char('\n'));
        if (wholeLines && at.offset == result.size() && !result.isEmpty() &&
            !result.endsWith(QLatin1Char('\n'))) {
            inserted.chop(1); // the text ends without a line break: keep it so
            inserted.prepend(QLatin1Char('\n'));
        }
        if (crlf && wholeLines)
            inserted.replace(QRegularExpression(QStringLiteral("(?<!\r)\n")),
                             QStringLiteral("\r\n"));
        result.replace(at.offset, at.change->length, inserted);
    }
    return result;
}

namespace {

using vxsim::Screen;

// The numbers a shape's geometry reads: the cursor it starts from and its
// statement's arguments.
struct Geometry
{
    QPoint origin;
    ArgValues args;
};

Geometry geometryOf(const Layout &layout, const Shape &shape)
{
    return Geometry{shape.pen.cursor, layout.statement(shape.statement).values};
}

bool usesOrigin(const Shape &shape)
{
    return shape.kind != ShapeKind::Button;
}

// Arguments that are x and y coordinates, moved with the shape.
struct Axes
{
    QVector<int> x;
    QVector<int> y;
};

Axes coordinateArgs(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Box:
    case ShapeKind::FilledBox:
    case ShapeKind::Line:
        return {{0}, {1}};
    case ShapeKind::HorizontalLine:
        return {{0}, {}};
    case ShapeKind::VerticalLine:
        return {{}, {0}};
    case ShapeKind::Button:
        return {{5}, {6}};
    default:
        return {};
    }
}

QPoint toLogical(const Shape &shape, QPoint panel)
{
    return Screen::toLogical(panel, shape.pen.orientation);
}

QPoint toPanel(const Shape &shape, QPoint logical)
{
    return Screen::toPanel(logical, shape.pen.orientation);
}

// A panel delta turned as the shape's orientation turns its pixels.
QPoint logicalDelta(const Shape &shape, QPoint panelDelta)
{
    const QPoint anchor(160, 120);
    return toLogical(shape, anchor + panelDelta) - toLogical(shape, anchor);
}

// The SetXHY a shape's origin goes to: its own, or one inserted for it.
Range originRange(const Layout &layout, const Shape &shape, int axis)
{
    if (axis == 0)
        return {0, 0xFFFF};
    const bool extended = shape.position.statement >= 0
                              ? layout.info(shape.position.statement).extended
                              : shape.extended;
    return {0, extended ? 0xFFFF : 0xFF};
}

// The part of `wanted` that keeps every value moved inside its field.
int clampShift(int wanted, const QVector<QPair<qint64, Range>> &moved)
{
    qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 highest = std::numeric_limits<qint64>::max();
    for (const auto &[value, range] : moved) {
        lowest = std::max(lowest, range.lowest - value);
        highest = std::min(highest, range.highest - value);
    }
    if (lowest > highest)
        return 0;
    return int(std::clamp(qint64(wanted), lowest, highest));
}

Geometry moved(const Layout &layout, const Shape &shape, QPoint delta)
{
    const Statement &statement = layout.statement(shape.statement);
    Geometry geometry = geometryOf(layout, shape);
    const Axes axes = coordinateArgs(shape.kind);
    for (int axis = 0; axis < 2; ++axis) {
        QVector<QPair<qint64, Range>> values;
        if (usesOrigin(shape))
            values.append({axis == 0 ? geometry.origin.x() : geometry.origin.y(),
                           originRange(layout, shape, axis)});
        for (int index : axis == 0 ? axes.x : axes.y)
            values.append(
                {geometry.args.at(index), detail::rangeOf(statement, index, shape.extended)});
        const int shift = clampShift(axis == 0 ? delta.x() : delta.y(), values);
        if (usesOrigin(shape))
            (axis == 0 ? geometry.origin.rx() : geometry.origin.ry()) += shift;
        for (int index : axis == 0 ? axes.x : axes.y)
            geometry.args[index] += shift;
    }
    return geometry;
}

// The edit that gives a shape `wanted`, every number kept in its field.
Edit editFor(const Layout &layout, const Shape &shape, Geometry wanted, const QString &text)
{
    const Statement &statement = layout.statement(shape.statement);
    const TextLines lines(text);
    Edit edit;
    for (int i = 0; i < wanted.args.size() && i < statement.values.size(); ++i) {
        wanted.args[i] = detail::rangeOf(statement, i, shape.extended).clamp(wanted.args.at(i));
        if (const auto change = detail::valueChange(statement, i, wanted.args.at(i), text, lines))
            edit.changes.append(*change);
    }
    if (!usesOrigin(shape) || wanted.origin == shape.pen.cursor)
        return edit;
    const QPoint origin(int(originRange(layout, shape, 0).clamp(wanted.origin.x())),
                        int(originRange(layout, shape, 1).clamp(wanted.origin.y())));
    if (shape.position.statement >= 0) {
        const Statement &placer = layout.statement(shape.position.statement);
        for (int axis = 0; axis < 2; ++axis) {
            if (const auto change = detail::valueChange(
                    placer, axis, axis == 0 ? origin.x() : origin.y(), text, lines))
                edit.changes.append(*change);
        }
        return edit;
    }
    const auto setXY = [&](QPoint at) {
        return script::statementText(Command::SetXHY, {at.x(), at.y()}, {}, shape.extended);
    };
    detail::giveOwnSetter(edit, shape, setXY(origin),
                          shape.position.readLater ? setXY(shape.cursorAfter) : QString(), lines);
    return edit;
}

// The corner a box's handle stands for: which of the origin and the corner
// argument holds that side.
struct BoxSide
{
    bool originX;
    bool originY;
};

BoxSide boxSide(const Geometry &geometry, Handle handle)
{
    const QPoint origin = geometry.origin;
    const QPoint corner(int(geometry.args.at(0)), int(geometry.args.at(1)));
    const bool left = handle == Handle::TopLeft || handle == Handle::BottomLeft;
    const bool top = handle == Handle::TopLeft || handle == Handle::TopRight;
    const bool originLeft = origin.x() <= corner.x();
    const bool originTop = origin.y() <= corner.y();
    return {left == originLeft, top == originTop};
}

// Halfway along the arc, which runs from `from` to `to` the way the angles
// grow, across 0 when `to` is the smaller.
QPoint arcHandle(const Geometry &geometry)
{
    const qint64 from = geometry.args.at(1);
    const qint64 to = geometry.args.at(2);
    const qint64 span = to - from >= 360 ? 360 : ((to - from) % 360 + 360) % 360;
    const double middle = qDegreesToRadians(double(from) + double(span) / 2);
    const double radius = double(geometry.args.at(0));
    return geometry.origin + QPoint(qRound(radius * qCos(middle)), qRound(radius * qSin(middle)));
}

const std::array<Handle, 4> corners{Handle::TopLeft, Handle::TopRight, Handle::BottomLeft,
                                    Handle::BottomRight};

QPoint cornerOf(const QRect &rect, Handle handle)
{
    switch (handle) {
    case Handle::TopLeft:
        return rect.topLeft();
    case Handle::TopRight:
        return rect.topRight();
    case Handle::BottomLeft:
        return rect.bottomLeft();
    default:
        return rect.bottomRight();
    }
}

QRect buttonArea(const Geometry &geometry)
{
    return QRect(int(geometry.args.at(5)), int(geometry.args.at(6)), int(geometry.args.at(7)),
                 int(geometry.args.at(8)));
}

QVector<QPair<Handle, QPoint>> logicalHandles(const Shape &shape, const Geometry &geometry)
{
    const QPoint origin = geometry.origin;
    switch (shape.kind) {
    case ShapeKind::Box:
    case ShapeKind::FilledBox: {
        const QRect box =
            QRect(origin, QPoint(int(geometry.args.at(0)), int(geometry.args.at(1)))).normalized();
        QVector<QPair<Handle, QPoint>> spots;
        for (Handle corner : corners)
            spots.append({corner, cornerOf(box, corner)});
        return spots;
    }
    case ShapeKind::Button: {
        QVector<QPair<Handle, QPoint>> spots;
        const QRect area = buttonArea(geometry);
        for (Handle corner : corners)
            spots.append({corner, cornerOf(area, corner)});
        return spots;
    }
    case ShapeKind::Circle:
        return {{Handle::Radius, origin + QPoint(int(geometry.args.at(0)), 0)}};
    case ShapeKind::Arc:
        return {{Handle::Radius, arcHandle(geometry)}};
    case ShapeKind::Line:
        return {{Handle::Start, origin},
                {Handle::End, QPoint(int(geometry.args.at(0)), int(geometry.args.at(1)))}};
    case ShapeKind::HorizontalLine:
        return {{Handle::Start, origin},
                {Handle::End, QPoint(int(geometry.args.at(0)), origin.y())}};
    case ShapeKind::VerticalLine:
        return {{Handle::Start, origin},
                {Handle::End, QPoint(origin.x(), int(geometry.args.at(0)))}};
    case ShapeKind::Text:
    case ShapeKind::Image:
        break;
    }
    return {};
}

// A button's corner dragged: the opposite corner stays, the size follows.
void dragButtonCorner(Geometry &geometry, Handle handle, QPoint to)
{
    const QRect area = buttonArea(geometry);
    const bool left = handle == Handle::TopLeft || handle == Handle::BottomLeft;
    const bool top = handle == Handle::TopLeft || handle == Handle::TopRight;
    const int right = area.right();
    const int bottom = area.bottom();
    const int x = left ? std::clamp(to.x(), right - 0xFE, right) : area.left();
    const int y = top ? std::clamp(to.y(), bottom - 0xFE, bottom) : area.top();
    geometry.args[5] = std::max(0, x);
    geometry.args[6] = std::max(0, y);
    geometry.args[7] = left ? right - geometry.args.at(5) + 1 : std::max(1, to.x() - x + 1);
    geometry.args[8] = top ? bottom - geometry.args.at(6) + 1 : std::max(1, to.y() - y + 1);
}

} // namespace

Edit detail::originEdit(const Layout &layout, const Shape &shape, QPoint origin,
                        const QString &text)
{
    Geometry geometry = geometryOf(layout, shape);
    geometry.origin = origin;
    return editFor(layout, shape, geometry, text);
}

QVector<HandleSpot> handlesOf(const Layout &layout, const Shape &shape)
{
    QVector<HandleSpot> spots;
    if (!shape.fixed.isEmpty())
        return spots;
    for (const auto &[handle, logical] : logicalHandles(shape, geometryOf(layout, shape)))
        spots.append(HandleSpot{handle, toPanel(shape, logical)});
    return spots;
}

Edit moveShape(const Layout &layout, const Shape &shape, QPoint panelDelta, const QString &text)
{
    if (!shape.fixed.isEmpty())
        return {};
    return editFor(layout, shape, moved(layout, shape, logicalDelta(shape, panelDelta)), text);
}

Edit dragHandle(const Layout &layout, const Shape &shape, Handle handle, QPoint panelPoint,
                const QString &text)
{
    if (!shape.fixed.isEmpty())
        return {};
    if (handle == Handle::Body)
        return {};
    // A handle let go where it stood changes nothing, whatever rounding its
    // place took (an arc's handle stands on a rounded point of its edge).
    for (const HandleSpot &spot : handlesOf(layout, shape)) {
        if (spot.handle == handle && spot.panel == panelPoint)
            return {};
    }
    Geometry geometry = geometryOf(layout, shape);
    const QPoint to = toLogical(shape, panelPoint);
    switch (shape.kind) {
    case ShapeKind::Box:
    case ShapeKind::FilledBox: {
        const BoxSide side = boxSide(geometry, handle);
        if (side.originX)
            geometry.origin.setX(to.x());
        else
            geometry.args[0] = to.x();
        if (side.originY)
            geometry.origin.setY(to.y());
        else
            geometry.args[1] = to.y();
        break;
    }
    case ShapeKind::Button:
        dragButtonCorner(geometry, handle, to);
        break;
    case ShapeKind::Circle:
    case ShapeKind::Arc:
        geometry.args[0] = qRound(
            std::hypot(double(to.x() - geometry.origin.x()), double(to.y() - geometry.origin.y())));
        break;
    case ShapeKind::Line:
    case ShapeKind::HorizontalLine:
    case ShapeKind::VerticalLine:
        if (handle == Handle::Start)
            geometry.origin = to;
        else if (shape.kind == ShapeKind::Line)
            geometry.args = {to.x(), to.y()};
        else
            geometry.args[0] = shape.kind == ShapeKind::HorizontalLine ? to.x() : to.y();
        break;
    case ShapeKind::Text:
    case ShapeKind::Image:
        return {};
    }
    return editFor(layout, shape, geometry, text);
}

} // namespace design
