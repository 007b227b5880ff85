#ifndef MANUALSOURCE_H
#define MANUALSOURCE_H

#include <QString>
#include <QStringList>
#include <QUrl>

extern const char *const manualDocumentName;
extern const char *const manualHtmlName;

// What the manual page shows: a document URL, or built-in HTML when no
// manual the view can render is in the folders looked in.
struct ManualSource
{
    QUrl url;
    QString builtInHtml;
};

// The file URL of `fileName` in `directory`, spaces encoded.
QUrl manualUrl(const QString &directory, const QString &fileName);

// Prefers the .doc manual when the view can show it, then the HTML manual,
// from the first directory that holds either; then a short page saying
// which files were looked for and where.
ManualSource chooseManual(const QStringList &directories, bool viewShowsDoc);
inline ManualSource chooseManual(const QString &directory, bool viewShowsDoc)
{
    return chooseManual(QStringList{directory}, viewShowsDoc);
}

#endif // MANUALSOURCE_H
