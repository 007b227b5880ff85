#ifndef MANUALVIEW_H
#define MANUALVIEW_H

#include <QString>
#include <QUrl>

#ifdef VEXEL_HAVE_WEBKIT
#include <QWebView>
using ManualViewBase = QWebView;
#else
#include <QTextBrowser>
using ManualViewBase = QTextBrowser;
#endif

// The manual page's view. QtWebKit is gone from newer distributions, so the
// page is kept behind this class: a QWebView where it exists, otherwise a
// QTextBrowser with the same URL and search behaviour.
class ManualView : public ManualViewBase
{
    Q_OBJECT

public:
    explicit ManualView(QWidget *parent = nullptr);

    void showUrl(const QUrl &url);
    void showHtml(const QString &html);
    QUrl currentUrl() const;
    // Forward, case-insensitive, no wrap-around; an empty text clears the
    // selection. Returns whether a match was selected.
    bool findNext(const QString &text);
    QString selectedText() const;
    // Whether the view can render a document of this file's type.
    static bool canShow(const QString &fileName);
};

#endif // MANUALVIEW_H
