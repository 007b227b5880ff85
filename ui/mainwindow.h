#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "assets/assetlists.h"

#include <QMainWindow>
#include <QString>

namespace Ui {
class MainWindow;
}

class AssetTables;
class CommandPage;
class ConfigPage;
class FirmwarePage;
class ModuleLink;
class PaintThrottle;
class PortPanel;
class ScriptPage;
class StartupPage;
class TrafficControls;
class QDragEnterEvent;
class QDropEvent;
struct Reply;
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
    void setUpLook();
    void showManual();
    void makePages();
    void makeScriptPage();
    ScriptPageHooks scriptPageHooks();
    void connectScriptPage();
    void connectLink();
    void showStatus(const QString &text);
    void logText(const QString &text);
    void logReply(const Reply &reply);

    Ui::MainWindow *ui;
    ModuleLink *link;
    AssetLists lists;
    PaintThrottle *logPainting = nullptr; // keeps a flood of log text from painting each line
    TrafficControls *traffic = nullptr;
    PortPanel *ports = nullptr;
    CommandPage *commands = nullptr;
    AssetTables *tables = nullptr;
    StartupPage *startup = nullptr;
    ConfigPage *config = nullptr;
    FirmwarePage *firmware = nullptr;
    ScriptPage *scripts = nullptr; // made when the Demos page is first opened
};

#endif // MAINWINDOW_H
