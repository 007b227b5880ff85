#ifndef DESIGNTEST_H
#define DESIGNTEST_H

#include "design/edits.h"
#include "design/layout.h"
#include "preview/screenrender.h"

#include <QString>

#include <memory>

// A script rendered and laid out, as the designer sees it.
struct Designed
{
    explicit Designed(const QString &text, const preview::RenderContext &context = {})
        : text(text), render(std::make_unique<preview::ScreenRender>(context))
    {
        render->setText(text);
        layout = design::Layout(*render);
    }

    // The shape drawn by the statement on `line`.
    const design::Shape &shapeOn(int line) const
    {
        for (const design::Shape &shape : layout.shapes()) {
            if (shape.line == line)
                return shape;
        }
        qFatal("no shape on line %d", line);
    }
    bool hasShapeOn(int line) const
    {
        return std::any_of(layout.shapes().begin(), layout.shapes().end(),
                           [line](const design::Shape &shape) { return shape.line == line; });
    }

    QString text;
    std::unique_ptr<preview::ScreenRender> render;
    design::Layout layout;
};

#endif // DESIGNTEST_H
