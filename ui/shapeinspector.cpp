#include "ui/shapeinspector.h"

#include "commands/colors.h"
#include "script/statementtext.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

using design::Field;

namespace {

QIcon swatch(quint16 word)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colorOfWord(word));
    return QIcon(pixmap);
}

} // namespace

ShapeInspector::ShapeInspector(QWidget *parent)
    : QWidget(parent), titleLabel(new QLabel(this)), hintLabel(new QLabel(this)),
      form(new QFormLayout)
{
    setObjectName(QStringLiteral("shapeInspector"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(titleLabel);
    hintLabel->setWordWrap(true);
    hintLabel->hide();
    layout->addWidget(hintLabel);
    layout->addLayout(form);
    layout->addStretch();
    clear();
}

QString ShapeInspector::colourLabel(quint16 word)
{
    return QStringLiteral("%1 (0x%2)")
        .arg(script::colorText(word))
        .arg(word, 4, 16, QLatin1Char('0'));
}

void ShapeInspector::setLists(const QStringList &fonts, const QStringList &images,
                              const QVector<QIcon> &icons)
{
    fontNames = fonts;
    imageNames = images;
    imageIcons = icons;
    shown.clear(); // the choosers are made again with the new lists
}

void ShapeInspector::clear()
{
    while (form->rowCount() > 0)
        form->removeRow(0);
    shown.clear();
    editors.clear();
    titleLabel->setText(tr("Select a shape in the preview to see its values."));
    hintLabel->hide();
}

bool ShapeInspector::sameForm(const QVector<Field> &fields) const
{
    if (fields.size() != shown.size())
        return false;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).label != shown.at(i).label || fields.at(i).kind != shown.at(i).kind ||
            fields.at(i).highest != shown.at(i).highest)
            return false;
    }
    return true;
}

void ShapeInspector::showFields(const QString &title, const QVector<Field> &fields,
                                const QString &hint)
{
    titleLabel->setText(title);
    hintLabel->setText(hint);
    hintLabel->setVisible(!hint.isEmpty());
    if (sameForm(fields)) {
        // The same form may show a shape that can move after one that cannot.
        for (int i = 0; i < fields.size(); ++i) {
            editors.at(i)->setEnabled(hint.isEmpty());
            updateEditor(editors.at(i), fields.at(i));
        }
        shown = fields;
        return;
    }
    while (form->rowCount() > 0)
        form->removeRow(0);
    editors.clear();
    shown = fields;
    for (int i = 0; i < fields.size(); ++i) {
        QWidget *editor = editorFor(i, fields.at(i));
        editor->setEnabled(hint.isEmpty());
        editor->setObjectName(QStringLiteral("field_") + fields.at(i).label);
        form->addRow(fields.at(i).label, editor);
        editors.append(editor);
        updateEditor(editor, fields.at(i));
    }
}

QWidget *ShapeInspector::editorFor(int index, const Field &field)
{
    switch (field.kind) {
    case Field::Kind::Number:
    case Field::Kind::Degrees:
        return numberEditor(index, field);
    case Field::Kind::Colour:
        return colourEditor(index, field);
    case Field::Kind::Font:
        return listEditor(index, field, fontNames, {});
    case Field::Kind::Image:
        return listEditor(index, field, imageNames, imageIcons);
    case Field::Kind::Text:
    case Field::Kind::CardName:
    case Field::Kind::Name:
        return textEditor(index, field);
    }
    return nullptr;
}

QWidget *ShapeInspector::numberEditor(int index, const Field &field)
{
    auto *spin = new QSpinBox(this);
    spin->setRange(int(field.lowest), int(std::min<qint64>(field.highest, INT_MAX)));
    if (field.kind == Field::Kind::Degrees)
        spin->setSuffix(QStringLiteral("°"));
    // A value typed digit by digit is one edit, made when it is complete.
    spin->setKeyboardTracking(false);
    connect(spin, qOverload<int>(&QSpinBox::valueChanged), this,
            [this, index](int value) { emit fieldChanged(index, value, {}); });
    return spin;
}

QWidget *ShapeInspector::colourEditor(int index, const Field &)
{
    auto *button = new QPushButton(this);
    button->setToolTip(tr("The colour word the module gets, and the colour it shows"));
    connect(button, &QPushButton::clicked, this,
            [this, index] { chooseColour(index, quint16(shown.value(index).value)); });
    return button;
}

void ShapeInspector::chooseColour(int index, quint16 word)
{
    const QColor chosen = QColorDialog::getColor(colorOfWord(word), this, tr("Colour"));
    if (chosen.isValid())
        emit fieldChanged(index, rgb565(chosen.red(), chosen.green(), chosen.blue()), {});
}

QWidget *ShapeInspector::listEditor(int index, const Field &field, const QStringList &names,
                                    const QVector<QIcon> &icons)
{
    auto *combo = new QComboBox(this);
    for (int i = 0; i < names.size(); ++i)
        combo->addItem(icons.value(i), QStringLiteral("%1: %2").arg(i).arg(names.at(i)), i);
    // A number the list does not have stays choosable as it is.
    if (field.value >= names.size())
        combo->addItem(tr("%1 (not in the list)").arg(field.value), int(field.value));
    connect(combo, qOverload<int>(&QComboBox::activated), this, [this, combo, index](int row) {
        emit fieldChanged(index, combo->itemData(row).toInt(), {});
    });
    return combo;
}

QWidget *ShapeInspector::textEditor(int index, const Field &)
{
    auto *line = new QLineEdit(this);
    connect(line, &QLineEdit::editingFinished, this,
            [this, line, index] { emit fieldChanged(index, 0, line->text()); });
    return line;
}

void ShapeInspector::updateEditor(QWidget *editor, const Field &field)
{
    if (editor->hasFocus() && field.kind != Field::Kind::Colour)
        return;
    const QSignalBlocker quiet(editor);
    if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        spin->setValue(int(field.value));
    } else if (auto *button = qobject_cast<QPushButton *>(editor)) {
        button->setIcon(swatch(quint16(field.value)));
        button->setText(colourLabel(quint16(field.value)));
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const int row = combo->findData(int(field.value));
        if (row >= 0)
            combo->setCurrentIndex(row);
        else
            combo->addItem(tr("%1 (not in the list)").arg(field.value), int(field.value));
        combo->setCurrentIndex(combo->findData(int(field.value)));
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(field.text);
    }
}
