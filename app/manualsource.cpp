#include "app/manualsource.h"

#include <QDir>
#include <QFileInfo>

const char *const manualDocumentName = "Vexel-900 Manual.doc";
const char *const manualHtmlName = "Vexel-900 Manual-html.html";

QUrl manualUrl(const QString &directory, const QString &fileName)
{
    // "file:///" + "C:/..." on Windows; an absolute POSIX path already
    // brings its own leading slash, so fromLocalFile builds both right.
    return QUrl::fromLocalFile(QDir(directory).absolutePath() + QLatin1Char('/') + fileName);
}

ManualSource chooseManual(const QStringList &directories, bool viewShowsDoc)
{
    const QString doc = QString::fromLatin1(manualDocumentName);
    const QString html = QString::fromLatin1(manualHtmlName);
    QString folders;
    for (const QString &directory : directories) {
        const QDir dir(directory);
        if (viewShowsDoc && QFileInfo(dir.filePath(doc)).isFile())
            return {manualUrl(directory, doc), {}};
        if (QFileInfo(dir.filePath(html)).isFile())
            return {manualUrl(directory, html), {}};
        folders += QStringLiteral("<p><code>%1</code></p>").arg(dir.absolutePath().toHtmlEscaped());
    }
    const QString page =
        QStringLiteral("<html><body><h2>No manual found</h2>"
                       "<p>The manual page shows <b>%1</b> or <b>%2</b> from the first of "
                       "these folders that holds one (the first is the folder the bench was "
                       "started in):</p>%3"
                       "<p>Place either file there and restart the bench.</p></body></html>")
            .arg(doc.toHtmlEscaped(), html.toHtmlEscaped(), folders);
    return {{}, page};
}
