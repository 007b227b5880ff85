#ifndef ASSETTABLES_H
#define ASSETTABLES_H

#include <QObject>
#include <QStringList>

namespace Ui {
class MainWindow;
}

class AssetLists;
class QAbstractButton;
class QLabel;
class QTableWidget;
class QWidget;
struct AddReport;
struct ConvertChoice;

// The Fonts and Images pages: keeps `FontTable` and `ImageTable` row for row
// in step with the lists as files are added, dropped, converted, unpacked
// from a package, moved and removed, and shows the selected image. Sums go
// to the status bar.
class AssetTables : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        QTableWidget *fonts;
        QTableWidget *images;
        QAbstractButton *removeFonts; // the Delete key on a table clicks these
        QAbstractButton *removeImages;
        QLabel *preview;
    };
    // Fonts named in a Config.txt show no "Type" cell.
    enum class Listing
    {
        Chosen,
        FromConfig
    };

    AssetTables(Ui::MainWindow &form, AssetLists &lists, QWidget *window);

    bool addFont(const QString &path, Listing listing, AddReport &report);
    bool addImage(const QString &path, Listing listing, AddReport &report);
    void emptyFonts();
    void emptyImages();

    // What the pages' buttons do.
    void addChosenFonts();
    void addChosenImages();
    void moveFont(int step);
    void moveImage(int step);
    void removeFonts();
    void removeImages();
    void convertChosenPictures();
    void importPackage();

public slots:
    // Lists one image as Add does; only a refusal is reported.
    void addImageFile(const QString &path);

signals:
    void status(const QString &text);

private:
    void connectButtons(Ui::MainWindow &form);
    using Add = bool (AssetTables::*)(const QString &, Listing, AddReport &);
    void addChosen(const QString &caption, const QString &filter, const QString &kind, Add add);
    void moveSelectedRow(QTableWidget *table, bool (AssetLists::*move)(int, int), int step);
    void removeSelectedRows(QTableWidget *table, void (AssetLists::*remove)(const QList<int> &),
                            const QString &kind);
    void addDroppedFonts(const QStringList &paths);
    void addDroppedImages(const QStringList &paths);
    void convertAndAdd(const QString &picture, const ConvertChoice &choice, AddReport &report);
    void showPreview(int row);
    void setImageColumnWidths();

    Widgets widgets;
    AssetLists &lists;
    QWidget *window;
};

#endif // ASSETTABLES_H
