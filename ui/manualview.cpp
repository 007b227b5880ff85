#include "ui/manualview.h"
#include "app/datafiles.h"
#include "ui/manualpage.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Quiet unless asked for (QT_LOGGING_RULES="vexel.manual.debug=true"): a
// missing plugin is the normal case on systems without QtWebKit.
Q_LOGGING_CATEGORY(manualLog, "vexel.manual", QtInfoMsg)

class TextManualPage : public QTextBrowser, public ManualPage
{
public:
    explicit TextManualPage(QWidget *parent) : QTextBrowser(parent) {}

    QWidget *widget() override { return this; }

    // A text browser loads at once.
    void setUrl(const QUrl &url) override
    {
        setSource(url);
        reportLoaded();
    }

    void setHtml(const QString &html) override
    {
        QTextBrowser::setHtml(html);
        reportLoaded();
    }

    QUrl url() const override { return source(); }

    bool findNext(const QString &text) override
    {
        if (text.isEmpty()) {
            QTextCursor cursor = textCursor();
            cursor.clearSelection();
            setTextCursor(cursor);
            return false;
        }
        // QTextBrowser::find leaves the selection alone when nothing more is
        // found, which matches a web view that stops at the last match.
        return find(text);
    }

    QString selectedText() const override { return textCursor().selectedText(); }
};

struct WebPagePlugin
{
    CreateManualPageFunction create = nullptr;
    QString path;
};

WebPagePlugin loadWebPagePlugin()
{
    for (const QString &directory : webManualPluginDirectories()) {
        // Never unloaded: pages made by it may live until the process ends.
        QLibrary library(QDir(directory).filePath(QStringLiteral("vexelwebmanual")));
        if (auto create =
                reinterpret_cast<CreateManualPageFunction>(library.resolve(createManualPageSymbol)))
            return {create, library.fileName()};
        qCDebug(manualLog) << "no web manual page:" << library.errorString();
    }
    return {};
}

// Looked up once: a failed load is not retried for every view.
const WebPagePlugin &webPagePlugin()
{
    static const WebPagePlugin plugin = loadWebPagePlugin();
    return plugin;
}

} // namespace

ManualView::ManualView(QWidget *parent, Page kind) : QWidget(parent), kind(kind)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

ManualView::~ManualView()
{
    // The page outlives this body (Qt deletes children later) and must not
    // report into a half-destroyed view.
    if (page)
        page->setLoadedHandler(nullptr);
}

QString ManualView::webPagePluginPath()
{
    return webPagePlugin().path;
}

bool ManualView::canShow(const QString &fileName)
{
    // Neither page renders word-processor documents; both render HTML and text.
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
    QWidget::showEvent(event);
    loadPending();
}

void ManualView::createPage()
{
    if (kind == Page::WebWhenAvailable && webPagePlugin().create)
        page = webPagePlugin().create(this);
    if (!page)
        page = new TextManualPage(this);
    // Both pages may finish inside setHtml(); queued, the signal reaches
    // whoever connects right after asking, whichever page is in use.
    page->setLoadedHandler(
        [this] { QMetaObject::invokeMethod(this, &ManualView::pageLoaded, Qt::QueuedConnection); });
    layout()->addWidget(page->widget());
    setFocusProxy(page->widget());
    page->widget()->show();
}

void ManualView::loadPending()
{
    if (!page)
        createPage();
    if (!pending)
        return;
    pending = false;
    if (pendingUrl.isEmpty())
        page->setHtml(pendingHtml);
    else
        page->setUrl(pendingUrl);
}

QUrl ManualView::currentUrl() const
{
    return pending || !page ? pendingUrl : page->url();
}

bool ManualView::findNext(const QString &text)
{
    return page && page->findNext(text);
}

QString ManualView::selectedText() const
{
    return page ? page->selectedText() : QString();
}
