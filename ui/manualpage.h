#ifndef MANUALPAGE_H
#define MANUALPAGE_H

#include <QString>
#include <QUrl>

#include <functional>
#include <utility>

class QWidget;

// One rendering of the manual inside ManualView. The web rendering lives in a
// plugin so QtWebKit is loaded only when the manual is first opened; the
// interface is plain C++ so the plugin needs nothing from the window library.
class ManualPage
{
public:
    virtual ~ManualPage() = default;

    // The widget that draws the page; it owns this object through Qt's
    // parent-child tree, so deleting the widget deletes the page.
    virtual QWidget *widget() = 0;
    virtual void setUrl(const QUrl &url) = 0;
    virtual void setHtml(const QString &html) = 0;
    virtual QUrl url() const = 0;
    // Forward, case-insensitive, no wrap-around; an empty text clears the
    // selection. Returns whether a match was selected.
    virtual bool findNext(const QString &text) = 0;
    virtual QString selectedText() const = 0;

    // Called from the event loop each time a document has loaded and can be searched.
    void setLoadedHandler(std::function<void()> handler) { loadedHandler = std::move(handler); }

protected:
    void reportLoaded() const
    {
        if (loadedHandler)
            loadedHandler();
    }

private:
    std::function<void()> loadedHandler;
};

// The plugin's one export: a page whose widget is a child of `parent`.
using CreateManualPageFunction = ManualPage *(*)(QWidget *parent);
constexpr const char *createManualPageSymbol = "vexelCreateWebManualPage";

#endif // MANUALPAGE_H
