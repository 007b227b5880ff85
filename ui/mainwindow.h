#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "assets/assetlists.h"

#include <QMainWindow>
#include <QString>

namespace Ui {
class MainWindow;
}

class CommandPage;
class ModuleLink;
class PaintThrottle;
class ScriptPage;
class TrafficRecorder;
class QDragEnterEvent;
class QDropEvent;
struct ScriptPageHooks;

// The bench's one window: builds the form, makes the link to the module and
// one object per page, and wires them together. It keeps only what belongs
// to the whole window: the log pane, the status bar and drops on the window.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The font and image lists as the Fonts and Images pages show them.
    const AssetLists &assetLists() const { return lists; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void showManual();
    void makePages();
    void makeScriptPage();
    ScriptPageHooks scriptPageHooks();
    void connectLink(TrafficRecorder &recorder);
    void showStatus(const QString &text);
    void logText(const QString &text);

    Ui::MainWindow *ui;
    ModuleLink *link = nullptr;
    AssetLists lists;
    PaintThrottle *logPainting = nullptr; // keeps a flood of log text from painting each line
    QObjectList formPages; // the pages that drive the form's widgets, owned by the window
    CommandPage *commands = nullptr;
    ScriptPage *scripts = nullptr; // made when the Demos page is first opened
};

#endif // MAINWINDOW_H
