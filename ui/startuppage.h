#ifndef STARTUPPAGE_H
#define STARTUPPAGE_H

#include <QColor>
#include <QObject>

namespace Ui {
class MainWindow;
}

class QWidget;
struct StartupSettings;
struct StartupUpdate;

// The "Startup Settings" page: what the module does when it powers up, read
// from the page's widgets and shown on them. Owns the start screen's fill
// colour, which no widget shows.
class StartupPage : public QObject
{
    Q_OBJECT

public:
    StartupPage(Ui::MainWindow &form, QWidget *window);

    StartupSettings settings() const;
    // The page as a Config.txt read back leaves it: one rule with vexelctl.
    void apply(const StartupUpdate &update);

    QColor startScreenFill() const { return fill; }
    void setStartScreenFill(const QColor &color) { fill = color; }

private:
    void show(const StartupSettings &settings);
    void setImageFieldsEnabled(bool enabled);

    Ui::MainWindow &ui;
    QWidget *window; // parent of the colour dialog
    QColor fill;
};

#endif // STARTUPPAGE_H
