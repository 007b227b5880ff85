#ifndef HOSTCODE_OUTPUTFILES_H
#define HOSTCODE_OUTPUTFILES_H

#include "hostcode/hostcode.h"

namespace hostcode {

// Whether the file at `path` is one the export wrote: its first line holds
// generatedMarker.
bool isGeneratedFile(const QString &path);

// Writes `files` into the folder `dir`, all or none: a name held by anything
// but a file of the export's (isGeneratedFile()) stops it before any file is
// touched. Each file goes to a temporary file first; they are renamed into
// place one after another once all are written. Returns the paths written,
// or nothing with `problem` set to one line.
std::optional<QStringList>
writeGeneratedFiles(const QString &dir, const QVector<GeneratedFile> &files, QString &problem);

} // namespace hostcode

#endif // HOSTCODE_OUTPUTFILES_H
