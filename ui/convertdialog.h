#ifndef CONVERTDIALOG_H
#define CONVERTDIALOG_H

#include "assets/vxpimage.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

// What "Convert..." does with the chosen pictures.
struct ConvertChoice
{
    VxpOptions options;
    QString outputFolder; // empty: each .vxp beside its picture
};

// Asks how pictures become .vxp images: a transparent colour or none,
// dithering, scaling down what is too large, and where the files go.
class ConvertDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConvertDialog(QWidget *parent = nullptr);

    ConvertChoice choice() const;

    // What the controls show, for a caller that knows the answer already.
    void setTransparentColor(const QColor &color);
    void setDither(bool dither);
    void setFit(bool fit);
    void setOutputFolder(const QString &folder);

private:
    void chooseColor();
    void chooseFolder();
    void showColor();

    QCheckBox *transparent;
    QToolButton *colorButton;
    QColor color = QColor(255, 0, 255);
    QCheckBox *dither;
    QCheckBox *fit;
    QRadioButton *beside;
    QRadioButton *intoFolder;
    QLineEdit *folder;
};

#endif // CONVERTDIALOG_H
