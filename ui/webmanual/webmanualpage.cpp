// The manual page as a QWebView. Built as a plugin of its own so that only
// opening the Manual page, not starting the bench, loads QtWebKit.
#include "ui/manualpage.h"

#include <QWebView>

#include <type_traits>

namespace {

class WebManualPage : public QWebView, public ManualPage
{
public:
    explicit WebManualPage(QWidget *parent) : QWebView(parent)
    {
        loading = connect(this, &QWebView::loadFinished, this, [this] { reportLoaded(); });
    }

    // The ManualPage part is destroyed before QWebView, which may still
    // finish a load on its way out.
    ~WebManualPage() override { disconnect(loading); }

    QWidget *widget() override { return this; }
    void setUrl(const QUrl &url) override { QWebView::setUrl(url); }
    void setHtml(const QString &html) override { QWebView::setHtml(html); }
    QUrl url() const override { return QWebView::url(); }
    // QWebView's default search is already forward, case-insensitive and
    // stops at the last match; an empty text clears the selection.
    bool findNext(const QString &text) override { return findText(text); }
    QString selectedText() const override { return QWebView::selectedText(); }

private:
    QMetaObject::Connection loading;
};

} // namespace

extern "C" Q_DECL_EXPORT ManualPage *vexelCreateWebManualPage(QWidget *parent)
{
    return new WebManualPage(parent);
}

// ManualView resolves the factory by name and calls it through this type.
static_assert(std::is_same_v<decltype(&vexelCreateWebManualPage), CreateManualPageFunction>);
