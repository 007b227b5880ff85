#ifndef PREVIEWPANE_H
#define PREVIEWPANE_H

#include "preview/screenrender.h"

#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class ScreenView;

// The Demos page's live preview: the screen the script in the editor leaves,
// rendered by the simulator's own interpreter, zoomable, by layer, after any
// statement; the pixel under the mouse with its colour, the statement that
// drew a clicked pixel, and the touch report a click on a button would give.
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
    // Outlines what the statement on `line` drew (0: nothing).
    void selectLine(int line);
    const preview::ScreenRender &render() const { return *rendering; }
    const QImage &image() const;

signals:
    // The statement that last drew a clicked pixel starts at this place.
    void statementClicked(int line, int column);
    // The script was rendered again.
    void rendered();
    void status(const QString &text);

private:
    void buildControls();
    void renderNow();
    void showStep(int steps);
    void showPicture();
    void describePixel(QPoint pixel);
    void pixelClicked(QPoint pixel);
    void savePicture();
    void chooseCard();
    preview::Layer layer() const;

    std::unique_ptr<preview::ScreenRender> rendering;
    preview::RenderedScreen shownScreen;
    QString pendingText;
    QString pendingBase;
    bool pendingExtended = false;
    QTimer renderTimer; // gathers a burst of keystrokes into one render
    preview::RenderContext context; // the lists as given, the card as chosen here
    QString cardFolder;             // empty: an empty card, as the simulator starts with
    int selectedLine = 0;

    ScreenView *view;
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
