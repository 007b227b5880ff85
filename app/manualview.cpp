#include "app/manualview.h"

#include <QFileInfo>

ManualView::ManualView(QWidget *parent) : ManualViewBase(parent) {}

bool ManualView::canShow(const QString &fileName)
{
    // Neither view renders word-processor documents; both render HTML and text.
    static const QStringList renderable = {"html", "htm", "xhtml", "txt"};
    return renderable.contains(QFileInfo(fileName).suffix().toLower());
}

#ifdef VEXEL_HAVE_WEBKIT

void ManualView::showUrl(const QUrl &url) { setUrl(url); }
void ManualView::showHtml(const QString &html) { setHtml(html); }
QUrl ManualView::currentUrl() const { return url(); }
bool ManualView::findNext(const QString &text) { return findText(text); }
QString ManualView::selectedText() const { return ManualViewBase::selectedText(); }

#else

void ManualView::showUrl(const QUrl &url) { setSource(url); }
void ManualView::showHtml(const QString &html) { setHtml(html); }
QUrl ManualView::currentUrl() const { return source(); }

bool ManualView::findNext(const QString &text)
{
    if (text.isEmpty()) {
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        setTextCursor(cursor);
        return false;
    }
    // QTextBrowser::find leaves the selection alone when nothing more is found,
    // which matches a web view that stops at the last match.
    return find(text);
}

QString ManualView::selectedText() const { return textCursor().selectedText(); }

#endif
