#include "ui/scripteditor.h"

#include "traffic/trafficdecoder.h"

#include <QHelpEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QToolTip>

class LineNumberMargin : public QWidget
{
public:
    explicit LineNumberMargin(ScriptEditor *editor) : QWidget(editor), editor(editor) {}
    QSize sizeHint() const override { return {editor->marginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { editor->paintMargin(event); }
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QWidget::event(event);
        auto *help = static_cast<QHelpEvent *>(event);
        const QString finding = editor->findingAt(editor->lineAtMargin(help->pos().y()));
        if (finding.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), finding, this);
        return true;
    }

private:
    ScriptEditor *editor;
};

namespace {

constexpr int marginPadding = 8;

// Colours a line at a time; a statement never spans lines.
class ScriptHighlighter : public QSyntaxHighlighter
{
public:
    explicit ScriptHighlighter(QTextDocument *document) : QSyntaxHighlighter(document)
    {
        QStringList words = commandNames();
        words << QStringLiteral("send") << QStringLiteral("wait") << QStringLiteral("expect")
              << QStringLiteral("within") << QStringLiteral("repeat") << QStringLiteral("end");
        for (QString &word : words)
            word = QRegularExpression::escape(word);
        keyword.setPattern(QStringLiteral("\\b(%1)\\b").arg(words.join(QLatin1Char('|'))));
        keyword.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        keywordFormat.setForeground(QColor(0x1f, 0x4e, 0xa8));
        keywordFormat.setFontWeight(QFont::Bold);
        numberFormat.setForeground(QColor(0x9a, 0x4d, 0x00));
        stringFormat.setForeground(QColor(0x1b, 0x7a, 0x2e));
        commentFormat.setForeground(Qt::gray);
        commentFormat.setFontItalic(true);
    }

protected:
    void highlightBlock(const QString &text) override
    {
        static const QRegularExpression number(
            QStringLiteral("(?<![\\w#])(0[xX][0-9a-fA-F]+|#[0-9a-fA-F]{6}|\\d+(ms|s)?)\\b"));
        for (auto it = keyword.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            setFormat(match.capturedStart(), match.capturedLength(), keywordFormat);
        }
        for (auto it = number.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            setFormat(match.capturedStart(), match.capturedLength(), numberFormat);
        }
        markStringsAndComment(text);
    }

private:
    // Strings and the comment last, over whatever looked like words or
    // numbers inside them.
    void markStringsAndComment(const QString &text)
    {
        int stringStart = -1;
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (stringStart >= 0) {
                if (c == QLatin1Char('\\')) {
                    ++i;
                } else if (c == QLatin1Char('"')) {
                    setFormat(stringStart, i - stringStart + 1, stringFormat);
                    stringStart = -1;
                }
            } else if (c == QLatin1Char('"')) {
                stringStart = i;
            } else if (c == QLatin1Char('#') && (i == 0 || text.at(i - 1).isSpace()) &&
                       !startsColour(text, i)) {
                setFormat(i, text.size() - i, commentFormat);
                return;
            }
        }
        if (stringStart >= 0) // unterminated: the parser says so on Run
            setFormat(stringStart, text.size() - stringStart, stringFormat);
    }

    // A colour argument "#ff0000" is no comment; a comment must be all
    // there is on the line before it or follow white space.
    static bool startsColour(const QString &text, int at)
    {
        static const QRegularExpression colour(QStringLiteral("^#[0-9a-fA-F]{6}(\\s|$)"));
        const bool lineStart = text.left(at).trimmed().isEmpty();
        return !lineStart && colour.match(text.mid(at)).hasMatch();
    }

    QRegularExpression keyword;
    QTextCharFormat keywordFormat;
    QTextCharFormat numberFormat;
    QTextCharFormat stringFormat;
    QTextCharFormat commentFormat;
};

} // namespace

ScriptEditor::ScriptEditor(QWidget *parent)
    : QPlainTextEdit(parent), margin(new LineNumberMargin(this))
{
    new ScriptHighlighter(document());
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    setFont(fixed);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(4 * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    connect(this, &QPlainTextEdit::blockCountChanged, this,
            [this] { setViewportMargins(marginWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, &ScriptEditor::updateMargin);
    // An edit moves lines about: the mark belongs to the run, not the text.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (marked > 0 && !isReadOnly())
            markLine(0);
    });
    setViewportMargins(marginWidth(), 0, 0, 0);
}

int ScriptEditor::marginWidth() const
{
    const int digits = QString::number(qMax(1, blockCount())).size();
    return marginPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * qMax(3, digits);
}

void ScriptEditor::updateMargin(const QRect &rect, int dy)
{
    if (dy != 0)
        margin->scroll(0, dy);
    else
        margin->update(0, rect.y(), margin->width(), rect.height());
}

void ScriptEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    margin->setGeometry(area.left(), area.top(), marginWidth(), area.height());
}

void ScriptEditor::paintMargin(QPaintEvent *event)
{
    QPainter painter(margin);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            const int line = block.blockNumber() + 1;
            const bool flagged = findings.contains(line);
            painter.setPen(flagged          ? QColor(0xc0, 0x20, 0x20)
                           : line == marked ? palette().color(QPalette::Highlight)
                                            : Qt::darkGray);
            QFont font = painter.font();
            font.setBold(flagged);
            painter.setFont(font);
            painter.drawText(0, top, margin->width() - marginPadding / 2, height,
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(line));
        }
        block = block.next();
        top += height;
    }
}

void ScriptEditor::setFindings(const QMap<int, QString> &byLine)
{
    if (byLine == findings)
        return;
    findings = byLine;
    margin->update();
}

int ScriptEditor::lineAtMargin(int y) const
{
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (y >= top && y < top + height)
            return block.blockNumber() + 1;
        block = block.next();
        top += height;
    }
    return 0;
}

void ScriptEditor::markLine(int line)
{
    if (line == marked)
        return;
    marked = line;
    showMark();
}

void ScriptEditor::showMark()
{
    QList<QTextEdit::ExtraSelection> selections;
    const QTextBlock block = document()->findBlockByNumber(marked - 1);
    if (marked > 0 && block.isValid()) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(QColor(0xff, 0xf1, 0xa8));
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        selection.cursor = QTextCursor(block);
        selections << selection;
        // Scrolled to without moving the user's own cursor.
        const QRectF shown = blockBoundingGeometry(block).translated(contentOffset());
        if (shown.top() < 0 || shown.bottom() > viewport()->height())
            verticalScrollBar()->setValue(qMax(0, block.blockNumber() - 3));
    }
    setExtraSelections(selections);
    margin->update();
}

void ScriptEditor::showPosition(int line, int column)
{
    const QTextBlock block = document()->findBlockByNumber(qMax(0, line - 1));
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                        qBound(0, column - 1, block.length() - 1));
    setTextCursor(cursor);
    centerCursor();
    setFocus();
}

void ScriptEditor::selectLines(int first, int last)
{
    const QTextBlock from = document()->findBlockByNumber(first - 1);
    const QTextBlock to = document()->findBlockByNumber(last - 1);
    if (!from.isValid() || !to.isValid())
        return;
    QTextCursor cursor(from);
    cursor.setPosition(to.position() + to.length() - 1, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}
