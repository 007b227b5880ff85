// C99 and Arduino code: one writer, as the two differ only in where the
// bytes live (RAM or flash), who supplies the line, and the file names.
#include "hostcode/codetext.h"
#include "hostcode/names.h"
#include "hostcode/writers.h"

#include "commands/replydecoder.h"

#include <algorithm>

namespace hostcode {

namespace {

enum class Flavour
{
    C,
    Arduino,
};

constexpr int bytesPerLine = 16;
// avr-gcc refuses objects of 32 KB or more, so long runs of bytes are cut
// into arrays of at most this size for the Arduino.
constexpr int arduinoLargestArray = 16384;

const char cContract[] =
    R"(/* The three functions your firmware supplies, on the module's serial line
   (115200 baud, 8 data bits, no parity, 1 stop bit, no flow control, unless
   the module is set otherwise):

   vexel_write     sends `len` bytes and returns once they are on their
                   way; a wait or an expectation after it counts from then.
   vexel_read      reads up to `len` bytes into `buf`, returning once `len`
                   bytes have come or `timeout_ms` milliseconds have passed
                   since the call; returns how many it read.
   vexel_delay_ms  pauses for `ms` milliseconds. */
void vexel_write(const uint8_t *bytes, size_t len);
size_t vexel_read(uint8_t *buf, size_t len, uint32_t timeout_ms);
void vexel_delay_ms(uint32_t ms);
)";

const char arduinoWrite[] = R"(
/* The C export's three functions, on the Stream a script's function is
   given. The bytes to write are in flash; they go out through a small
   buffer in RAM. */
void vexel_write(Stream &port, const uint8_t *bytes, size_t len)
{
    uint8_t chunk[32];
    while (len > 0) {
        const size_t n = len < sizeof chunk ? len : sizeof chunk;
        memcpy_P(chunk, bytes, n);
        port.write(chunk, n);
        bytes += n;
        len -= n;
    }
    port.flush();
}
)";

const char arduinoRead[] = R"(
size_t vexel_read(Stream &port, uint8_t *buf, size_t len, uint32_t timeout_ms)
{
    const uint32_t start = millis();
    size_t got = 0;
    while (got < len) {
        const int c = port.read();
        if (c >= 0)
            buf[got++] = (uint8_t)c;
        else if ((uint32_t)(millis() - start) >= timeout_ms)
            break;
        else
            yield();
    }
    return got;
}
)";

const char arduinoDelay[] = R"(
void vexel_delay_ms(uint32_t ms)
{
    delay(ms);
}
)";

const char arduinoMatches[] = R"(
/* Whether the reply read holds the `len` bytes at `expected`, in flash. */
bool vx_matches(const uint8_t *expected, size_t len)
{
    uint8_t chunk[32];
    for (size_t at = 0; at < len; at += sizeof chunk) {
        const size_t n = len - at < sizeof chunk ? len - at : sizeof chunk;
        memcpy_P(chunk, expected + at, n);
        if (memcmp(chunk, vx_reply + at, n) != 0)
            return false;
    }
    return true;
}
)";

QByteArray functionName(const QString &part)
{
    return "vexel_run_" + part.toLatin1();
}

const char returnsText[] =
    "Returns 0 once every expectation is met, or the line of the first that\n"
    "   is not, where the run ends.";

// "extended mode", for the comment of a function that starts in it.
QByteArray modeText(bool extended)
{
    return extended ? "extended mode" : "standard mode";
}

// Named by the module's own numbers, so that the firmware's names stay
// right whatever order the script defines them in.
void appendButtonEnumeration(const QString &part, const QVector<Button> &buttons, QByteArray &out)
{
    if (buttons.isEmpty())
        return;
    out += "enum " + buttonEnumeration(part).toLatin1() + " {\n";
    for (const Button &button : buttons) {
        out += "    " + namedButtonConstant(part, button.name).toLatin1() + " = " +
               QByteArray::number(button.number) + ", /* " + buttonPlace(button) + " */\n";
    }
    out += "};\n";
}

class CFamilyWriter
{
public:
    CFamilyWriter(Flavour flavour, const QVector<ScriptCode> &scripts, const ExportOptions &options)
        : flavour(flavour), scripts(scripts), options(options), uses(usesOf(scripts))
    {
    }

    QByteArray header() const;
    QByteArray source();

private:
    bool arduino() const { return flavour == Flavour::Arduino; }
    QByteArray parameters() const { return arduino() ? "Stream &port" : "void"; }
    QByteArray port() const { return arduino() ? "port, " : ""; }
    void declarations(QByteArray &out) const;
    void screenDeclarations(const ScriptCode &script, QByteArray &out) const;
    void helpers(QByteArray &out) const;
    void function(const QByteArray &comment, const QByteArray &name, const QVector<Step> &list,
                  QByteArray &out);
    void steps(const QVector<Step> &list, int depth);
    void write(const Step &step, int depth);
    QByteArray openArray(const char *prefix);
    void closeArray();
    void expect(const Step &step, int depth);
    QByteArrayList failures(const Step &step);
    QByteArray bytesDiffer(const QByteArray &expected);
    void wait(const Step &step, int depth);
    void loop(const Step &step, int depth);
    void draw(const Step &step, int depth);
    void line(int depth, const QByteArray &text);

    Flavour flavour;
    const QVector<ScriptCode> &scripts;
    const ScriptCode *current = nullptr; // the script whose functions are being written
    ExportOptions options;
    Uses uses;
    QByteArray arrays; // the function's arrays, written before it
    QByteArray body;   // the function's statements
    int arrayCount = 0;
};

void CFamilyWriter::line(int depth, const QByteArray &text)
{
    appendIndent(body, 4 * depth);
    body += text;
    body += '\n';
}

QByteArray CFamilyWriter::header() const
{
    QByteArray out = markerLine("/*", " */");
    out += "/* Command scripts of the Vexel900 Bench as functions: each sends what its\n"
           "   script sends, in one write for each run of statements, and checks every\n"
           "   reply the script expects. Each starts with the module in ";
    out += options.extendedAtStart ? "extended" : "standard";
    out += " mode; a screen's function in\n   the mode its script's run has there. */\n\n#ifndef "
           "VEXEL_SCRIPTS_H\n#define VEXEL_SCRIPTS_H\n\n";
    if (arduino()) {
        out += "#include <Arduino.h>\n\n/* Each function takes the Stream of the module's serial "
               "line, begun at\n"
               "   115200 baud unless the module is set otherwise: Serial1.begin(115200). */\n\n";
    } else {
        out += "#include <stddef.h>\n#include <stdint.h>\n\n#ifdef __cplusplus\nextern \"C\" "
               "{\n#endif\n\n";
        out += cContract;
        out += '\n';
    }
    declarations(out);
    if (!arduino())
        out += "#ifdef __cplusplus\n}\n#endif\n\n";
    out += "#endif /* VEXEL_SCRIPTS_H */\n";
    return out;
}

void CFamilyWriter::declarations(QByteArray &out) const
{
    for (const ScriptCode &script : scripts) {
        out += "/* " + commentText(script.title) + "\n   " + returnsText + " */\n";
        out += "long " + functionName(script.part) + "(" + parameters() + ");\n";
        if (!script.plan.buttons.isEmpty())
            out += "/* The touch buttons it defines, by number. */\n";
        for (const Button &button : script.plan.buttons) {
            out += "#define " + buttonConstant(script.part, button.number).toLatin1() + ' ' +
                   QByteArray::number(button.number) + " /* " + buttonPlace(button) + " */\n";
        }
        if (!script.plan.namedButtons.isEmpty())
            out += "/* The touch buttons it names outside its screens. */\n";
        appendButtonEnumeration(script.part, script.plan.namedButtons, out);
        out += '\n';
        screenDeclarations(script, out);
    }
}

// Each screen's function and the buttons it names. The function starts in
// the mode the whole run has at the screen, which is what its bytes assume.
void CFamilyWriter::screenDeclarations(const ScriptCode &script, QByteArray &out) const
{
    for (int i = 0; i < script.plan.screens.size(); ++i) {
        const Screen &screen = script.plan.screens.at(i);
        const QString &part = script.screenParts.at(i);
        out += "/* Draws " + commentText(screenTitle(screen)) + " (line " +
               QByteArray::number(screen.namePos.line) + ") as the run of " +
               commentText(script.title) + "\n   does, from " + modeText(screen.extendedAtStart) +
               ", the mode the run has there.\n   " + returnsText + " */\n";
        out += "long " + drawFunction(part, Language::C).toLatin1() + "(" + parameters() + ");\n";
        appendButtonEnumeration(part, screen.buttons, out);
        out += '\n';
    }
}

QByteArray CFamilyWriter::source()
{
    QByteArray out = markerLine("/*", " */");
    out += "/* What each function of vexel_scripts.h sends, the script's lines beside\n"
           "   their bytes, and what it checks. */\n\n#include \"vexel_scripts.h\"\n\n"
           "#include <string.h>\n\n";
    helpers(out);
    for (const ScriptCode &script : scripts) {
        current = &script;
        for (int i = 0; i < script.plan.screens.size(); ++i) {
            const Screen &screen = script.plan.screens.at(i);
            function(commentText(screenTitle(screen)) + " of " + commentText(script.title),
                     drawFunction(script.screenParts.at(i), Language::C).toLatin1(), screen.steps,
                     out);
        }
        function(commentText(script.title), functionName(script.part), script.plan.steps, out);
    }
    return out;
}

void CFamilyWriter::helpers(QByteArray &out) const
{
    // Only what the scripts use: an unused static function is a warning.
    if (arduino()) {
        out += "namespace {\n";
        out += uses.write ? arduinoWrite : "";
        out += uses.read ? arduinoRead : "";
        out += uses.wait ? arduinoDelay : "";
    }
    if (uses.read) {
        const QByteArray size = QByteArray::number(std::max(1, uses.longestRead));
        out += (arduino() ? "\n" : "") +
               QByteArray("/* The reply an expectation reads: as long as the longest. */\n");
        out += (arduino() ? "uint8_t vx_reply[" : "static uint8_t vx_reply[") + size + "];\n\n";
        out += "/* Whether `len` bytes came within `timeout_ms`; they are in vx_reply. */\n";
        out += arduino() ? "bool vx_read_reply(Stream &port, size_t len, uint32_t timeout_ms)\n"
                           "{\n    return vexel_read(port, vx_reply, len, timeout_ms) == len;\n}\n"
                         : "static int vx_read_reply(size_t len, uint32_t timeout_ms)\n"
                           "{\n    return vexel_read(vx_reply, len, timeout_ms) == len;\n}\n";
        if (arduino() && uses.bytesCheck)
            out += arduinoMatches;
    }
    if (arduino())
        out += "\n} /* namespace */\n";
    out += '\n';
}

void CFamilyWriter::function(const QByteArray &comment, const QByteArray &name,
                             const QVector<Step> &list, QByteArray &out)
{
    arrays.clear();
    body.clear();
    steps(list, 1);
    out += "/* " + comment + " */\n\n";
    out += arrays;
    out += "long " + name + "(" + parameters() + ")\n{\n";
    const Uses used = usesOf(list);
    if (arduino() && !used.write && !used.read && !used.draw)
        out += "    (void)port;\n";
    out += body;
    out += "    return 0;\n}\n\n";
}

void CFamilyWriter::steps(const QVector<Step> &list, int depth)
{
    for (const Step &step : list) {
        switch (step.kind) {
        case Step::Kind::Write:
            write(step, depth);
            break;
        case Step::Kind::Wait:
            wait(step, depth);
            break;
        case Step::Kind::Expect:
            expect(step, depth);
            break;
        case Step::Kind::Loop:
            loop(step, depth);
            break;
        case Step::Kind::Draw:
            draw(step, depth);
            break;
        }
    }
}

QByteArray CFamilyWriter::openArray(const char *prefix)
{
    const QByteArray name = prefix + QByteArray::number(++arrayCount);
    arrays += "static const uint8_t " + name + (arduino() ? "[] PROGMEM = {\n" : "[] = {\n");
    return name;
}

void CFamilyWriter::closeArray()
{
    arrays += "};\n\n";
}

// Each statement's bytes under a comment with its line and text; cut into
// several arrays only where one would be too large for the Arduino.
void CFamilyWriter::write(const Step &step, int depth)
{
    if (step.bytes.isEmpty())
        return;
    const int largest = arduino() ? arduinoLargestArray : step.bytes.size();
    QVector<QByteArray> names{openArray("vx_bytes_")};
    int inArray = 0;
    for (const Piece &piece : step.pieces) {
        arrays += "    /* " + QByteArray::number(piece.line) + ": " + commentText(piece.source);
        if (piece.fileBytes > 0)
            arrays += ", then the file's " + QByteArray::number(piece.fileBytes) + " bytes";
        arrays += " */\n";
        for (int at = piece.from, end = piece.from + piece.size; at < end;) {
            if (inArray == largest) {
                closeArray();
                names.append(openArray("vx_bytes_"));
                inArray = 0;
            }
            const int n = std::min({bytesPerLine, end - at, largest - inArray});
            arrays += "    ";
            appendCBytes(arrays, step.bytes.constData() + at, n);
            arrays.chop(1); // the space after the last comma
            arrays += '\n';
            at += n;
            inArray += n;
        }
    }
    closeArray();
    const QByteArray lines = linesText(step.pieces.first().line, step.pieces.last().line);
    for (int i = 0; i < names.size(); ++i) {
        QByteArray call = "vexel_write(" + port() + names.at(i) + ", sizeof " + names.at(i) + ");";
        if (i == 0)
            call += " /* " + lines + " */";
        line(depth, call);
    }
}

void CFamilyWriter::expect(const Step &step, int depth)
{
    const QByteArray lineNumber = QByteArray::number(step.line);
    line(depth, "/* line " + lineNumber + ": " + commentText(step.source) + " */");
    const QByteArrayList failed = failures(step);
    QByteArray joined;
    for (const QByteArray &clause : failed) {
        if (!joined.isEmpty()) {
            joined += " ||\n";
            appendIndent(joined, 4 * depth + 4);
        }
        joined += clause;
    }
    line(depth, "if (" + joined + ")");
    line(depth + 1, "return " + lineNumber + ";");
}

// What fails the expectation, any one of them. A touch report is read as
// touchPoint() reads it: X from bytes 1 and 2, Y from bytes 4 and 5, 128 to
// the step.
QByteArrayList CFamilyWriter::failures(const Step &step)
{
    const Check &check = step.check;
    QByteArrayList failed{"!vx_read_reply(" + port() + QByteArray::number(check.length) + ", " +
                          QByteArray::number(step.ms) + "UL)"};
    switch (check.kind) {
    case Check::Kind::Bytes:
        if (!check.bytes.isEmpty())
            failed.append(bytesDiffer(check.bytes));
        break;
    case Check::Kind::Touch:
        failed.append("vx_reply[0] != " + hexByte(replymarker::touch));
        failed.append("vx_reply[2] * 128u + vx_reply[1] != " + QByteArray::number(check.x) + "u");
        failed.append("vx_reply[5] * 128u + vx_reply[4] != " + QByteArray::number(check.y) + "u");
        break;
    case Check::Kind::OpenFailed:
        failed.append("vx_reply[0] != " + hexByte(replymarker::status));
        failed.append("vx_reply[1] == " + hexByte(openSucceeded));
        break;
    }
    return failed;
}

// The expected bytes as an array beside the others, and the comparison.
QByteArray CFamilyWriter::bytesDiffer(const QByteArray &expected)
{
    const QByteArray name = openArray("vx_expect_");
    for (int at = 0; at < expected.size(); at += bytesPerLine) {
        arrays += "    ";
        appendCBytes(arrays, expected.constData() + at,
                     std::min(bytesPerLine, int(expected.size()) - at));
        arrays.chop(1);
        arrays += '\n';
    }
    closeArray();
    const QByteArray size = QByteArray::number(expected.size());
    return arduino() ? "!vx_matches(" + name + ", " + size + ")"
                     : "memcmp(vx_reply, " + name + ", " + size + ") != 0";
}

void CFamilyWriter::wait(const Step &step, int depth)
{
    line(depth, "vexel_delay_ms(" + QByteArray::number(step.ms) + "UL); /* line " +
                    QByteArray::number(step.line) + ": " + commentText(step.source) + " */");
}

void CFamilyWriter::loop(const Step &step, int depth)
{
    const QByteArray round = "round" + QByteArray::number(depth);
    QByteArray comment = "line " + QByteArray::number(step.line) + ": " + commentText(step.source);
    if (step.laterRounds)
        comment += ", the rounds after the first";
    line(depth, "for (uint32_t " + round + " = 0; " + round + " < " +
                    QByteArray::number(step.count) + "UL; ++" + round + ") { /* " + comment +
                    " */");
    steps(step.body, depth + 1);
    line(depth, "}");
}

// A screen that checks nothing always returns 0: then a plain call.
void CFamilyWriter::draw(const Step &step, int depth)
{
    const Screen &screen = current->plan.screens.at(step.screen);
    const QByteArray call =
        drawFunction(current->screenParts.at(step.screen), Language::C).toLatin1() +
        (arduino() ? "(port)" : "()");
    const QByteArray comment =
        " /* line " + QByteArray::number(step.line) + ": " + commentText(step.source) + " */";
    if (!usesOf(screen.steps).read) {
        line(depth, call + ";" + comment);
        return;
    }
    line(depth, "{" + comment);
    line(depth + 1, "const long failed = " + call + ";");
    line(depth + 1, "if (failed != 0)");
    line(depth + 2, "return failed;");
    line(depth, "}");
}

QVector<GeneratedFile> filesOf(Flavour flavour, const QVector<ScriptCode> &scripts,
                               const ExportOptions &options)
{
    CFamilyWriter writer(flavour, scripts, options);
    const QString base = QLatin1String(outputBase);
    const QString source =
        flavour == Flavour::Arduino ? QStringLiteral(".cpp") : QStringLiteral(".c");
    return {GeneratedFile{base + QStringLiteral(".h"), writer.header()},
            GeneratedFile{base + source, writer.source()}};
}

} // namespace

QVector<GeneratedFile> cFiles(const QVector<ScriptCode> &scripts, const ExportOptions &options)
{
    return filesOf(Flavour::C, scripts, options);
}

QVector<GeneratedFile> arduinoFiles(const QVector<ScriptCode> &scripts,
                                    const ExportOptions &options)
{
    return filesOf(Flavour::Arduino, scripts, options);
}

} // namespace hostcode
