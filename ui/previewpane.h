#ifndef PREVIEWPANE_H
#define PREVIEWPANE_H

#include "design/layout.h"
#include "design/screens.h"
#include "design/snapping.h"
#include "preview/screenrender.h"
#include "ui/shapedrag.h"
#include "ui/shapepalette.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class DesignCanvas;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTextDocument;
class Ruler;

// The Demos page's live preview: the screen the script in the editor leaves,
// rendered by the simulator's own interpreter, zoomable, by layer, after any
// statement; the pixel under the mouse with its colour, the statement that
// drew a clicked pixel, and the touch report a click on a button would give.
// It is also where the design is edited: a shape clicked is selected, and
// dragging it, its handles or the arrow keys edit the script's numbers in
// the document given, each gesture one undo step.
class PreviewPane : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    // Renders `text` again, a moment after the last of a burst of edits.
    void showScript(const QString &text, const QString &baseDir, bool extendedAtStart);
    // The images and the card the script draws from.
    void setContext(const preview::RenderContext &context);
    // Outlines what the statement on `line` drew (0: nothing); a shape
    // drawn there is selected, with its handles.
    void selectLine(int line);
    // Shows the screen (screen "..." ... end) holding `line` as it stands
    // at its end, or the script's end outside screens; a step slider the
    // user moved away stays where it was put.
    void showScreenAt(int line);
    // The editor's document, which drags and nudges edit.
    void setScriptDocument(QTextDocument *document);
    const preview::ScreenRender &render() const { return *rendering; }
    // The shapes of the screen shown, and the one selected (the cursor's),
    // or null.
    const design::Layout &designLayout() const { return layout; }
    const design::Shape *selectedShape() const;
    // The script's screens, those after an error included.
    QVector<design::ScreenBlock> screens() const;
    // The selected shape's field `index` set, as one undo step.
    void setField(int index, qint64 value, const QString &text);
    // The statements that draw a palette item at a panel pixel, added where
    // the cursor's screen ends (or the script's), as one undo step.
    void insertShape(const PaletteChoice &choice, QPoint pixel);
    const QImage &image() const;

signals:
    // The statement that last drew a clicked pixel starts at this place.
    void statementClicked(int line, int column);
    // A shape was clicked: its statements stand on lines first..last.
    void linesSelected(int first, int last);
    // The script was rendered again.
    void rendered();
    // The selection, or what is known of it, changed.
    void selectionChanged();
    void status(const QString &text);

private:
    // What a press took hold of, until the mouse moves.
    struct Grip
    {
        int shape = -1;
        design::Handle handle = design::Handle::Body;
    };

    void buildControls();
    QLayout *buildCanvas();
    void renderNow();
    void renderPending();
    int screenSteps() const;
    void showStep(int steps);
    void showPicture();
    void showSelection();
    void describePixel(QPoint pixel);
    void showPress(QPoint pixel);
    void grab(int handle, QPoint pixel);
    void selectShape(int shape);
    void dragTo(QPoint panelDelta, bool snapping);
    void endDrag();
    void cancelDrag();
    void nudge(QPoint panelDelta);
    void makeEdit(const design::Edit &edit, const QString &text);
    bool showsDocument() const;
    design::SnapSettings snapSettings() const;
    void savePicture();
    void chooseCard();
    preview::Layer layer() const;

    std::unique_ptr<preview::ScreenRender> rendering;
    preview::RenderedScreen shownScreen;
    QString pendingText;
    QString renderedText;
    QString pendingBase;
    bool pendingExtended = false;
    QTimer renderTimer;             // gathers a burst of keystrokes into one render
    preview::RenderContext context; // the lists as given, the card as chosen here
    QString cardFolder;             // empty: an empty card, as the simulator starts with
    int selectedLine = 0;
    int screenLine = 0;
    int followedSteps = 0; // where the slider was put for the script's end or the cursor's screen
    design::Layout layout; // of the screen shown
    QVector<design::HandleSpot> shownHandles;
    QPointer<QTextDocument> document;
    std::optional<Grip> grip;
    std::unique_ptr<ShapeDrag> drag;
    std::unique_ptr<DocumentGesture> gesture;

    DesignCanvas *view;
    Ruler *topRuler;
    Ruler *leftRuler;
    QCheckBox *gridToggle;
    QComboBox *zoomChoice;
    QComboBox *layerChoice;
    QSlider *stepSlider;
    QPushButton *previousButton;
    QPushButton *nextButton;
    QPushButton *saveButton;
    QPushButton *cardButton;
    QLabel *stepLabel;
    QLabel *pixelLabel;
};

#endif // PREVIEWPANE_H
