// Script text to statements: one line at a time into a tree of repeats, then
// one walk over the tree that checks every Y against the mode it runs in.
#include "script/script.h"

#include "commands/colors.h"
#include "commands/outgoingfile.h"
#include "script/scriptlexer.h"
#include "traffic/trafficdecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace script {

namespace {

using lexer::Token;

const QStringList &keywords()
{
    static const QStringList words{QStringLiteral("send"),   QStringLiteral("wait"),
                                   QStringLiteral("expect"), QStringLiteral("repeat"),
                                   QStringLiteral("screen"), QStringLiteral("end")};
    return words;
}

const CommandSpec *commandComparedFor(QStringView word)
{
    for (const CommandSpec &command : allCommands()) {
        if (word.compare(QLatin1String(command.name), Qt::CaseInsensitive) == 0)
            return &command;
    }
    return nullptr;
}

// Every line of a script looks its first word up here, so the names are
// hashed once, in lower case. A word that is not short ASCII is compared
// with each name instead: case folding may still make it one (Clſ is Cls).
const CommandSpec *commandNamed(QStringView word)
{
    constexpr int longestLooked = 32;
    static const QHash<QByteArray, const CommandSpec *> byName = [] {
        QHash<QByteArray, const CommandSpec *> names;
        for (const CommandSpec &command : allCommands()) {
            const QByteArray name = QByteArray(command.name).toLower();
            if (!names.contains(name) && name.size() <= longestLooked)
                names.insert(name, &command);
        }
        return names;
    }();
    if (word.size() > longestLooked)
        return commandComparedFor(word);
    char lower[longestLooked];
    for (int i = 0; i < word.size(); ++i) {
        const ushort c = word.at(i).unicode();
        if (c >= 0x80)
            return commandComparedFor(word);
        lower[i] = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return byName.value(QByteArray::fromRawData(lower, int(word.size())));
}

// Both in lower case.
int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int same = a.at(i - 1) == b.at(j - 1) ? 0 : 1;
            const int next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + same});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row.back();
}

// Every word a statement can start with, in lower case, and as written.
const QVector<QPair<QString, QString>> &statementWords()
{
    static const QVector<QPair<QString, QString>> words = [] {
        QVector<QPair<QString, QString>> all;
        for (const QString &name : commandNames() + keywords())
            all.append({name.toLower(), name});
        return all;
    }();
    return words;
}

// The name a mistyped word most likely meant, if any is close.
QString closestName(const QString &word)
{
    constexpr int longestGuessed = 24; // longer words are no typing slips
    if (word.size() > longestGuessed)
        return {};
    const QString lower = word.toLower();
    QString best;
    int bestDistance = std::max(2, int(word.size()) / 3) + 1;
    for (const auto &[candidate, name] : statementWords()) {
        if (std::abs(candidate.size() - lower.size()) >= bestDistance)
            continue; // the lengths alone differ too much
        const int distance = editDistance(lower, candidate);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

std::size_t fixedCount(const CommandSpec &command)
{
    return argCount(command) - (carriesText(command) ? 1 : 0);
}

// "SetXHY y"; "NAME argument N" for an argument without a label.
QString argName(const CommandSpec &command, int index)
{
    const QString label = argumentLabels(command.id).value(index);
    const QString name = QLatin1String(command.name);
    return label.isEmpty() ? QStringLiteral("%1 argument %2").arg(name).arg(index + 1)
                           : name + QLatin1Char(' ') + label;
}

// The arguments as a statement lists them: `x y`, `file "text"`.
QString synopsis(const CommandSpec &command)
{
    const QStringList labels = argumentLabels(command.id);
    QStringList words;
    for (std::size_t i = 0; i < fixedCount(command); ++i) {
        const QString label = labels.value(int(i));
        words << (label.isEmpty() ? QStringLiteral("n") : label);
    }
    if (carriesText(command))
        words << QStringLiteral("\"text\"");
    return words.join(QLatin1Char(' '));
}

QString argumentsWord(int count)
{
    return count == 1 ? QStringLiteral("1 argument") : QStringLiteral("%1 arguments").arg(count);
}

qint64 largestValue(Arg arg)
{
    switch (arg) {
    case Arg::Byte:
        return 0xFF;
    case Arg::Count32:
        return 0xFFFFFFFFLL;
    case Arg::Angle:
        return largestDegrees;
    default: // Word, ColorWord, and Y until the mode is known
        return 0xFFFF;
    }
}

quint16 colourWord(QStringView hash)
{
    const uint rgb = hash.mid(1).toUInt(nullptr, 16);
    return rgb565(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

std::optional<ReplyKind> replyNamed(QStringView word)
{
    static const QVector<QPair<QString, ReplyKind>> names{
        {QStringLiteral("pong"), ReplyKind::Pong},
        {QStringLiteral("touch"), ReplyKind::Touch},
        {QStringLiteral("sd"), ReplyKind::Sd},
        {QStringLiteral("version"), ReplyKind::Version},
        {QStringLiteral("serial"), ReplyKind::Serial},
        {QStringLiteral("listing"), ReplyKind::Listing},
    };
    for (const auto &[name, kind] : names) {
        if (word.compare(name, Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

// The length first: every line is asked whether it is each keyword.
bool isWord(const Token &token, const char *word)
{
    const QLatin1String keyword(word);
    return token.kind == Token::Kind::Word && token.text.size() == keyword.size() &&
           token.text.compare(keyword, Qt::CaseInsensitive) == 0;
}

bool modeAfterAll(const QVector<Statement> &statements, bool extended)
{
    for (const Statement &statement : statements)
        extended = modeAfter(statement, extended);
    return extended;
}

// Reads the lines of one script into statements, collecting every line's
// first error.
class Parser
{
public:
    // `lines` bounds the statements outside repeats: room for them all is
    // taken at once, rather than moving a long script's statements each time
    // the list grows.
    Parser(const QString &baseDir, int lines) : baseDir(baseDir) { statements.reserve(lines); }

    void parseLine(QStringView text, int number);
    ParseResult finish(bool extendedAtStart);

private:
    bool fail(int column, const QString &message);
    bool fail(const ScriptError &error);
    QVector<Statement> &current();
    QByteArray &currentWire();
    void append(Statement &&statement);

    bool parseStatement(Statement &statement);
    bool parseCommand(const CommandSpec &command, Statement &statement);
    bool checkCount(const CommandSpec &command, int expected);
    bool parseValue(const CommandSpec &command, int index, const Token &token, qint64 &value);
    bool parseText(const CommandSpec &command, const Token &token, QByteArray &text);
    bool parseSendFile(Statement &statement);
    bool parseBytes(int from, int to, QByteArray &bytes);
    bool parseDuration(const Token &token, int smallest, int &ms);
    bool parseWait(Statement &statement);
    bool parseExpect(Statement &statement);
    bool parseReply(ReplyKind kind, int from, int to, ReplyExpectation &reply);
    bool parseReplyText(const Token &token, QString &text);
    bool parseTouchCoordinate(const Token &token, int &value);
    bool parseScreen(Statement &statement);
    bool parseButtonName(Statement &statement);
    bool parseName(const Token &token, const char *what, QString &name);
    void openRepeat(const Statement &start);
    void closeRepeat();

    const QString baseDir;
    QVector<Statement> statements;
    QByteArray wire;         // of their commands: Statement::wireAt
    QVector<Statement> open; // repeats waiting for their `end`, outermost first
    int ignoredDepth = 0;    // repeats opened past the deepest allowed
    QVector<ScriptError> errors;
    QHash<QString, int> screenLines;        // by name: names are unique in a script
    QHash<QString, int> screenButtonLines;  // by name, in the screen being read
    QHash<QString, int> outsideButtonLines; // by name, of the buttons outside screens

    // The line being read; its token list keeps its room from line to line.
    int lineNumber = 0;
    lexer::Line line;
    const QVector<Token> &tokens = line.tokens;
    bool lineFailed = false;
};

bool Parser::fail(int column, const QString &message)
{
    return fail(ScriptError{{lineNumber, column}, message});
}

bool Parser::fail(const ScriptError &error)
{
    if (!lineFailed)
        errors.append(error);
    lineFailed = true;
    return false;
}

QVector<Statement> &Parser::current()
{
    return open.isEmpty() ? statements : open.last().body;
}

QByteArray &Parser::currentWire()
{
    return open.isEmpty() ? wire : open.last().bodyWire;
}

// A command statement's bytes go to its list's wire as it joins the list,
// while its values are at hand.
void Parser::append(Statement &&statement)
{
    if (statement.kind == Statement::Kind::Command) {
        QByteArray &bytes = currentWire();
        statement.wireAt = bytes.size();
        appendCommandBytes(bytes, statement.command, statement.values, statement.text, false);
        statement.wireSize = bytes.size() - statement.wireAt;
    }
    current().append(std::move(statement));
}

void Parser::parseLine(QStringView text, int number)
{
    lineNumber = number;
    lineFailed = false;
    lexer::tokenize(text, number, line);
    if (line.error) {
        fail(*line.error);
        return;
    }
    if (tokens.isEmpty())
        return;

    Statement statement;
    statement.pos = {number, tokens.first().column};
    statement.source = line.source.toString();
    if (isWord(tokens.first(), "end")) {
        if (tokens.size() > 1)
            fail(tokens.at(1).column, QStringLiteral("end takes nothing after it"));
        closeRepeat();
        return;
    }
    const bool parsed = parseStatement(statement);
    if (statement.kind == Statement::Kind::Repeat)
        openRepeat(statement); // even a bad one, so that its `end` still pairs up
    else if (parsed)
        append(std::move(statement));
}

bool Parser::parseStatement(Statement &statement)
{
    const Token &first = tokens.first();
    if (first.kind != Token::Kind::Word)
        return fail(first.column, QStringLiteral("a statement starts with a command name or "
                                                 "send, wait, expect, repeat or end"));
    if (isWord(first, "repeat")) {
        statement.kind = Statement::Kind::Repeat;
        statement.count = 1;
        if (tokens.size() != 2)
            return fail(first.column, QStringLiteral("repeat takes one count: repeat 3"));
        const std::optional<quint64> count = lexer::parseNumber(tokens.at(1).text);
        if (tokens.at(1).kind != Token::Kind::Word || !count || *count < 1 ||
            *count > quint64(largestRepeatCount))
            return fail(
                tokens.at(1).column,
                QStringLiteral("repeat takes a count from 1 to %1").arg(largestRepeatCount));
        statement.count = int(*count);
        return true;
    }
    if (isWord(first, "screen"))
        return parseScreen(statement);
    if (isWord(first, "send")) {
        statement.kind = Statement::Kind::Raw;
        if (tokens.size() < 2)
            return fail(first.column, QStringLiteral("send needs bytes: hex such as 84 0x84 "
                                                     "84f800, or text in quotes"));
        return parseBytes(1, tokens.size(), statement.bytes);
    }
    if (isWord(first, "wait"))
        return parseWait(statement);
    if (isWord(first, "expect"))
        return parseExpect(statement);
    if (const CommandSpec *command = commandNamed(first.text))
        return parseCommand(*command, statement);

    const QString guess = closestName(first.text.toString());
    return fail(
        first.column,
        QStringLiteral("unknown command '%1'").arg(first.text) +
            (guess.isEmpty() ? QString() : QStringLiteral(" (did you mean %1?)").arg(guess)));
}

bool Parser::checkCount(const CommandSpec &command, int expected)
{
    const int given = tokens.size() - 1;
    if (given == expected)
        return true;
    const QString name = QLatin1String(command.name);
    const QString message =
        expected == 0
            ? QStringLiteral("%1 takes no arguments, got %2").arg(name).arg(given)
            : QStringLiteral("%1 takes %2 (%3), got %4")
                  .arg(name, argumentsWord(expected), synopsis(command), QString::number(given));
    // Too many: point at the first one too many; too few: at the command.
    return fail(given > expected ? tokens.at(expected + 1).column : tokens.first().column, message);
}

bool Parser::parseCommand(const CommandSpec &command, Statement &statement)
{
    statement.command = command.id;
    if (command.id == Command::SdFileWrite)
        return parseSendFile(statement);
    if (command.id == Command::ButtonDef && !parseButtonName(statement))
        return false;
    if (!checkCount(command, int(argCount(command))))
        return false;
    statement.values.reserve(int(fixedCount(command)));
    statement.valuePos.reserve(int(fixedCount(command)));
    for (std::size_t i = 0; i < fixedCount(command); ++i) {
        const Token &token = tokens.at(int(i) + 1);
        qint64 value = 0;
        if (!parseValue(command, int(i), token, value))
            return false;
        statement.values << value;
        statement.valuePos << SourcePos{lineNumber, token.column};
    }
    return !carriesText(command) || parseText(command, tokens.last(), statement.text);
}

bool Parser::parseValue(const CommandSpec &command, int index, const Token &token, qint64 &value)
{
    const Arg arg = command.args[std::size_t(index)];
    // Named only for a mistake: the name costs more than reading the number.
    const auto what = [&] { return argName(command, index); };
    if (token.kind == Token::Kind::Quoted)
        return fail(token.column, QStringLiteral("%1 takes a number, not text").arg(what()));
    if (token.kind == Token::Kind::Colour) {
        if (arg != Arg::ColorWord)
            return fail(token.column,
                        QStringLiteral("%1 takes a number; #rrggbb is for colours").arg(what()));
        value = colourWord(token.text);
        return true;
    }
    static const QRegularExpression digits(QStringLiteral("^(0x[0-9a-f]+|[0-9]+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const std::optional<quint64> number = lexer::parseNumber(token.text);
    const qint64 largest = largestValue(arg);
    if (!number && token.text.startsWith(QLatin1Char('-')))
        return fail(token.column,
                    QStringLiteral("%1 takes 0..%2: no negative numbers").arg(what()).arg(largest));
    if (!number && !digits.match(token.text).hasMatch())
        return fail(token.column, QStringLiteral("'%1' is not a number: write decimal digits "
                                                 "or 0x and hex digits")
                                      .arg(token.text));
    if (!number || *number > quint64(largest)) // too many digits for any field
        return fail(
            token.column,
            QStringLiteral("%1 takes 0..%2, not %3").arg(what()).arg(largest).arg(token.text));
    value = qint64(*number);
    return true;
}

bool Parser::parseText(const CommandSpec &command, const Token &token, QByteArray &text)
{
    const QLatin1String name(command.name);
    if (token.kind != Token::Kind::Quoted)
        return fail(token.column, QStringLiteral("%1 takes its text in double quotes").arg(name));
    const lexer::Unquoted unquoted = lexer::unquote(token, lineNumber, lexer::Encoding::Local8Bit);
    if (unquoted.error)
        return fail(*unquoted.error);
    if (unquoted.zeroColumn > 0)
        return fail(unquoted.zeroColumn,
                    QStringLiteral("a zero byte cannot go in the text: it would end the frame"));
    // The button refuses an empty name and sends nothing.
    if (command.has(NeedsName) && unquoted.bytes.isEmpty())
        return fail(token.column, QStringLiteral("%1 needs a name").arg(name));
    text = unquoted.bytes;
    return true;
}

bool Parser::parseSendFile(Statement &statement)
{
    const CommandSpec &command = spec(Command::SdFileWrite);
    statement.kind = Statement::Kind::SendFile;
    const QString usage = QStringLiteral("SD_FILE_WRITE takes a file number and a local file in "
                                         "quotes: SD_FILE_WRITE 1 \"data.bin\"");
    if (tokens.size() != 3)
        return fail(tokens.size() > 3 ? tokens.at(3).column : tokens.first().column, usage);
    qint64 number = 0;
    if (!parseValue(command, 0, tokens.at(1), number))
        return false;
    const Token &file = tokens.at(2);
    if (file.kind != Token::Kind::Quoted)
        return fail(file.column, usage + QStringLiteral("; the size is the file's own"));
    const lexer::Unquoted name = lexer::unquote(file, lineNumber, lexer::Encoding::Utf8);
    if (name.error)
        return fail(*name.error);
    const QString local = QString::fromUtf8(name.bytes);
    if (local.isEmpty())
        return fail(file.column, QStringLiteral("SD_FILE_WRITE needs a local file name"));

    const QString path = QDir::cleanPath(QDir(baseDir).absoluteFilePath(local));
    // Devices and pipes are refused too: opening a pipe would wait for a writer.
    const QFileInfo info(path);
    if (info.isDir())
        return fail(file.column, QStringLiteral("%1 is a folder, not a file").arg(path));
    if (info.exists() && !info.isFile())
        return fail(file.column, QStringLiteral("%1 is not a plain file").arg(path));
    const OutgoingFile outgoing = openOutgoingFile(path);
    switch (outgoing.problem) {
    case OutgoingFile::Problem::Unreadable:
        return fail(file.column, QStringLiteral("cannot read %1: %2").arg(path, outgoing.reason));
    case OutgoingFile::Problem::TooLarge:
        return fail(file.column, QStringLiteral("%1 is 4 GiB or more: its size does not fit "
                                                "the size field")
                                     .arg(path));
    case OutgoingFile::Problem::None:
        break;
    }
    statement.values = {number};
    statement.valuePos = {SourcePos{lineNumber, tokens.at(1).column}};
    statement.filePath = path;
    return true;
}

bool Parser::parseBytes(int from, int to, QByteArray &bytes)
{
    for (int i = from; i < to; ++i) {
        const Token &token = tokens.at(i);
        if (token.kind == Token::Kind::Quoted) {
            const lexer::Unquoted unquoted =
                lexer::unquote(token, lineNumber, lexer::Encoding::Local8Bit);
            if (unquoted.error)
                return fail(*unquoted.error);
            bytes += unquoted.bytes;
            continue;
        }
        const std::optional<QByteArray> hex =
            token.kind == Token::Kind::Word ? lexer::parseHexBytes(token.text) : std::nullopt;
        if (!hex)
            return fail(token.column, QStringLiteral("'%1' is not hex bytes: write two hex digits "
                                                     "a byte (08, 0x08, 84f800) or text in quotes")
                                          .arg(token.text));
        bytes += *hex;
    }
    return true;
}

// 250ms, 2s or 1.5s; whole milliseconds only.
bool Parser::parseDuration(const Token &token, int smallest, int &ms)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,9})(?:\\.([0-9]{1,3}))?(ms|s)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match =
        token.kind == Token::Kind::Word ? pattern.match(token.text) : QRegularExpressionMatch();
    const bool seconds =
        match.hasMatch() && match.captured(3).compare(QLatin1String("s"), Qt::CaseInsensitive) == 0;
    if (!match.hasMatch() || (!seconds && !match.captured(2).isEmpty()))
        return fail(token.column,
                    QStringLiteral("'%1' is no duration: write 250ms, 2s or 1.5s").arg(token.text));
    qint64 value = match.captured(1).toLongLong();
    if (seconds)
        value = value * 1000 + match.captured(2).leftJustified(3, QLatin1Char('0')).toLongLong();
    if (value < smallest || value > longestWaitMs)
        return fail(
            token.column,
            QStringLiteral("%1 is out of range: %2ms to 24 hours").arg(token.text).arg(smallest));
    ms = int(value);
    return true;
}

bool Parser::parseWait(Statement &statement)
{
    statement.kind = Statement::Kind::Wait;
    if (tokens.size() != 2)
        return fail(tokens.size() > 2 ? tokens.at(2).column : tokens.first().column,
                    QStringLiteral("wait takes one duration: wait 250ms"));
    return parseDuration(tokens.at(1), 0, statement.waitMs);
}

bool Parser::parseExpect(Statement &statement)
{
    statement.kind = Statement::Kind::Expect;
    int end = tokens.size();
    if (end >= 3 && isWord(tokens.at(end - 2), "within")) {
        if (!parseDuration(tokens.at(end - 1), 1, statement.withinMs))
            return false;
        end -= 2;
    } else if (isWord(tokens.last(), "within")) {
        return fail(tokens.last().column, QStringLiteral("within needs a time: within 500ms"));
    }
    if (end < 2)
        return fail(tokens.first().column,
                    QStringLiteral("expect needs bytes or a reply: expect 38, expect pong"));
    const Token &first = tokens.at(1);
    if (first.kind == Token::Kind::Word) {
        if (const std::optional<ReplyKind> kind = replyNamed(first.text)) {
            statement.reply = ReplyExpectation{*kind, {}, 0, 0};
            return parseReply(*kind, 2, end, *statement.reply);
        }
        if (!lexer::parseHexBytes(first.text))
            return fail(first.column,
                        QStringLiteral("unknown reply '%1': expect takes pong, touch X Y, sd TEXT, "
                                       "version \"TEXT\", serial \"TEXT\", listing \"TEXT\" "
                                       "or bytes")
                            .arg(first.text));
    }
    if (!parseBytes(1, end, statement.bytes))
        return false;
    if (statement.bytes.isEmpty())
        return fail(first.column, QStringLiteral("nothing to expect: the text is empty"));
    return true;
}

bool Parser::parseReply(ReplyKind kind, int from, int to, ReplyExpectation &reply)
{
    const Token &name = tokens.at(from - 1);
    const int given = to - from;
    const int wanted = kind == ReplyKind::Pong ? 0 : kind == ReplyKind::Touch ? 2 : 1;
    if (given != wanted) {
        const QString usage =
            kind == ReplyKind::Pong ? QStringLiteral("expect pong")
            : kind == ReplyKind::Touch
                ? QStringLiteral("expect touch X Y")
                : QStringLiteral("expect %1 \"TEXT\"").arg(name.text.toString().toLower());
        return fail(given > wanted ? tokens.at(from + wanted).column : name.column,
                    QStringLiteral("write %1").arg(usage));
    }
    if (kind == ReplyKind::Touch)
        return parseTouchCoordinate(tokens.at(from), reply.x) &&
               parseTouchCoordinate(tokens.at(from + 1), reply.y);
    return kind == ReplyKind::Pong || parseReplyText(tokens.at(from), reply.text);
}

bool Parser::parseReplyText(const Token &token, QString &text)
{
    if (token.kind != Token::Kind::Quoted) { // a bare word, or what reads like a colour
        text = token.text.toString();
        return true;
    }
    const lexer::Unquoted unquoted = lexer::unquote(token, lineNumber, lexer::Encoding::Utf8);
    if (unquoted.error)
        return fail(*unquoted.error);
    text = QString::fromUtf8(unquoted.bytes);
    return true;
}

bool Parser::parseTouchCoordinate(const Token &token, int &value)
{
    const std::optional<quint64> number =
        token.kind == Token::Kind::Word ? lexer::parseNumber(token.text) : std::nullopt;
    if (!number || *number > 0xFFFF)
        return fail(token.column,
                    QStringLiteral("touch coordinates are numbers from 0 to 65535, not %1")
                        .arg(token.text));
    value = int(*number);
    return true;
}

// `screen "Main"`: a block of statements run once, under a name that the
// designer lists and exported code turns into a function. Screens stand
// alone, so that each is a whole that can be drawn by itself.
bool Parser::parseScreen(Statement &statement)
{
    statement.kind = Statement::Kind::Repeat;
    statement.count = 1;
    statement.name = QStringLiteral(" "); // opens a block even when the name is bad
    if (tokens.size() != 2)
        return fail(tokens.first().column,
                    QStringLiteral("screen takes one name in quotes: screen \"Main\""));
    if (!open.isEmpty() || ignoredDepth > 0)
        return fail(tokens.first().column,
                    QStringLiteral("a screen stands alone: not inside a repeat or a screen"));
    if (!parseName(tokens.at(1), "screen", statement.name))
        return false;
    statement.namePos = {lineNumber, tokens.at(1).column};
    if (const int earlier = screenLines.value(statement.name)) {
        return fail(tokens.at(1).column, QStringLiteral("a screen named \"%1\" is already at "
                                                        "line %2")
                                             .arg(statement.name)
                                             .arg(earlier));
    }
    screenLines.insert(statement.name, lineNumber);
    screenButtonLines.clear();
    return true;
}

// `buttonDef ... as "Start"`: the name exported code gives the button.
bool Parser::parseButtonName(Statement &statement)
{
    const int count = tokens.size();
    if (count < 3 || !isWord(tokens.at(count - 2), "as"))
        return true;
    const Token &name = tokens.at(count - 1);
    if (!parseName(name, "button", statement.name))
        return false;
    statement.namePos = {lineNumber, name.column};
    // Screens stand at the top: one open anywhere is the outermost block.
    QHash<QString, int> &buttonLines =
        !open.isEmpty() && open.first().isScreen() ? screenButtonLines : outsideButtonLines;
    if (const int earlier = buttonLines.value(statement.name)) {
        return fail(name.column, QStringLiteral("a button named \"%1\" is already at line %2")
                                     .arg(statement.name)
                                     .arg(earlier));
    }
    buttonLines.insert(statement.name, lineNumber);
    line.tokens.resize(count - 2);
    return true;
}

bool Parser::parseName(const Token &token, const char *what, QString &name)
{
    if (token.kind != Token::Kind::Quoted)
        return fail(token.column, QStringLiteral("a %1 name goes in double quotes").arg(what));
    const lexer::Unquoted unquoted = lexer::unquote(token, lineNumber, lexer::Encoding::Utf8);
    if (unquoted.error)
        return fail(*unquoted.error);
    const QString given = QString::fromUtf8(unquoted.bytes).trimmed();
    if (given.isEmpty() || unquoted.zeroColumn > 0)
        return fail(token.column, QStringLiteral("a %1 needs a name").arg(what));
    name = given;
    return true;
}

void Parser::openRepeat(const Statement &start)
{
    if (open.size() >= deepestRepeat) {
        fail(start.pos.column, QStringLiteral("repeats nest at most %1 deep").arg(deepestRepeat));
        ++ignoredDepth;
        return;
    }
    open.append(start);
}

void Parser::closeRepeat()
{
    if (ignoredDepth > 0) {
        --ignoredDepth;
        return;
    }
    if (open.isEmpty()) {
        fail(tokens.first().column, QStringLiteral("end without repeat"));
        return;
    }
    Statement done = open.takeLast();
    done.endLine = lineNumber;
    current().append(std::move(done));
}

// Walks the statements in the order they run, with the mode each runs in. A
// repeat whose body changes the mode runs its later rounds in the mode its
// body ends in (the last mode command wins whatever the start), so every body
// is checked from its start mode and, when that differs, from its end mode.
class ModeCheck
{
public:
    bool walk(const QVector<Statement> &statements, bool extended, int repeatLine);
    QVector<ScriptError> errors;

private:
    bool walkBody(const Statement &repeat, bool extended, int repeatLine);
    void checkY(const Statement &statement, bool extended, int repeatLine);

    QSet<QPair<const void *, bool>> walked;
    QSet<QPair<int, int>> reported; // line and column: one error for each Y
};

bool ModeCheck::walk(const QVector<Statement> &statements, bool extended, int repeatLine)
{
    for (const Statement &statement : statements) {
        if (statement.kind == Statement::Kind::Command) {
            checkY(statement, extended, repeatLine);
            extended = modeAfter(statement, extended);
        } else if (statement.kind == Statement::Kind::Repeat) {
            const bool end = walkBody(statement, extended, repeatLine);
            if (end != extended && statement.count > 1)
                walkBody(statement, end, statement.pos.line);
            extended = end;
        }
    }
    return extended;
}

// Each body is walked at most once per mode: nested repeats would otherwise
// double the work at every level.
bool ModeCheck::walkBody(const Statement &repeat, bool extended, int repeatLine)
{
    if (walked.contains({&repeat.body, extended}))
        return modeAfterAll(repeat.body, extended);
    walked.insert({&repeat.body, extended});
    return walk(repeat.body, extended, repeatLine);
}

void ModeCheck::checkY(const Statement &statement, bool extended, int repeatLine)
{
    const CommandSpec &command = spec(statement.command);
    for (int i = 0; i < statement.values.size() && i < statement.valuePos.size(); ++i) {
        if (command.args[std::size_t(i)] != Arg::Y || extended || statement.values.at(i) <= 0xFF)
            continue;
        QString message = QStringLiteral("%1 takes 0..255 in standard mode, not %2")
                              .arg(argName(command, i))
                              .arg(statement.values.at(i));
        if (repeatLine > 0)
            message += QStringLiteral(" (the mode as the repeat at line %1 goes round again)")
                           .arg(repeatLine);
        const SourcePos pos = statement.valuePos.at(i);
        if (!reported.contains({pos.line, pos.column})) {
            reported.insert({pos.line, pos.column});
            errors.append(ScriptError{pos, message});
        }
    }
}

ParseResult Parser::finish(bool extendedAtStart)
{
    while (!open.isEmpty()) {
        const SourcePos pos = open.last().pos;
        errors.append(ScriptError{pos,
                                  open.last().isScreen() ? QStringLiteral("screen without end")
                                                         : QStringLiteral("repeat without end"),
                                  true});
        const Statement done = open.takeLast();
        current().append(done);
    }
    ModeCheck modes;
    modes.walk(statements, extendedAtStart, 0);
    errors += modes.errors;
    std::stable_sort(errors.begin(), errors.end(), [](const ScriptError &a, const ScriptError &b) {
        return std::pair(a.pos.line, a.pos.column) < std::pair(b.pos.line, b.pos.column);
    });

    ParseResult result;
    result.script.statements = statements;
    result.script.wire = wire;
    result.errors = errors;
    return result;
}

} // namespace

ParseResult parseScript(const QString &text, const QString &baseDir, bool extendedAtStart)
{
    // Lines are read in place, as the tokens are: no copy of each.
    const QStringView all(text);
    Parser parser(baseDir, int(std::count(all.begin(), all.end(), QLatin1Char('\n'))) + 1);
    int number = 0;
    for (qsizetype start = 0; start <= all.size();) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = all.size();
        QStringView line = all.mid(start, end - start);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        parser.parseLine(line, ++number);
        start = end + 1;
    }
    return parser.finish(extendedAtStart);
}

ParseResult parseScriptFile(const QString &path, bool extendedAtStart)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ParseResult failed;
        failed.errors << ScriptError{
            {}, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
        return failed;
    }
    const QFileInfo info(path);
    ParseResult result =
        parseScript(QString::fromUtf8(file.readAll()), info.absolutePath(), extendedAtStart);
    result.script.name = info.completeBaseName();
    return result;
}

} // namespace script
