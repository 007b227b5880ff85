#ifndef SCRIPT_SCRIPTEDITOR_H
#define SCRIPT_SCRIPTEDITOR_H

#include <QMap>
#include <QPlainTextEdit>

// The script pane: line numbers in a margin, commands, numbers, strings and
// comments in colour, the line being run marked, and lines with findings
// (errors, warnings) flagged in the margin, the finding in its tooltip.
class ScriptEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ScriptEditor(QWidget *parent = nullptr);

    // Marks line `line` (from 1) as the one being run and scrolls to it;
    // 0 takes the mark away.
    void markLine(int line);
    int markedLine() const { return marked; }
    // Lines (from 1) flagged in the margin, each with what was found there.
    void setFindings(const QMap<int, QString> &byLine);
    QString findingAt(int line) const { return findings.value(line); }
    // The line (from 1) whose margin row holds `y`, or 0.
    int lineAtMargin(int y) const;
    // Puts the cursor on `line` at `column` (both from 1), as for an error.
    void showPosition(int line, int column);
    // Selects lines `first` to `last` (from 1) whole, the cursor at the end
    // of the last; the focus stays where it is.
    void selectLines(int first, int last);

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
    QMap<int, QString> findings;
};

#endif // SCRIPT_SCRIPTEDITOR_H
