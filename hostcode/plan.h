#ifndef HOSTCODE_PLAN_H
#define HOSTCODE_PLAN_H

#include "script/script.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// A parsed script as the host code carries it out, whatever the language:
// runs of bytes to write, pauses, replies to read and check, loops. Every
// byte comes from the script's own statements (statementWrites() and the
// frame builder behind it); the writers only spell them out.
namespace hostcode {

// Local files bigger than this are not embedded in the code: a firmware
// image would carry them in flash, and few microcontrollers have more.
constexpr qint64 largestEmbeddedFile = 1024 * 1024;

// One statement's share of a run of bytes, for the comment beside them.
struct Piece
{
    int line = 0;
    QString source; // the statement as written
    int from = 0;   // where its bytes start in the run
    int size = 0;
    int fileBytes = 0; // SD_FILE_WRITE: how many of `size` are the local file's
};

// What one expectation reads and how it checks it. Every check reads a
// fixed number of bytes with one read, as a host program has no chunks to
// go by: the reply shapes of commands/replydecoder.h give the length.
struct Check
{
    enum class Kind
    {
        Bytes,      // these bytes exactly
        Touch,      // a touch report at x, y, decoded as touchPoint() decodes it
        OpenFailed, // a status marker and any status but success
    };

    Kind kind = Kind::Bytes;
    QByteArray bytes; // Bytes
    int length = 0;   // bytes read
    int x = 0;        // Touch
    int y = 0;

    bool operator==(const Check &other) const;
};

struct Step
{
    enum class Kind
    {
        Write,  // consecutive statements' bytes, in one write
        Wait,   // a pause
        Expect, // read a reply and check it; the script's line on failure
        Loop,   // `count` rounds of `body`
        Draw,   // a screen's own function, whose line is passed on when it fails
    };

    Kind kind = Kind::Write;
    int line = 0;   // of the statement it comes from (a Write's first)
    QString source; // Wait, Expect, Loop: the statement as written

    QByteArray bytes;         // Write
    QVector<Piece> pieces;    // Write: the statements behind `bytes`, in order
    int ms = 0;               // Wait: the pause; Expect: within
    Check check;              // Expect
    int count = 0;            // Loop
    bool laterRounds = false; // Loop: its first round is written out before it
    QVector<Step> body;       // Loop
    int screen = -1;          // Draw: its index in Plan::screens

    // Same code: what goes out, in what order, and what is checked.
    bool operator==(const Step &other) const;
    bool operator!=(const Step &other) const { return !(*this == other); }
};

// A touch button the script defines with buttonDef.
struct Button
{
    int number = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    script::SourcePos pos; // its first definition; a named button's name
    QString name;          // `as "Start"`; empty for a button known by number
};

// A `screen "Main"` block: the steps its statements take within a whole run,
// starting where the run has the module there, and the buttons it names.
struct Screen
{
    QString name;
    script::SourcePos namePos;
    bool extendedAtStart = false; // the mode the run has at its start
    QVector<Step> steps;
    QVector<Button> buttons; // named, in the order written
};

struct Plan
{
    QVector<Step> steps;          // the whole run; a screen is a Draw step
    QVector<Button> buttons;      // defined without a name, by number, each once
    QVector<Button> namedButtons; // named outside every screen, in the order written
    QVector<Screen> screens;      // in the order written
};

struct PlanResult
{
    Plan plan;
    QVector<script::ScriptError> errors; // in line order; empty when it can be written

    bool ok() const { return errors.isEmpty(); }
};

// The plan of a script the parser accepted, starting in standard mode unless
// `extendedAtStart`. Each screen's steps are planned once, in the state the
// run reaches it in, and the run draws it by calling it. Refused, with the statement's line and
// column: an expectation of a reply that cannot come where it stands (`expect sd OK` with no SD
// command before it), a local file that cannot be read or is larger than largestEmbeddedFile, and
// repeats whose rounds differ at so many depths that writing each out would not fit.
PlanResult planScript(const script::Script &script, bool extendedAtStart = false);

} // namespace hostcode

#endif // HOSTCODE_PLAN_H
