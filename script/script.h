#ifndef SCRIPT_SCRIPT_H
#define SCRIPT_SCRIPT_H

#include "commands/commandset.h"
#include "commands/frames.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

struct Reply;

// A command script: what the parser makes of its text and what the runner,
// the window and vexelctl carry out. Widget-free.
namespace script {

// Where something stands in the script's text; both count from 1.
struct SourcePos
{
    int line = 0;
    int column = 0;
};

struct ScriptError
{
    SourcePos pos;
    QString message;
    // A repeat the text ends inside: every line may be right so far, and
    // the lines still to be written may mend it (a preview runs up to here).
    bool unclosed = false;

    // "line 3, column 7: unknown command 'Clss'"
    QString toString() const;
};

// A reply the reader decodes, named in an `expect` line.
enum class ReplyKind
{
    Pong,    // expect pong
    Touch,   // expect touch X Y
    Sd,      // expect sd TEXT      (the SD result field's text: OK, FAILED, YES, No, a number)
    Version, // expect version "TEXT"
    Serial,  // expect serial "TEXT"   (the serial number field's text)
    Listing, // expect listing "TEXT"  (an SD_FILE_LIST answer)
};

struct ReplyExpectation
{
    ReplyKind kind = ReplyKind::Pong;
    QString text; // Sd, Version, Serial, Listing
    int x = 0;    // Touch
    int y = 0;
};

constexpr int defaultExpectMs = 1000;
// Waits and expectation times above this are taken for typing mistakes.
constexpr int longestWaitMs = 24 * 60 * 60 * 1000;
constexpr int largestRepeatCount = 1000000;
// Deeper nesting is refused: nobody writes it, and it would only cost stack.
constexpr int deepestRepeat = 32;
// The largest angle, in degrees, whose turn units still fit a 16-bit word.
constexpr qint64 largestDegrees = 0xFFFF * 45 / 2048;
static_assert(turnUnits(largestDegrees) <= 0xFFFF && turnUnits(largestDegrees + 1) > 0xFFFF);

struct Statement
{
    enum class Kind
    {
        Command,  // a command of the table: `SetXHY 10 20`
        SendFile, // `SD_FILE_WRITE N "local file"`: the head, then the file streamed
        Raw,      // `send 84 00 f8 "text"`
        Wait,     // `wait 250ms`
        Expect,   // `expect 3f 01 within 500ms`, `expect pong`
        Repeat,   // `repeat N` ... `end`, and a named screen: `screen "Main"` ... `end`
    };

    Kind kind = Kind::Command;
    SourcePos pos;
    QString source; // the statement as written, trimmed, without its comment

    // Command and SendFile
    ::Command command = ::Command::Cls;
    ArgValues values;            // the fixed arguments, in table order, before encoding;
                                 // SendFile holds only the file number, the size is read when run
    QVector<SourcePos> valuePos; // where each of `values` stands in the text
    QByteArray text;             // the text argument, already in bytes (escapes applied)
    QString filePath;            // SendFile: resolved against the script's folder
    // Command: where what it sends in standard mode, as statementWrites()
    // joined, stands in the `wire` of the list holding it. Made as the script
    // is read: a long run of drawing then goes out from one buffer, without
    // encoding each statement again or visiting its values.
    int wireAt = -1;
    int wireSize = 0;

    // Raw and Expect
    QByteArray bytes;
    std::optional<ReplyExpectation> reply; // Expect: a decoded reply instead of bytes
    int withinMs = defaultExpectMs;

    int waitMs = 0; // Wait

    // Repeat: a named screen is a block that runs once (count 1). A command:
    // the name a touch button carries (`buttonDef ... as "Start"`).
    QString name;
    SourcePos namePos;

    // Repeat
    int endLine = 0; // where its `end` stands; 0 while open
    int count = 0;
    QVector<Statement> body;
    QByteArray bodyWire; // see wireAt

    bool isScreen() const { return kind == Kind::Repeat && !name.isEmpty(); }
};

struct Script
{
    QString name; // file base name, or the demo's title
    QVector<Statement> statements;
    QByteArray wire; // see Statement::wireAt
};

struct ParseResult
{
    Script script;
    QVector<ScriptError> errors; // in text order; empty when the script may run

    bool ok() const { return errors.isEmpty(); }
};

// Parses a whole script. `baseDir` resolves the local files of SD_FILE_WRITE;
// a file that cannot be read is an error here, before anything is sent.
// Y values are checked against the mode each statement runs in, starting
// from standard mode unless `extendedAtStart`.
ParseResult parseScript(const QString &text, const QString &baseDir = QString(),
                        bool extendedAtStart = false);
// Reads a UTF-8 script file: its base name names the script, its folder is
// the base of its local files. An unreadable file is one error at line 0.
ParseResult parseScriptFile(const QString &path, bool extendedAtStart = false);

// The writes one Command statement sends, exactly as the matching button's;
// `extendedMode` is the mode at that point of the run. A Raw statement is its
// bytes as one write; a SendFile statement is its head with the size the file
// has now (the runner reads the size as it opens the file: sendFileHead());
// the other kinds send nothing themselves.
QByteArrayList statementWrites(const Statement &statement, bool extendedMode);

// The SD_FILE_WRITE frame that announces `fileSize` bytes for a SendFile
// statement, exactly as the button builds it.
QByteArray sendFileHead(const Statement &statement, qint64 fileSize);

// The mode after `statement` has run, given the mode before it.
bool modeAfter(const Statement &statement, bool extendedMode);

// Whether a decoded reply is the one an `expect` names. The version and the
// serial number arrive in the same field of Reply; given the code the reader
// was armed with (`armedCode`), version matches only a GETVERSION answer,
// serial only a 0xFD one and listing only an SD_FILE_LIST one; with 0 the
// field's text alone decides. SD results compare without regard to case
// (the module answers YES but No).
bool replyMatches(const ReplyExpectation &expected, const Reply &reply, quint8 armedCode = 0);

// The expectation as an `expect` line writes it, without the word expect:
// `pong`, `touch 10 20`, `sd OK`, `version "1.02"`.
QString describe(const ReplyExpectation &expected);

} // namespace script

#endif // SCRIPT_SCRIPT_H
