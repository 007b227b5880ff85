#ifndef HOSTCODE_WRITERS_H
#define HOSTCODE_WRITERS_H

#include "hostcode/hostcode.h"
#include "hostcode/plan.h"

namespace hostcode {

// One script as the writers take it.
struct ScriptCode
{
    QString title; // the name it was given, for comments
    QString part;  // its unique name part (names.h)
    Plan plan;
    QStringList screenParts; // the name part of each of plan.screens (screennames.h)
};

// What the plans of a file use, so that no helper goes unused: the code
// compiles with every warning as an error.
struct Uses
{
    bool write = false;
    bool wait = false;
    bool read = false;
    bool bytesCheck = false;
    bool draw = false; // calls a screen's function
    int longestRead = 0;
};
Uses usesOf(const QVector<ScriptCode> &scripts);
Uses usesOf(const QVector<Step> &steps);

// "line 7: at 20, 30, 40 x 50": where a button's definition stands and the
// place it gives the button, for the comment beside its constant.
QByteArray buttonPlace(const Button &button);

// "screen \"Main\"", as comments and messages name it.
QString screenTitle(const Screen &screen);

QVector<GeneratedFile> cFiles(const QVector<ScriptCode> &scripts, const ExportOptions &options);
QVector<GeneratedFile> arduinoFiles(const QVector<ScriptCode> &scripts,
                                    const ExportOptions &options);
QVector<GeneratedFile> pythonFiles(const QVector<ScriptCode> &scripts,
                                   const ExportOptions &options);

// The base of every output name.
constexpr char outputBase[] = "vexel_scripts";

} // namespace hostcode

#endif // HOSTCODE_WRITERS_H
