// A Python module on pyserial: the same steps and checks as the C code.
#include "hostcode/codetext.h"
#include "hostcode/names.h"
#include "hostcode/writers.h"

#include "commands/replydecoder.h"

namespace hostcode {

namespace {

constexpr int bytesPerLine = 32;

const char moduleText[] = R"("""Command scripts of the Vexel900 Bench as functions on pyserial.

Each function takes an open serial.Serial on the module's line (115200 baud,
8 data bits, no parity, 1 stop bit, no flow control, unless the module is
set otherwise), sends what its script sends, in one write for each run of
statements, and checks every reply the script expects. It returns 0 once
every expectation is met, or the line of the first that is not, where the
run ends. Each run_ function starts with the module in %MODE% mode; a
screen's draw_ function in the mode its script's run has there. The port's
timeout is set while a reply is read, and put back after.
"""

import time

import serial


def _write(port, data):
    port.write(data)
    port.flush()  # a wait or an expectation after it counts from here


def _read(port, count, timeout_ms):
    saved = port.timeout
    port.timeout = timeout_ms / 1000
    try:
        return port.read(count)
    finally:
        port.timeout = saved


def _touch_at(reply, x, y):
    """A touch report at x, y: X from bytes 1 and 2, Y from bytes 4 and 5."""
    return (len(reply) == %TOUCHLEN% and reply[0] == %TOUCH%
            and reply[2] * 128 + reply[1] == x and reply[5] * 128 + reply[4] == y)


def _open_failed(reply):
    return len(reply) == 2 and reply[0] == %STATUS% and reply[1] != %OPENED%
)";

class PythonWriter
{
public:
    PythonWriter(const QVector<ScriptCode> &scripts, const ExportOptions &options)
        : scripts(scripts), options(options)
    {
    }

    QByteArray module();

private:
    void script(const ScriptCode &code, QByteArray &out);
    void function(const QByteArray &name, const QByteArray &doc, const QVector<Step> &list,
                  QByteArray &out);
    void buttons(const ScriptCode &code, QByteArray &out);
    void draw(const Step &step, int depth);
    void steps(const QVector<Step> &list, int depth);
    void write(const Step &step, int depth);
    void expect(const Step &step, int depth);
    void loop(const Step &step, int depth);
    QByteArray reading(const Step &step);
    void line(int depth, const QByteArray &text);

    const QVector<ScriptCode> &scripts;
    const ScriptCode *current = nullptr; // the script whose functions are being written
    ExportOptions options;
    QByteArray constants; // the function's bytes, written before it
    QByteArray body;
    int constantCount = 0;
};

QByteArray PythonWriter::module()
{
    QByteArray out = markerLine("#", "");
    QByteArray text = moduleText;
    text.replace("%MODE%", options.extendedAtStart ? "extended" : "standard");
    text.replace("%TOUCHLEN%", QByteArray::number(touchReportLength));
    text.replace("%TOUCH%", hexByte(replymarker::touch));
    text.replace("%STATUS%", hexByte(replymarker::status));
    text.replace("%OPENED%", hexByte(openSucceeded));
    out += text;
    for (const ScriptCode &code : scripts)
        script(code, out);
    return out;
}

void PythonWriter::line(int depth, const QByteArray &text)
{
    appendIndent(body, 4 * depth);
    body += text;
    body += '\n';
}

// Named buttons are constants with the C code's names, as the button
// numbers of unnamed ones are: a firmware ported from one reads the same.
void appendNamedButtons(const QByteArray &comment, const QString &part,
                        const QVector<Button> &buttons, QByteArray &out)
{
    if (buttons.isEmpty())
        return;
    out += "# " + comment + '\n';
    for (const Button &button : buttons) {
        out += namedButtonConstant(part, button.name).toLatin1() + " = " +
               QByteArray::number(button.number) + "  # " + buttonPlace(button) + '\n';
    }
    out += '\n';
}

void PythonWriter::buttons(const ScriptCode &code, QByteArray &out)
{
    for (const Button &button : code.plan.buttons) {
        out += buttonConstant(code.part, button.number).toLatin1() + " = " +
               QByteArray::number(button.number) + "  # " + buttonPlace(button) + '\n';
    }
    if (!code.plan.buttons.isEmpty())
        out += '\n';
    appendNamedButtons("The touch buttons it names outside its screens", code.part,
                       code.plan.namedButtons, out);
}

// Each screen's function before the run's, which calls them.
void PythonWriter::script(const ScriptCode &code, QByteArray &out)
{
    current = &code;
    out += "\n\n# " + lineText(code.title) + "\n\n";
    buttons(code, out);
    for (int i = 0; i < code.plan.screens.size(); ++i) {
        const Screen &screen = code.plan.screens.at(i);
        const QString &part = code.screenParts.at(i);
        // The name stays in comments: in a docstring a quote or a backslash
        // of it would be Python.
        out += "# " + lineText(screenTitle(screen)) + ", line " +
               QByteArray::number(screen.namePos.line) + "\n\n";
        appendNamedButtons("Its touch buttons", part, screen.buttons, out);
        function(drawFunction(part, Language::Python).toLatin1(),
                 QByteArray("Draws the screen as the run does, from ") +
                     (screen.extendedAtStart ? "extended" : "standard") + " mode.",
                 screen.steps, out);
        out += "\n\n";
    }
    function("run_" + code.part.toLatin1(), {}, code.plan.steps, out);
}

void PythonWriter::function(const QByteArray &name, const QByteArray &doc,
                            const QVector<Step> &list, QByteArray &out)
{
    constants.clear();
    body.clear();
    steps(list, 1);
    out += constants;
    if (!constants.isEmpty())
        out += "\n\n";
    out += "def " + name + "(port: serial.Serial) -> int:\n    \"\"\"";
    if (!doc.isEmpty())
        out += doc + "\n\n    ";
    out += "0 once every expectation is met, else the line of the first that is not.";
    out += doc.isEmpty() ? "\"\"\"\n" : "\n    \"\"\"\n";
    out += body;
    out += "    return 0\n";
}

void PythonWriter::steps(const QVector<Step> &list, int depth)
{
    for (const Step &step : list) {
        switch (step.kind) {
        case Step::Kind::Write:
            write(step, depth);
            break;
        case Step::Kind::Wait:
            line(depth, "time.sleep(" + QByteArray::number(step.ms) + " / 1000)  # line " +
                            QByteArray::number(step.line) + ": " + lineText(step.source));
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

// A screen that checks nothing always returns 0: then a plain call.
void PythonWriter::draw(const Step &step, int depth)
{
    const Screen &screen = current->plan.screens.at(step.screen);
    const QByteArray call =
        drawFunction(current->screenParts.at(step.screen), Language::Python).toLatin1() + "(port)";
    const QByteArray comment =
        "  # line " + QByteArray::number(step.line) + ": " + lineText(step.source);
    if (!usesOf(screen.steps).read) {
        line(depth, call + comment);
        return;
    }
    line(depth, "failed = " + call + comment);
    line(depth, "if failed:");
    line(depth + 1, "return failed");
}

// One bytes object a run, each statement's hex on its own line with the
// statement beside it.
void PythonWriter::write(const Step &step, int depth)
{
    if (step.bytes.isEmpty())
        return;
    const QByteArray name = "_BYTES_" + QByteArray::number(++constantCount);
    constants += name + " = bytes.fromhex(\n";
    for (const Piece &piece : step.pieces) {
        for (int at = piece.from, end = piece.from + piece.size; at < end; at += bytesPerLine) {
            constants += "    \"";
            appendHex(constants, step.bytes.constData() + at, std::min(bytesPerLine, end - at));
            constants += '"';
            if (at == piece.from) {
                constants +=
                    "  # " + QByteArray::number(piece.line) + ": " + lineText(piece.source);
                if (piece.fileBytes > 0)
                    constants +=
                        ", then the file's " + QByteArray::number(piece.fileBytes) + " bytes";
            }
            constants += '\n';
        }
    }
    constants += ")\n";
    line(depth, "_write(port, " + name + ")  # " +
                    linesText(step.pieces.first().line, step.pieces.last().line));
}

void PythonWriter::loop(const Step &step, int depth)
{
    line(depth, "for _ in range(" + QByteArray::number(step.count) + "):  # line " +
                    QByteArray::number(step.line) + ": " + lineText(step.source) +
                    (step.laterRounds ? ", the rounds after the first" : ""));
    const int before = body.size();
    steps(step.body, depth + 1);
    if (body.size() == before) // a body of nothing but empty runs
        line(depth + 1, "pass");
}

void PythonWriter::expect(const Step &step, int depth)
{
    const QByteArray lineNumber = QByteArray::number(step.line);
    line(depth, "if " + reading(step) + ":  # line " + lineNumber + ": " + lineText(step.source));
    line(depth + 1, "return " + lineNumber);
}

// True when the expectation fails.
QByteArray PythonWriter::reading(const Step &step)
{
    const Check &check = step.check;
    const QByteArray read = "_read(port, " + QByteArray::number(check.length) + ", " +
                            QByteArray::number(step.ms) + ")";
    switch (check.kind) {
    case Check::Kind::Bytes: {
        const QByteArray name = "_EXPECT_" + QByteArray::number(++constantCount);
        constants += name + " = bytes.fromhex(\"";
        appendHex(constants, check.bytes.constData(), check.bytes.size());
        constants += "\")\n";
        return read + " != " + name;
    }
    case Check::Kind::Touch:
        return "not _touch_at(" + read + ", " + QByteArray::number(check.x) + ", " +
               QByteArray::number(check.y) + ")";
    case Check::Kind::OpenFailed:
        return "not _open_failed(" + read + ")";
    }
    return {};
}

} // namespace

QVector<GeneratedFile> pythonFiles(const QVector<ScriptCode> &scripts, const ExportOptions &options)
{
    PythonWriter writer(scripts, options);
    return {GeneratedFile{QLatin1String(outputBase) + QStringLiteral(".py"), writer.module()}};
}

} // namespace hostcode
