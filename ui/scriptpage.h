#ifndef SCRIPT_SCRIPTPAGE_H
#define SCRIPT_SCRIPTPAGE_H

#include "commands/frames.h"
#include "script/scriptrunner.h"

namespace preview {
class RenderContext;
}

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class AssetLists;
class PreviewPane;
class ScreenList;
class ScriptEditor;
class ShapeInspector;
class ShapePalette;

// What the Demos page needs from the window it sits in.
struct ScriptPageHooks
{
    script::ScriptLink link;            // the window's own send path
    std::function<bool()> portOpen;     // a run needs the open port
    std::function<bool()> extendedMode; // the mode the window sends in now
    std::function<void(const QString &)> showStatus;
};

// The Demos page: writes, records and runs command scripts against the open
// port. The built-in demos and the scripts opened are listed beside the
// editor; each run's steps go to the output pane, its summary to the status
// bar.
class ScriptPage : public QWidget
{
    Q_OBJECT

public:
    explicit ScriptPage(ScriptPageHooks hooks, QWidget *parent = nullptr);
    ~ScriptPage() override;

    bool isRunning() const { return runner->isRunning(); }
    bool isRecording() const;
    // Where the built-in demos live, one script each.
    static QString demoFolder();

    // A frame the window sent for one of its buttons: while recording, it
    // becomes the statement that sends it. A run's own frames are not
    // recorded.
    void recordCommand(Command id, const ArgValues &values, const QByteArray &text,
                       bool extendedMode);
    // An SD_FILE_WRITE of a local file, recorded by the file's path.
    void recordFile(int fileNumber, const QString &path);

public slots:
    // Handed on to the run: see ScriptRunner.
    void takeChunk(const QByteArray &chunk);
    void lineLost(const QString &reason);
    void fileDone(const QString &error);
    void drained();

    void run();
    void stop();
    // Opens a script, or a capture turned into one.
    void openFile(const QString &path);
    bool saveFile(const QString &path);
    // What the preview draws images and card files from.
    void setRenderContext(const preview::RenderContext &context);
    // The window's lists: what the preview draws from, the palette's
    // pictures and the inspector's fonts and images.
    void setLists(const AssetLists &lists);

private:
    struct Entry
    {
        QString title;
        QString path; // the file it came from; empty for one made here
        QString text; // its text as last shown, edits included
        bool builtIn = false;
    };

    void buildLayout();
    void connectControls();
    void addDemos();
    void addEntry(const Entry &entry);
    static QString labelOf(const Entry &entry); // its line in the list
    void showEntry(int row);
    void keepEditorText();
    QString baseFolder() const;
    void askToOpen();
    void askToSave();
    void recordingToggled(bool on);
    void appendStatement(const QString &line);
    void stepDone(const script::StepResult &result);
    void runFinished(const script::RunSummary &summary);
    void dropOldestOutput(int incoming);
    void flushOutput();
    void setRunning(bool running);
    void connectPreview();
    void connectDesigner();
    QWidget *designSide();
    void showSelectedShape();
    void showFindings();
    void askToExport();

    ScriptPageHooks hooks;
    script::ScriptRunner *runner;
    QListWidget *list;
    ScriptEditor *editor;
    QPlainTextEdit *output;
    QPushButton *runButton;
    QPushButton *stopButton;
    QPushButton *openButton;
    QPushButton *saveButton;
    QPushButton *recordButton;
    QPushButton *exportButton;
    PreviewPane *previewPane;
    ScreenList *screenList;
    ShapePalette *palette;
    ShapeInspector *inspector;
    QVector<Entry> entries;
    int shown = -1;
    QString runName;
    QStringList pendingOutput; // step lines not yet on screen
    int markedLine = 0;        // the statement last started
    QTimer showTimer;          // puts steps and the mark on screen a few dozen times a second
};

#endif // SCRIPT_SCRIPTPAGE_H
