#include "ui/convertdialog.h"

#include "assets/assetfiles.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

ConvertDialog::ConvertDialog(QWidget *parent)
    : QDialog(parent), transparent(new QCheckBox(tr("Transparent colour:"))),
      colorButton(new QToolButton), dither(new QCheckBox(tr("Dither (Floyd-Steinberg)"))),
      fit(new QCheckBox(tr("Scale down pictures larger than %1 x %2 to fit")
                            .arg(VxpHeader::maxWidth)
                            .arg(VxpHeader::maxHeight))),
      beside(new QRadioButton(tr("Beside each picture"))),
      intoFolder(new QRadioButton(tr("Into this folder:"))), folder(new QLineEdit)
{
    setObjectName(QStringLiteral("convertDialog"));
    setWindowTitle(tr("Convert Pictures to .vxp"));
    transparent->setToolTip(tr("Pixels with less than half opacity get this colour, which the "
                               "module does not draw. Without it no pixel is transparent."));
    connect(colorButton, &QToolButton::clicked, this, &ConvertDialog::chooseColor);
    showColor();

    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(transparent);
    colorRow->addWidget(colorButton);
    colorRow->addStretch();

    auto *browse = new QPushButton(tr("..."));
    connect(browse, &QPushButton::clicked, this, &ConvertDialog::chooseFolder);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(intoFolder);
    folderRow->addWidget(folder, 1);
    folderRow->addWidget(browse);
    beside->setChecked(true);
    connect(folder, &QLineEdit::textEdited, this, [this] { intoFolder->setChecked(true); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(colorRow);
    layout->addWidget(dither);
    layout->addWidget(fit);
    layout->addWidget(beside);
    layout->addLayout(folderRow);
    layout->addWidget(buttons);
}

ConvertChoice ConvertDialog::choice() const
{
    ConvertChoice chosen;
    if (transparent->isChecked())
        chosen.options.transparent = color;
    chosen.options.dither = dither->isChecked();
    chosen.options.fit = fit->isChecked();
    if (intoFolder->isChecked())
        chosen.outputFolder = folder->text();
    return chosen;
}

void ConvertDialog::setTransparentColor(const QColor &chosen)
{
    transparent->setChecked(chosen.isValid());
    if (chosen.isValid())
        color = chosen;
    showColor();
}

void ConvertDialog::setDither(bool on)
{
    dither->setChecked(on);
}

void ConvertDialog::setFit(bool on)
{
    fit->setChecked(on);
}

void ConvertDialog::setOutputFolder(const QString &path)
{
    folder->setText(path);
    (path.isEmpty() ? beside : intoFolder)->setChecked(true);
}

void ConvertDialog::chooseColor()
{
    const QColor chosen = QColorDialog::getColor(color, this, tr("Transparent Colour"));
    if (chosen.isValid())
        setTransparentColor(chosen);
}

void ConvertDialog::chooseFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("Folder for the .vxp files"), folder->text());
    if (!chosen.isEmpty())
        setOutputFolder(chosen);
}

void ConvertDialog::showColor()
{
    colorButton->setText(color.name());
    colorButton->setStyleSheet(QStringLiteral("background-color: %1").arg(color.name()));
}
