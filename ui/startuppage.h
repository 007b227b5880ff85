#ifndef STARTUPPAGE_H
#define STARTUPPAGE_H

#include <QColor>
#include <QObject>

#include <memory>

namespace Ui {
class MainWindow;
}

namespace preview {
class RenderContext;
}

class AssetLists;
class QWidget;
struct StartupSettings;
struct StartupUpdate;

// The "Startup Settings" page: what the module does when it powers up, read
// from the page's widgets and shown on them, and the start screen they give
// drawn in the page's framed area (`label_5`) by the simulator's own
// start-up. Owns the start screen's fill colour, which no widget shows.
class StartupPage : public QObject
{
    Q_OBJECT

public:
    StartupPage(Ui::MainWindow &form, const AssetLists &lists, QWidget *window);
    ~StartupPage() override;

    StartupSettings settings() const;
    // The page as a Config.txt read back leaves it: one rule with vexelctl.
    void apply(const StartupUpdate &update);

    QColor startScreenFill() const { return fill; }
    void setStartScreenFill(const QColor &color);
    // Reads the image list afresh (it may have changed on its own page)
    // and draws the start screen again.
    void refreshStartScreen();

private:
    void show(const StartupSettings &settings);
    void setImageFieldsEnabled(bool enabled);
    void showStartScreen();

    Ui::MainWindow &ui;
    QWidget *window; // parent of the colour dialog
    QColor fill;
    const AssetLists &lists;
    std::unique_ptr<preview::RenderContext> startContext; // the lists as last read
};

#endif // STARTUPPAGE_H
