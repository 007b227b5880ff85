#include "app/manualview.h"

#include <QFileInfo>

ManualView::ManualView(QWidget *parent) : ManualViewBase(parent)
{
#ifdef VEXEL_HAVE_WEBKIT
    connect(this, &QWebView::loadFinished, this, &ManualView::pageLoaded);
#endif
}

bool ManualView::canShow(const QString &fileName)
{
    // Neither view renders word-processor documents; both render HTML and text.
    static const QStringList renderable = {"html", "htm", "xhtml", "txt"};
    return renderable.contains(QFileInfo(fileName).suffix().toLower());
}

void ManualView::showUrl(const QUrl &url)
{
    pendingUrl = url;
    pendingHtml.clear();
    pending = true;
    if (isVisible())
        loadPending();
}

void ManualView::showHtml(const QString &html)
{
    pendingUrl.clear();
    pendingHtml = html;
    pending = true;
    if (isVisible())
        loadPending();
}

void ManualView::showEvent(QShowEvent *event)
{
    ManualViewBase::showEvent(event);
    loadPending();
}

void ManualView::loadPending()
{
    if (!pending)
        return;
    pending = false;
#ifdef VEXEL_HAVE_WEBKIT
    if (pendingUrl.isEmpty())
        setHtml(pendingHtml);
    else
        setUrl(pendingUrl);
#else
    if (pendingUrl.isEmpty())
        setHtml(pendingHtml);
    else
        setSource(pendingUrl);
    emit pageLoaded(); // a text browser loads at once
#endif
}

#ifdef VEXEL_HAVE_WEBKIT

QUrl ManualView::currentUrl() const { return pending ? pendingUrl : url(); }
bool ManualView::findNext(const QString &text) { return findText(text); }
QString ManualView::selectedText() const { return ManualViewBase::selectedText(); }

#else

QUrl ManualView::currentUrl() const { return pending ? pendingUrl : source(); }

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
