#include "ui/previewpane.h"

#include "commands/colors.h"
#include "design/edits.h"
#include "design/screens.h"
#include "files/safefile.h"
#include "ui/designcanvas.h"
#include "ui/ruler.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Long enough to gather a key held down, short enough to feel immediate.
constexpr int renderDelayMs = 15;
constexpr int gridStep = 8; // panel pixels

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent), rendering(std::make_unique<preview::ScreenRender>()), view(new DesignCanvas),
      topRuler(new Ruler(Qt::Horizontal, view)), leftRuler(new Ruler(Qt::Vertical, view)),
      gridToggle(new QCheckBox(tr("Grid"))), zoomChoice(new QComboBox), layerChoice(new QComboBox),
      stepSlider(new QSlider(Qt::Horizontal)), previousButton(new QPushButton(tr("<"))),
      nextButton(new QPushButton(tr(">"))), saveButton(new QPushButton(tr("Save PNG..."))),
      cardButton(new QPushButton(tr("Card..."))), stepLabel(new QLabel), pixelLabel(new QLabel)
{
    setObjectName(QStringLiteral("scriptPreview"));
    view->setObjectName(QStringLiteral("previewScreen"));
    stepSlider->setObjectName(QStringLiteral("previewStep"));
    zoomChoice->setObjectName(QStringLiteral("previewZoom"));
    layerChoice->setObjectName(QStringLiteral("previewLayer"));
    saveButton->setObjectName(QStringLiteral("previewSave"));
    cardButton->setObjectName(QStringLiteral("previewCard"));
    cardButton->setToolTip(
        tr("The folder sdPutIcon draws from: an empty card until one is chosen"));
    pixelLabel->setObjectName(QStringLiteral("previewPixel"));
    gridToggle->setObjectName(QStringLiteral("previewGrid"));
    gridToggle->setToolTip(tr("Show an 8-pixel grid and snap to it"));
    topRuler->setObjectName(QStringLiteral("previewTopRuler"));
    leftRuler->setObjectName(QStringLiteral("previewLeftRuler"));
    renderTimer.setSingleShot(true);
    renderTimer.setInterval(renderDelayMs);
    connect(&renderTimer, &QTimer::timeout, this, &PreviewPane::renderNow);
    buildControls();
    showStep(0);
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::buildControls()
{
    zoomChoice->addItems({tr("1x"), tr("2x"), tr("3x"), tr("Fit")});
    zoomChoice->setCurrentIndex(1);
    layerChoice->addItems({tr("Composed"), tr("Layer 0"), tr("Layer 1")});
    stepSlider->setRange(0, 0);
    previousButton->setToolTip(tr("The screen one statement earlier"));
    nextButton->setToolTip(tr("The screen one statement later"));

    // Two rows: beside the editor, the palette and the inspector, one row
    // left the step slider no room.
    auto *controls = new QHBoxLayout;
    controls->addWidget(zoomChoice);
    controls->addWidget(layerChoice);
    controls->addWidget(gridToggle);
    controls->addStretch(1);
    controls->addWidget(cardButton);
    controls->addWidget(saveButton);
    auto *steps = new QHBoxLayout;
    steps->addWidget(previousButton);
    steps->addWidget(stepSlider, 1);
    steps->addWidget(nextButton);
    steps->addWidget(stepLabel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addLayout(steps);
    layout->addLayout(buildCanvas(), 1);
    layout->addWidget(pixelLabel);

    connect(zoomChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                view->setZoom(index == 3 ? ScreenView::fitZoom : index + 1);
                topRuler->update();
                leftRuler->update();
            });
    connect(gridToggle, &QCheckBox::toggled, view, &DesignCanvas::setGridShown);
    connect(layerChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PreviewPane::showPicture);
    connect(stepSlider, &QSlider::valueChanged, this, &PreviewPane::showStep);
    connect(previousButton, &QPushButton::clicked, this,
            [this] { stepSlider->setValue(stepSlider->value() - 1); });
    connect(nextButton, &QPushButton::clicked, this,
            [this] { stepSlider->setValue(stepSlider->value() + 1); });
    connect(saveButton, &QPushButton::clicked, this, &PreviewPane::savePicture);
    connect(cardButton, &QPushButton::clicked, this, &PreviewPane::chooseCard);
    connect(view, &ScreenView::hovered, this, &PreviewPane::describePixel);
    connect(view, &DesignCanvas::grabbed, this, &PreviewPane::grab);
    connect(view, &DesignCanvas::dragged, this, &PreviewPane::dragTo);
    connect(view, &DesignCanvas::released, this, &PreviewPane::endDrag);
    connect(view, &DesignCanvas::cancelled, this, &PreviewPane::cancelDrag);
    connect(view, &DesignCanvas::nudged, this, &PreviewPane::nudge);
    connect(view, &DesignCanvas::shapeDropped, this, &PreviewPane::insertShape);
    // The editor's undo and redo work from the preview too, a gesture at a time.
    connect(view, &DesignCanvas::historyStep, this, [this](bool redo) {
        if (!document || drag)
            return;
        if (redo)
            document->redo();
        else
            document->undo();
    });
}

// Rulers along the top and left of the scrolled picture.
QLayout *PreviewPane::buildCanvas()
{
    auto *scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(view);
    auto *canvas = new QGridLayout;
    canvas->setSpacing(0);
    canvas->addWidget(topRuler, 0, 1);
    canvas->addWidget(leftRuler, 1, 0);
    canvas->addWidget(scroller, 1, 1);
    for (Ruler *ruler : {topRuler, leftRuler})
        connect(view, &DesignCanvas::placementChanged, ruler, QOverload<>::of(&QWidget::update));
    return canvas;
}

void PreviewPane::showScript(const QString &text, const QString &baseDir, bool extendedAtStart)
{
    pendingText = text;
    pendingBase = baseDir;
    pendingExtended = extendedAtStart;
    // A drag is drawn as it goes, at most once per pass of the event loop;
    // typing waits for the burst to end.
    if (!drag)
        renderTimer.start(renderDelayMs);
    else if (!renderTimer.isActive())
        renderTimer.start(0);
}

void PreviewPane::setScriptDocument(QTextDocument *given)
{
    document = given;
}

void PreviewPane::setContext(const preview::RenderContext &given)
{
    context = given;
    context.setCardFolder(cardFolder);
    rendering->setContext(context);
    showStep(rendering->stepCount());
    emit rendered();
}

void PreviewPane::chooseCard()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("The Card's Root Folder"), cardFolder);
    if (folder.isEmpty())
        return;
    cardFolder = folder;
    setContext(context);
    emit status(tr("The preview draws card files from %1").arg(QDir::toNativeSeparators(folder)));
}

const QImage &PreviewPane::image() const
{
    return view->image();
}

// A slider left where it was put for the end (or the cursor's screen)
// follows the script as it grows; one moved elsewhere stays where it was put.
void PreviewPane::renderNow()
{
    const bool following = stepSlider->value() == followedSteps;
    rendering->setText(pendingText, pendingBase, pendingExtended);
    renderedText = pendingText;
    const QSignalBlocker quiet(stepSlider);
    stepSlider->setMaximum(rendering->stepCount());
    if (following) {
        followedSteps = screenSteps();
        stepSlider->setValue(followedSteps);
    }
    showStep(stepSlider->value());
    emit rendered();
}

bool PreviewPane::showsDocument() const
{
    return !document || document->toPlainText() == renderedText;
}

QVector<design::ScreenBlock> PreviewPane::screens() const
{
    // A script cut short by an error still has its later screens.
    if (rendering->errors().isEmpty())
        return design::screensOf(rendering->script());
    return design::screensOf(
        script::parseScript(renderedText, pendingBase, pendingExtended).script);
}

// What is edited must be what is shown.
void PreviewPane::renderPending()
{
    if (!renderTimer.isActive())
        return;
    renderTimer.stop();
    renderNow();
}

int PreviewPane::screenSteps() const
{
    const QVector<design::ScreenBlock> screens = design::screensOf(rendering->script());
    const int index = design::screenAtLine(screens, screenLine);
    if (index < 0 || screens.at(index).endLine <= 0)
        return rendering->stepCount();
    return rendering->stepsThrough(screens.at(index).endLine);
}

void PreviewPane::showScreenAt(int line)
{
    screenLine = line;
    if (!showsDocument())
        return; // the render on its way follows the new line
    if (stepSlider->value() != followedSteps)
        return;
    followedSteps = screenSteps();
    stepSlider->setValue(followedSteps);
}

void PreviewPane::showStep(int steps)
{
    steps = qBound(0, steps, rendering->stepCount());
    shownScreen = rendering->screenAfter(steps);
    layout = design::Layout(*rendering, shownScreen);
    stepLabel->setText(tr("%1 of %2").arg(steps).arg(rendering->stepCount()));
    previousButton->setEnabled(steps > 0);
    nextButton->setEnabled(steps < rendering->stepCount());
    showPicture();
}

preview::Layer PreviewPane::layer() const
{
    const preview::Layer layers[] = {preview::Layer::Composed, preview::Layer::Zero,
                                     preview::Layer::One};
    return layers[qBound(0, layerChoice->currentIndex(), 2)];
}

void PreviewPane::showPicture()
{
    switch (layer()) {
    case preview::Layer::Composed:
        view->setImage(shownScreen.shown());
        break;
    case preview::Layer::Zero:
        view->setImage(shownScreen.layer(0));
        break;
    case preview::Layer::One:
        view->setImage(shownScreen.layer(1));
        break;
    }
    showSelection();
}

// The cursor's shape with its handles (none when it cannot move), or else
// whatever its statement drew.
void PreviewPane::showSelection()
{
    QVector<QRect> buttons;
    for (const preview::ButtonOutline &button : shownScreen.buttons())
        buttons << button.area;
    const int shape = layout.shapeAtLine(selectedLine);
    QRect outline;
    shownHandles.clear();
    if (shape >= 0) {
        outline = layout.shapes().at(shape).bounds;
        shownHandles = design::handlesOf(layout, layout.shapes().at(shape));
    } else if (const int statement = rendering->statementAtLine(selectedLine); statement >= 0) {
        outline = rendering->drawnBy(statement, shownScreen.steps());
    }
    view->setOutlines(buttons, outline);
    QVector<QPoint> spots;
    for (const design::HandleSpot &spot : shownHandles)
        spots << spot.panel;
    view->setHandles(spots);
    emit selectionChanged();
}

void PreviewPane::selectLine(int line)
{
    if (line == selectedLine)
        return;
    selectedLine = line;
    // An edit above the cursor moves it before the edited text is rendered:
    // the line is then one of the new text, and the render selects it.
    if (!showsDocument())
        return;
    showSelection();
    const int shape = drag ? -1 : layout.shapeAtLine(line);
    if (shape >= 0 && !layout.shapes().at(shape).fixed.isEmpty())
        emit status(layout.shapes().at(shape).fixed);
}

// "x 12, y 34: #ff0000 (0xF800), drawn by line 5"
void PreviewPane::describePixel(QPoint pixel)
{
    topRuler->setMark(pixel.x());
    leftRuler->setMark(pixel.y());
    if (pixel.x() < 0) {
        pixelLabel->clear();
        return;
    }
    const QColor colour = view->image().pixelColor(pixel);
    QString text = tr("x %1, y %2: %3 (0x%4)")
                       .arg(pixel.x())
                       .arg(pixel.y())
                       .arg(colour.name())
                       .arg(rgb565(colour), 4, 16, QLatin1Char('0'));
    const int writer = shownScreen.writer(pixel, layer());
    if (writer >= 0)
        text += tr(", drawn by line %1").arg(rendering->position(writer).line);
    pixelLabel->setText(text);
}

void PreviewPane::showPress(QPoint pixel)
{
    const preview::TouchReport report = rendering->press(pixel, shownScreen.steps());
    if (report.button >= 0)
        emit status(tr("A press on button %1 sends %2")
                        .arg(report.button)
                        .arg(report.bytes.isEmpty() ? tr("nothing") : hexBytes(report.bytes)));
}

// A press on a handle of the selection takes hold of it; elsewhere it
// selects the shape under it, or puts the cursor on whatever drew there.
void PreviewPane::grab(int handle, QPoint pixel)
{
    renderPending();
    grip.reset();
    const int selected = layout.shapeAtLine(selectedLine);
    if (selected >= 0 && handle >= 0 && handle < shownHandles.size()) {
        grip = Grip{selected, shownHandles.at(handle).handle};
        return;
    }
    if (pixel.x() < 0)
        return;
    showPress(pixel);
    const int writer = shownScreen.writer(pixel, layer());
    const int shape = writer >= 0 ? layout.shapeOfStatement(writer) : -1;
    if (shape >= 0) {
        selectShape(shape);
    } else if (writer >= 0) {
        const script::SourcePos pos = rendering->position(writer);
        emit statementClicked(pos.line, pos.column);
    }
}

void PreviewPane::selectShape(int shape)
{
    const design::Shape picked = layout.shapes().at(shape);
    const QPair<int, int> lines = layout.linesOf(picked);
    // The editor follows at once, and may show another screen: the layout
    // is then another, so the shape is found again by its line.
    emit linesSelected(lines.first, lines.second);
    if (!picked.fixed.isEmpty()) {
        emit status(picked.fixed);
        return;
    }
    const int found = layout.shapeAtLine(picked.line);
    if (found >= 0)
        grip = Grip{found, design::Handle::Body};
}

// The first move of a press starts the drag from the text as it stands.
void PreviewPane::dragTo(QPoint panelDelta, bool snapping)
{
    if (!grip || !document)
        return;
    if (!drag) {
        if (panelDelta.isNull())
            return;
        drag = std::make_unique<ShapeDrag>(context, document->toPlainText(), pendingBase,
                                           pendingExtended, shownScreen.steps(), grip->shape,
                                           grip->handle);
        gesture = std::make_unique<DocumentGesture>(document);
    }
    const design::SnapSettings settings = snapSettings();
    const ShapeDrag::Step step = drag->at(panelDelta, snapping ? &settings : nullptr);
    gesture->show(step.text);
    view->setGuides(step.guides);
    if (!step.note.isEmpty())
        emit status(step.note);
}

void PreviewPane::endDrag()
{
    // A drag let go where it began leaves no undo step behind.
    if (drag && gesture && gesture->changed() && document &&
        document->toPlainText() == drag->originalText())
        gesture->cancel();
    grip.reset();
    drag.reset();
    gesture.reset();
    view->setGuides({});
}

void PreviewPane::cancelDrag()
{
    if (gesture)
        gesture->cancel();
    endDrag();
}

// One undo step a press, never snapped: the arrows are for the last pixel.
void PreviewPane::nudge(QPoint panelDelta)
{
    if (drag || !document)
        return;
    renderPending();
    const int shape = layout.shapeAtLine(selectedLine);
    if (shape < 0)
        return;
    const design::Shape &chosen = layout.shapes().at(shape);
    if (!chosen.fixed.isEmpty()) {
        emit status(chosen.fixed);
        return;
    }
    const QString text = document->toPlainText();
    makeEdit(design::moveShape(layout, chosen, panelDelta, text), text);
}

// One edit of the document as it stands, as one undo step.
void PreviewPane::makeEdit(const design::Edit &edit, const QString &text)
{
    if (edit.isEmpty())
        return;
    DocumentGesture(document).show(design::applied(text, edit));
    if (!edit.note.isEmpty())
        emit status(edit.note);
}

const design::Shape *PreviewPane::selectedShape() const
{
    const int shape = layout.shapeAtLine(selectedLine);
    return shape >= 0 ? &layout.shapes().at(shape) : nullptr;
}

void PreviewPane::setField(int index, qint64 value, const QString &given)
{
    if (drag || !document)
        return;
    renderPending();
    const design::Shape *shape = selectedShape();
    if (!shape || !shape->fixed.isEmpty())
        return;
    const QString text = document->toPlainText();
    const int line = shape->line;
    const design::Edit edit = design::setField(layout, *shape, index, value, given, text);
    makeEdit(edit, text);
    // A statement given to the shape alone may take the line the cursor
    // was on: the cursor follows the shape, which stays selected.
    int added = 0;
    for (const design::TextChange &change : edit.changes) {
        if (change.line <= line)
            added += int(change.text.count(QLatin1Char('\n')));
    }
    if (added > 0)
        emit statementClicked(line + added, 1);
}

void PreviewPane::insertShape(const PaletteChoice &choice, QPoint pixel)
{
    if (drag || !document)
        return;
    renderPending();
    const QString text = document->toPlainText();
    design::Insertion insertion;
    insertion.shape = choice.shape;
    insertion.image = choice.image;
    insertion.panelPoint = pixel;
    insertion.ink = design::contrastingInk(rgb565(shownScreen.shown().pixelColor(pixel)));
    const int line = design::insertionLine(screens(), text, selectedLine);
    const design::Edit edit = design::insertShape(layout, insertion, text, line);
    makeEdit(edit, text);
    // The new shape is selected: its statements are the lines added.
    const int added = int(edit.changes.first().text.count(QLatin1Char('\n')));
    const int first = text.isEmpty() ? 1 : line;
    emit linesSelected(first, first + added - 1);
}

design::SnapSettings PreviewPane::snapSettings() const
{
    design::SnapSettings settings;
    settings.grid = gridToggle->isChecked() ? gridStep : 0;
    return settings;
}

void PreviewPane::savePicture()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Screen"), QString(),
                                                      tr("PNG Pictures (*.png)"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    view->image().save(&buffer, "PNG");
    QString error;
    if (writeFileSafely(path, png, error))
        emit status(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
    else
        emit status(error);
}
