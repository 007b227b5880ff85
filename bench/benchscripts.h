#ifndef BENCHSCRIPTS_H
#define BENCHSCRIPTS_H

#include "script/script.h"

#include <QRandomGenerator>
#include <QString>

// The drawing scripts the script benchmarks share, from a fixed seed.

// One drawing statement of ten kinds, its values drawn from `random`, every
// Y within standard mode; now and then with a comment behind it.
QString drawingStatement(QRandomGenerator &random, int index);

// `statements` drawing statements; with `pingEvery`, a ping and its
// expectation after each so many of them, the expectation written alternately
// as the reply and as its byte.
QString drawingScript(int statements, int pingEvery = 0);

// A benchmark's own script, parsed; one that does not read ends the run.
script::Script parsedOrDie(const QString &text);

#endif // BENCHSCRIPTS_H
