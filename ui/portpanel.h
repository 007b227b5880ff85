#ifndef PORTPANEL_H
#define PORTPANEL_H

#include <QObject>
#include <QTimer>

namespace Ui {
class MainWindow;
}

class LinkKeeper;
class ModuleLink;
struct LineSettings;

// The "Serial Port" controls: the port list, Open and Close, the watch for
// a port that disappears, and the keeper that brings a lost line back
// (Port → Reconnect Automatically). Also tells how a file sent to the card
// is getting on.
class PortPanel : public QObject
{
    Q_OBJECT

public:
    PortPanel(Ui::MainWindow &form, ModuleLink &link, QObject *parent);

    LinkKeeper &keeper() { return *linkKeeper; }
    // Fills the port list unless it has been filled already, keeping a port
    // chosen or typed meanwhile. The list starts empty: enumerating every tty
    // is the slowest part of start-up, so the window asks once it is on screen.
    void listPorts();

signals:
    void status(const QString &text);
    void logged(const QString &text);
    // The line is open: the traffic record starts a new stretch.
    void lineOpened();

private:
    void startKeeper();
    void connectWriter();
    void fillPortList();
    void rescanPorts();
    void showPortChoice(const QString &port);
    bool openPort(const LineSettings &settings, bool reportFailure);
    void closePort();
    void closeLostPort();
    void watchPort();

    Ui::MainWindow &ui;
    ModuleLink &link;
    LinkKeeper *linkKeeper = nullptr;
    QTimer portWatch;
    bool listed = false;
};

#endif // PORTPANEL_H
