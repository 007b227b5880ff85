#ifndef SCRIPT_SCRIPTEDITOR_H
#define SCRIPT_SCRIPTEDITOR_H

#include <QPlainTextEdit>

// The script pane: line numbers in a margin, commands, numbers, strings and
// comments in colour, and the line being run marked.
class ScriptEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ScriptEditor(QWidget *parent = nullptr);

    // Marks line `line` (from 1) as the one being run and scrolls to it;
    // 0 takes the mark away.
    void markLine(int line);
    int markedLine() const { return marked; }
    // Puts the cursor on `line` at `column` (both from 1), as for an error.
    void showPosition(int line, int column);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class LineNumberMargin;
    int marginWidth() const;
    void paintMargin(QPaintEvent *event);
    void updateMargin(const QRect &rect, int dy);
    void showMark();

    QWidget *margin;
    int marked = 0;
};

#endif // SCRIPT_SCRIPTEDITOR_H
