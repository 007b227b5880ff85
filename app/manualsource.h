#ifndef MANUALSOURCE_H
#define MANUALSOURCE_H

#include <QString>
#include <QUrl>

extern const char *const manualDocumentName;
extern const char *const manualHtmlName;

// What the manual page shows: a document URL, or built-in HTML when no
// manual the view can render is in the working directory.
struct ManualSource
{
    QUrl url;
    QString builtInHtml;
};

// The file URL of `fileName` in `directory`, spaces encoded.
QUrl manualUrl(const QString &directory, const QString &fileName);

// Prefers the .doc manual when the view can show it, then the HTML manual,
// then a short page saying which files were looked for and where.
ManualSource chooseManual(const QString &directory, bool viewShowsDoc);

#endif // MANUALSOURCE_H
