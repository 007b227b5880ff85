#ifndef CONFIGPAGE_H
#define CONFIGPAGE_H

#include <QObject>
#include <QString>
#include <QStringList>

namespace Ui {
class MainWindow;
}

class AssetLists;
class AssetTables;
class CardJob;
class QWidget;
class StartupPage;
struct CardOutcome;

// The "Config.txt" page: the module's start-up file made from the Startup
// Settings page and the lists, read back, saved (File → Save Config.txt...),
// and the lists packed into a flash image or copied onto a card.
class ConfigPage : public QObject
{
    Q_OBJECT

public:
    ConfigPage(Ui::MainWindow &form, AssetLists &lists, AssetTables &tables, StartupPage &startup,
               QWidget *window);

signals:
    void status(const QString &text);

private:
    QStringList cardPaths(const QStringList &hostPaths) const;
    void generateConfig();
    void openConfigFile();
    void saveConfig();
    void generateFlashImage();
    void writeCard();
    void cardWritten(const CardOutcome &outcome);

    Ui::MainWindow &ui;
    AssetLists &lists;
    AssetTables &tables;
    StartupPage &startup;
    QWidget *window;            // parent of the dialogs
    CardJob *cardJob = nullptr; // made on first use
    // The folder that stands for the card's root: where the last Config.txt
    // was read from or the last card was made. Files inside it are named
    // from there in Config.txt. Empty until then.
    QString cardRoot;
};

#endif // CONFIGPAGE_H
