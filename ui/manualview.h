#ifndef MANUALVIEW_H
#define MANUALVIEW_H

#include <QString>
#include <QUrl>
#include <QWidget>

class ManualPage;

// The manual page's view: a container whose page is made when it is first
// shown. Linking QtWebKit into the bench made every start-up slower, so the
// web page comes from a plugin loaded then; where the plugin or QtWebKit is
// missing, a QTextBrowser page with the same URL and search behaviour is used.
class ManualView : public QWidget
{
    Q_OBJECT

public:
    enum class Page
    {
        WebWhenAvailable,
        TextOnly
    };

    explicit ManualView(QWidget *parent = nullptr, Page kind = Page::WebWhenAvailable);
    ~ManualView() override;

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
    // The plugin that draws web pages, loading it if need be; empty when
    // the text page is used.
    static QString webPagePluginPath();

signals:
    // The page has been loaded and can be searched; always emitted from the
    // event loop, never from inside showUrl() or showHtml().
    void pageLoaded();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createPage();
    void loadPending();

    const Page kind;
    ManualPage *page = nullptr; // owned by its widget, a child of this view
    QUrl pendingUrl;
    QString pendingHtml;
    bool pending = false;
};

#endif // MANUALVIEW_H
