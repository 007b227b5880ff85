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

    // The page is loaded when the view is first shown: rendering it at
    // start-up would delay the window for a page the user may never open.
    void showUrl(const QUrl &url);
    void showHtml(const QString &html);
    QUrl currentUrl() const;
    // Forward, case-insensitive, no wrap-around; an empty text clears the
    // selection. Returns whether a match was selected.
    bool findNext(const QString &text);
    QString selectedText() const;
    // Whether the view can render a document of this file's type.
    static bool canShow(const QString &fileName);

signals:
    // The page has been loaded and can be searched.
    void pageLoaded();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadPending();

    QUrl pendingUrl;
    QString pendingHtml;
    bool pending = false;
};

#endif // MANUALVIEW_H
