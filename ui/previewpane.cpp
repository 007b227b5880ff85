#include "ui/previewpane.h"

#include "commands/colors.h"
#include "files/safefile.h"
#include "ui/screenview.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

// Long enough to gather a key held down, short enough to feel immediate.
constexpr int renderDelayMs = 15;

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent), rendering(std::make_unique<preview::ScreenRender>()), view(new ScreenView),
      zoomChoice(new QComboBox), layerChoice(new QComboBox),
      stepSlider(new QSlider(Qt::Horizontal)), previousButton(new QPushButton(tr("<"))),
      nextButton(new QPushButton(tr(">"))), saveButton(new QPushButton(tr("Save PNG..."))),
      cardButton(new QPushButton(tr("Card..."))),
      stepLabel(new QLabel), pixelLabel(new QLabel)
{
    setObjectName(QStringLiteral("scriptPreview"));
    view->setObjectName(QStringLiteral("previewScreen"));
    stepSlider->setObjectName(QStringLiteral("previewStep"));
    zoomChoice->setObjectName(QStringLiteral("previewZoom"));
    layerChoice->setObjectName(QStringLiteral("previewLayer"));
    saveButton->setObjectName(QStringLiteral("previewSave"));
    cardButton->setObjectName(QStringLiteral("previewCard"));
    cardButton->setToolTip(tr("The folder sdPutIcon draws from: an empty card until one is chosen"));
    pixelLabel->setObjectName(QStringLiteral("previewPixel"));
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

    auto *controls = new QHBoxLayout;
    controls->addWidget(zoomChoice);
    controls->addWidget(layerChoice);
    controls->addWidget(previousButton);
    controls->addWidget(stepSlider, 1);
    controls->addWidget(nextButton);
    controls->addWidget(stepLabel);
    controls->addWidget(cardButton);
    controls->addWidget(saveButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(view, 1);
    layout->addWidget(pixelLabel);

    connect(zoomChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { view->setZoom(index == 3 ? ScreenView::fitZoom : index + 1); });
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
    connect(view, &ScreenView::clicked, this, &PreviewPane::pixelClicked);
}

void PreviewPane::showScript(const QString &text, const QString &baseDir, bool extendedAtStart)
{
    pendingText = text;
    pendingBase = baseDir;
    pendingExtended = extendedAtStart;
    renderTimer.start();
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

// A slider left at the end follows the script as it grows; one moved back
// stays where it was put.
void PreviewPane::renderNow()
{
    const bool atEnd = stepSlider->value() >= stepSlider->maximum();
    rendering->setText(pendingText, pendingBase, pendingExtended);
    const QSignalBlocker quiet(stepSlider);
    stepSlider->setMaximum(rendering->stepCount());
    if (atEnd)
        stepSlider->setValue(rendering->stepCount());
    showStep(stepSlider->value());
    emit rendered();
}

void PreviewPane::showStep(int steps)
{
    steps = qBound(0, steps, rendering->stepCount());
    shownScreen = rendering->screenAfter(steps);
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
    QVector<QRect> buttons;
    for (const preview::ButtonOutline &button : shownScreen.buttons())
        buttons << button.area;
    const int statement = rendering->statementAtLine(selectedLine);
    const QRect drawn =
        statement >= 0 ? rendering->drawnBy(statement, shownScreen.steps()) : QRect();
    view->setOutlines(buttons, drawn);
}

void PreviewPane::selectLine(int line)
{
    if (line == selectedLine)
        return;
    selectedLine = line;
    showPicture();
}

// "x 12, y 34: #ff0000 (0xF800), drawn by line 5"
void PreviewPane::describePixel(QPoint pixel)
{
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

void PreviewPane::pixelClicked(QPoint pixel)
{
    const int writer = shownScreen.writer(pixel, layer());
    if (writer >= 0) {
        const script::SourcePos pos = rendering->position(writer);
        emit statementClicked(pos.line, pos.column);
    }
    const preview::TouchReport report = rendering->press(pixel, shownScreen.steps());
    if (report.button >= 0)
        emit status(tr("A press on button %1 sends %2")
                        .arg(report.button)
                        .arg(report.bytes.isEmpty() ? tr("nothing") : hexBytes(report.bytes)));
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
