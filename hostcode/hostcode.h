#ifndef HOSTCODE_HOSTCODE_H
#define HOSTCODE_HOSTCODE_H

#include "script/script.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Command scripts turned into code for the firmware of a host that drives
// the module itself: C99, an Arduino library on a Stream, or a Python
// module on pyserial. The code sends exactly the bytes `vexelctl run` sends
// and checks the replies each `expect` names. Widget-free; vexelctl export
// and the Demos page call it.
namespace hostcode {

enum class Language
{
    C,       // vexel_scripts.h and vexel_scripts.c, on three functions the firmware supplies
    Arduino, // vexel_scripts.h and vexel_scripts.cpp, on a Stream
    Python,  // vexel_scripts.py, on a serial.Serial
};

// "c", "arduino" or "python", as vexelctl takes them; any case.
std::optional<Language> languageNamed(const QString &name);
QString languageName(Language language);
// The names of the files a language writes, in the order written.
QStringList outputNames(Language language);

// A script to export: its name, where its SD_FILE_WRITE files are found,
// and its text.
struct NamedScript
{
    QString name;    // a file name or a demo's title: messages and the function's name use it
    QString text;    // the script itself
    QString baseDir; // resolves its local files; the current folder when empty
};

struct ExportOptions
{
    // Every function starts with the module in this mode (see --extended
    // of vexelctl run).
    bool extendedAtStart = false;
    // A missing output folder is made, with its parents, once the code is
    // ready: a script with a mistake leaves no empty folder behind.
    bool makeFolder = false;
};

// Something that stopped an export: a script's mistake at its line and
// column, or a file that cannot be written.
struct ExportProblem
{
    QString script;        // the NamedScript's name; empty when about the output
    script::SourcePos pos; // line 0 when not about a line
    QString message;

    // "NAME:LINE:COLUMN: message", as a compiler writes it, or "NAME: message"
    QString toString() const;
};

struct GeneratedFile
{
    QString name; // in the output folder
    QByteArray bytes;
};

struct ExportResult
{
    QStringList written;             // the files' paths, once written
    QVector<ExportProblem> problems; // why nothing was written

    bool ok() const { return problems.isEmpty(); }
};

// The code for `scripts` in `language`, one function each, without writing
// anything: the problems of every script, or the files.
struct Generated
{
    QVector<GeneratedFile> files;
    QVector<ExportProblem> problems;
};
Generated generateCode(const QVector<NamedScript> &scripts, Language language,
                       const ExportOptions &options = {});

// Writes the code for `scripts` into the existing folder `dir`. All or
// nothing: a script with a mistake, or a file of one of the output names
// that the export did not write (its first line lacks the marker), and no
// file is touched. Each file is written whole through a temporary file, and
// the files are renamed into place together once all are complete.
ExportResult exportScripts(const QVector<NamedScript> &scripts, Language language,
                           const QString &dir, const ExportOptions &options = {});

// A script file as vexelctl exports it: named by its path, its local files
// found from its folder. An unreadable file gives nothing, `error` one line.
std::optional<NamedScript> readNamedScript(const QString &path, QString &error);

} // namespace hostcode

#endif // HOSTCODE_HOSTCODE_H
