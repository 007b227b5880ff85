#ifndef SHAPEINSPECTOR_H
#define SHAPEINSPECTOR_H

#include "design/edits.h"

#include <QIcon>
#include <QWidget>

class QFormLayout;
class QLabel;

// The designer's inspector: the selected shape's numbers, colour, font,
// text and name, each with the editor its field calls for and kept inside
// the field's range. A change becomes fieldChanged(); the page turns it
// into an edit of the statement.
class ShapeInspector : public QWidget
{
    Q_OBJECT

public:
    explicit ShapeInspector(QWidget *parent = nullptr);

    // The font and image lists the choosers offer (names in list order).
    void setLists(const QStringList &fonts, const QStringList &images,
                  const QVector<QIcon> &imageIcons);
    // Shows `fields` under `title`; `hint` explains a shape that cannot move.
    // Editors of the same fields are kept, and the one being typed in is
    // left alone.
    void showFields(const QString &title, const QVector<design::Field> &fields,
                    const QString &hint = {});
    void clear();

    // "#ff0000 (0xf800)": a colour word as the picker shows it.
    static QString colourLabel(quint16 word);

signals:
    void fieldChanged(int index, qint64 value, const QString &text);

private:
    QWidget *editorFor(int index, const design::Field &field);
    QWidget *numberEditor(int index, const design::Field &field);
    QWidget *colourEditor(int index, const design::Field &field);
    QWidget *listEditor(int index, const design::Field &field, const QStringList &names,
                        const QVector<QIcon> &icons);
    QWidget *textEditor(int index, const design::Field &field);
    void updateEditor(QWidget *editor, const design::Field &field);
    void chooseColour(int index, quint16 word);
    bool sameForm(const QVector<design::Field> &fields) const;

    QLabel *titleLabel;
    QLabel *hintLabel;
    QFormLayout *form;
    QVector<design::Field> shown;
    QVector<QWidget *> editors;
    QStringList fontNames;
    QStringList imageNames;
    QVector<QIcon> imageIcons;
};

#endif // SHAPEINSPECTOR_H
