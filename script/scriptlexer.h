#ifndef SCRIPT_SCRIPTLEXER_H
#define SCRIPT_SCRIPTLEXER_H

#include "script/script.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVector>

#include <optional>

// The words of one script line, before any of them is given a meaning.
namespace script::lexer {

struct Token
{
    enum class Kind
    {
        Word,   // anything up to the next white space: names, numbers, hex
        Quoted, // "text": `text` holds what stands between the quotes, escapes as written
        Colour, // #rrggbb
    };

    Kind kind = Kind::Word;
    QStringView text; // within the line given to tokenize(), which must outlive it
    int column = 0;   // of its first character (the opening quote), from 1
};

struct Line
{
    QVector<Token> tokens; // empty for blank and comment lines
    QStringView source;    // from the first token to the end of the last
    std::optional<ScriptError> error;
};

// Splits a line into tokens, dropping its comment, into `line`, whose token
// list keeps its room from one line to the next: a long script is read
// without a list allocated per line. `number` is the line's, for errors.
void tokenize(QStringView text, int number, Line &line);

// A quoted token's text with its escapes applied. Plain characters become
// local 8-bit bytes, as the buttons send them, or UTF-8 for texts compared
// with what the reply reader decodes.
struct Unquoted
{
    QByteArray bytes;
    int zeroColumn = 0; // where the first zero byte came from; 0 when none
    std::optional<ScriptError> error;
};

enum class Encoding
{
    Local8Bit,
    Utf8
};

Unquoted unquote(const Token &token, int line, Encoding encoding);

// A decimal or 0x-hex number of at most 64 bits; nothing for anything else.
std::optional<quint64> parseNumber(QStringView word);

// "84", "0x84" or a run of byte pairs such as "84f800"; nothing otherwise.
std::optional<QByteArray> parseHexBytes(QStringView word);

} // namespace script::lexer

#endif // SCRIPT_SCRIPTLEXER_H
