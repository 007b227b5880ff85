#include "script/scriptlexer.h"

namespace script::lexer {

namespace {

constexpr int colourDigits = 6;

ScriptError errorAt(int line, int index, const QString &message)
{
    return {{line, index + 1}, message};
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool endsToken(QStringView line, int index)
{
    return index >= line.size() || line.at(index).isSpace();
}

// `#` plus six hex digits standing alone is a colour; any other `#` after
// white space starts a comment.
bool colourAt(QStringView line, int index)
{
    for (int i = 1; i <= colourDigits; ++i) {
        if (index + i >= line.size() || hexDigit(line.at(index + i)) < 0)
            return false;
    }
    return endsToken(line, index + 1 + colourDigits);
}

// The index of the closing quote, or -1. A backslash always takes the next
// character with it, so \" never closes.
int closingQuote(QStringView line, int open)
{
    for (int i = open + 1; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\'))
            ++i;
        else if (line.at(i) == QLatin1Char('"'))
            return i;
    }
    return -1;
}

int wordEnd(QStringView line, int start)
{
    int end = start;
    while (!endsToken(line, end))
        ++end;
    return end;
}

} // namespace

// Tokens point into `text`: a long script is read without a string
// allocated per word.
void tokenize(QStringView text, int number, Line &line)
{
    line.tokens.clear(); // keeps its room
    line.source = QStringView();
    line.error.reset();
    int start = -1;
    int end = 0;
    int i = 0;
    while (true) {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        if (i >= text.size())
            break;
        const QChar c = text.at(i);
        Token token;
        token.column = i + 1;
        if (c == QLatin1Char('#') && (line.tokens.isEmpty() || !colourAt(text, i)))
            break;
        if (c == QLatin1Char('#')) {
            token.kind = Token::Kind::Colour;
            token.text = text.mid(i, 1 + colourDigits);
            i += 1 + colourDigits;
        } else if (c == QLatin1Char('"')) {
            const int close = closingQuote(text, i);
            if (close < 0) {
                line.error = errorAt(number, i, QStringLiteral("unterminated text: no closing \""));
                return;
            }
            if (!endsToken(text, close + 1)) {
                line.error = errorAt(number, close + 1,
                                     QStringLiteral("white space needed after the closing \""));
                return;
            }
            token.kind = Token::Kind::Quoted;
            token.text = text.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const int stop = wordEnd(text, i);
            token.text = text.mid(i, stop - i);
            const int quote = int(token.text.indexOf(QLatin1Char('"')));
            if (quote >= 0) {
                line.error = errorAt(number, i + quote,
                                     QStringLiteral("a quote inside a word: put white space "
                                                    "before text in quotes"));
                return;
            }
            i = stop;
        }
        if (start < 0)
            start = token.column - 1;
        end = i;
        line.tokens.append(token);
    }
    if (start >= 0)
        line.source = text.mid(start, end - start);
}

namespace {

QByteArray encoded(const QString &plain, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? plain.toUtf8() : plain.toLocal8Bit();
}

// Escapes that stand for a character rather than a byte.
std::optional<QChar> simpleEscape(QChar c)
{
    switch (c.unicode()) {
    case 'n':
        return QLatin1Char('\n');
    case 'r':
        return QLatin1Char('\r');
    case 't':
        return QLatin1Char('\t');
    case '"':
        return QLatin1Char('"');
    case '\\':
        return QLatin1Char('\\');
    default:
        return std::nullopt;
    }
}

} // namespace

Unquoted unquote(const Token &token, int line, Encoding encoding)
{
    Unquoted out;
    const QStringView text = token.text;
    // Plain characters are encoded a run at a time, so that a character
    // beyond 16 bits (two QChars) is encoded whole.
    QString plain;
    plain.reserve(int(text.size()));
    auto flush = [&] {
        out.bytes += encoded(plain, encoding);
        plain.clear();
    };
    auto noteZero = [&](int column) {
        if (out.zeroColumn == 0)
            out.zeroColumn = column;
    };
    for (int i = 0; i < text.size(); ++i) {
        // The opening quote stands at token.column.
        const int column = token.column + 1 + i;
        if (text.at(i) != QLatin1Char('\\')) {
            if (text.at(i).isNull())
                noteZero(column);
            plain += text.at(i);
            continue;
        }
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (const std::optional<QChar> c = simpleEscape(next)) {
            plain += *c;
            ++i;
            continue;
        }
        if (next != QLatin1Char('x')) {
            out.error = ScriptError{{line, column},
                                    QStringLiteral("unknown escape \\%1: use \\n \\r \\t \\\" "
                                                   "\\\\ or \\xHH")
                                        .arg(next)};
            return out;
        }
        const int high = i + 2 < text.size() ? hexDigit(text.at(i + 2)) : -1;
        const int low = i + 3 < text.size() ? hexDigit(text.at(i + 3)) : -1;
        if (high < 0 || low < 0) {
            out.error = ScriptError{{line, column}, QStringLiteral("\\x takes two hex digits")};
            return out;
        }
        flush();
        const char byte = char(high * 16 + low);
        if (byte == '\0')
            noteZero(column);
        out.bytes += byte;
        i += 3;
    }
    flush();
    return out;
}

std::optional<quint64> parseNumber(QStringView word)
{
    const bool hex = word.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QStringView digits = word.mid(hex ? 2 : 0);
    const quint64 base = hex ? 16 : 10;
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0 || quint64(digit) >= base)
            return std::nullopt;
        if (value > (~quint64(0) - quint64(digit)) / base)
            return std::nullopt;
        value = value * base + quint64(digit);
    }
    return value;
}

std::optional<QByteArray> parseHexBytes(QStringView word)
{
    const bool prefixed = word.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QStringView digits = word.mid(prefixed ? 2 : 0);
    // With 0x a word is one byte: 0x1234 would read as a number, whose byte
    // order nobody could tell from the text.
    if (digits.isEmpty() || digits.size() % 2 != 0 || (prefixed && digits.size() != 2))
        return std::nullopt;
    QByteArray bytes;
    for (int i = 0; i < digits.size(); i += 2) {
        const int high = hexDigit(digits.at(i));
        const int low = hexDigit(digits.at(i + 1));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += char(high * 16 + low);
    }
    return bytes;
}

} // namespace script::lexer
