#include "ui/scriptpage.h"

#include "assets/assetlists.h"
#include "assets/vxpimage.h"
#include "design/screens.h"
#include "files/safefile.h"
#include "hostcode/hostcode.h"
#include "preview/checks.h"
#include "script/scriptfromcapture.h"
#include "script/statementtext.h"
#include "sim/screen.h"
#include "traffic/trafficrecorder.h"
#include "ui/imagepreview.h"
#include "ui/previewpane.h"
#include "ui/screenlist.h"
#include "ui/scripteditor.h"
#include "ui/shapeinspector.h"
#include "ui/shapepalette.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace script;

namespace {

constexpr int showIntervalMs = 50;
constexpr int outputLineLimit = 5000; // a long run keeps its latest steps
const char *const scriptSuffix = "vxscript";

QPushButton *button(const QString &text, const char *name)
{
    auto *made = new QPushButton(text);
    made->setObjectName(QLatin1String(name));
    return made;
}

// A demo's title is its first line, a comment: "# Drawing tour".
QString titleOf(const QString &text, const QString &fallback)
{
    const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (first.startsWith(QLatin1Char('#')))
        return first.mid(1).trimmed();
    return fallback;
}

QString readText(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QObject::tr("Cannot open %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

ScriptPage::ScriptPage(ScriptPageHooks hooks, QWidget *parent)
    : QWidget(parent), hooks(std::move(hooks)), runner(new ScriptRunner(this->hooks.link, this)),
      list(new QListWidget), editor(new ScriptEditor), output(new QPlainTextEdit),
      runButton(button(tr("Run"), "scriptRun")), stopButton(button(tr("Stop"), "scriptStop")),
      openButton(button(tr("Open..."), "scriptOpen")),
      saveButton(button(tr("Save..."), "scriptSave")),
      recordButton(button(tr("Record"), "scriptRecord")),
      exportButton(button(tr("Export..."), "scriptExport")), previewPane(new PreviewPane),
      screenList(new ScreenList), palette(new ShapePalette), inspector(new ShapeInspector)
{
    setObjectName(QStringLiteral("scriptPage"));
    list->setObjectName(QStringLiteral("scriptList"));
    editor->setObjectName(QStringLiteral("scriptEditor"));
    output->setObjectName(QStringLiteral("scriptOutput"));
    output->setReadOnly(true);
    output->setMaximumBlockCount(outputLineLimit);
    output->setLineWrapMode(QPlainTextEdit::NoWrap);
    recordButton->setCheckable(true);
    stopButton->setEnabled(false);
    showTimer.setInterval(showIntervalMs);
    buildLayout();
    connectControls();
    addDemos();
    list->setCurrentRow(0);
}

ScriptPage::~ScriptPage()
{
    // No signal of a run stopped by the window closing reaches a half-gone page.
    runner->disconnect(this);
}

QString ScriptPage::demoFolder()
{
    // Compiled into a static library: nothing would pull the demos in otherwise.
    Q_INIT_RESOURCE(demos);
    return QStringLiteral(":/demos");
}

void ScriptPage::buildLayout()
{
    auto *buttons = new QHBoxLayout;
    for (QPushButton *control :
         {runButton, stopButton, openButton, saveButton, recordButton, exportButton})
        buttons->addWidget(control);
    buttons->addStretch(1);

    auto *scripts = new QWidget;
    auto *scriptsLayout = new QVBoxLayout(scripts);
    scriptsLayout->setContentsMargins(0, 0, 0, 0);
    scriptsLayout->addWidget(new QLabel(tr("Scripts")));
    scriptsLayout->addWidget(list);

    auto *editing = new QWidget;
    auto *editingLayout = new QVBoxLayout(editing);
    editingLayout->setContentsMargins(0, 0, 0, 0);
    auto *screens = new QHBoxLayout;
    screens->addWidget(new QLabel(tr("Screen")));
    screens->addWidget(screenList);
    screens->addStretch(1);
    editingLayout->addLayout(screens);
    editingLayout->addWidget(editor, 1);

    auto *work = new QSplitter(Qt::Vertical);
    work->addWidget(editing);
    work->addWidget(output);
    work->setStretchFactor(0, 3);
    work->setStretchFactor(1, 1);

    auto *sides = new QSplitter(Qt::Horizontal);
    sides->addWidget(scripts);
    sides->addWidget(work);
    sides->addWidget(previewPane);
    sides->addWidget(designSide());
    sides->setStretchFactor(1, 1);
    sides->setSizes({160, 420, 600, 220});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(sides, 1);
}

// The palette above the inspector, beside the preview.
QWidget *ScriptPage::designSide()
{
    auto *side = new QSplitter(Qt::Vertical);
    auto *shapes = new QWidget;
    auto *shapesLayout = new QVBoxLayout(shapes);
    shapesLayout->setContentsMargins(0, 0, 0, 0);
    shapesLayout->addWidget(new QLabel(tr("Palette")));
    shapesLayout->addWidget(palette);
    side->addWidget(shapes);
    side->addWidget(inspector);
    // The shapes in two rows at least; the inspector takes the rest.
    palette->setMinimumHeight(140);
    side->setStretchFactor(1, 1);
    return side;
}

void ScriptPage::connectControls()
{
    connect(runButton, &QPushButton::clicked, this, &ScriptPage::run);
    connect(stopButton, &QPushButton::clicked, this, &ScriptPage::stop);
    connect(openButton, &QPushButton::clicked, this, &ScriptPage::askToOpen);
    connect(saveButton, &QPushButton::clicked, this, &ScriptPage::askToSave);
    connect(recordButton, &QPushButton::toggled, this, &ScriptPage::recordingToggled);
    connect(list, &QListWidget::currentRowChanged, this, &ScriptPage::showEntry);
    connect(runner, &ScriptRunner::statementStarted, this,
            [this](SourcePos pos) { markedLine = pos.line; });
    connect(runner, &ScriptRunner::statementDone, this, &ScriptPage::stepDone);
    connect(runner, &ScriptRunner::finished, this, &ScriptPage::runFinished);
    connect(&showTimer, &QTimer::timeout, this, &ScriptPage::flushOutput);
    connect(exportButton, &QPushButton::clicked, this, &ScriptPage::askToExport);
    connectPreview();
}

// Every edit is drawn again; the cursor's statement is outlined and its
// screen shown, a clicked pixel brings its statement into the editor, and
// the preview's drags edit the editor's document.
void ScriptPage::connectPreview()
{
    connect(editor, &QPlainTextEdit::textChanged, this, [this] {
        previewPane->showScript(editor->toPlainText(), baseFolder(), hooks.extendedMode());
    });
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        const int line = editor->textCursor().blockNumber() + 1;
        previewPane->showScreenAt(line);
        previewPane->selectLine(line);
    });
    connect(previewPane, &PreviewPane::statementClicked, editor, &ScriptEditor::showPosition);
    connect(previewPane, &PreviewPane::linesSelected, editor, &ScriptEditor::selectLines);
    previewPane->setScriptDocument(editor->document());
    connect(previewPane, &PreviewPane::status, this,
            [this](const QString &text) { hooks.showStatus(text); });
    connect(previewPane, &PreviewPane::rendered, this, &ScriptPage::showFindings);
    connectDesigner();
}

// The screens listed, the selected shape inspected, the palette's shapes
// added: each an edit of the editor's document.
void ScriptPage::connectDesigner()
{
    connect(previewPane, &PreviewPane::rendered, this, [this] {
        screenList->setScreens(previewPane->screens());
        screenList->showLine(editor->textCursor().blockNumber() + 1);
    });
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { screenList->showLine(editor->textCursor().blockNumber() + 1); });
    connect(screenList, &ScreenList::screenChosen, this, [this](int line) {
        editor->showPosition(line, 1);
        editor->setFocus();
    });
    connect(previewPane, &PreviewPane::selectionChanged, this, &ScriptPage::showSelectedShape);
    // Queued: the edit may rebuild the inspector, deleting the editor that
    // is still emitting.
    connect(inspector, &ShapeInspector::fieldChanged, previewPane, &PreviewPane::setField,
            Qt::QueuedConnection);
    connect(palette, &ShapePalette::chosen, this, [this](const PaletteChoice &choice) {
        previewPane->insertShape(
            choice, QPoint(vxsim::Screen::PanelWidth / 2, vxsim::Screen::PanelHeight / 2));
    });
}

void ScriptPage::showSelectedShape()
{
    const design::Shape *shape = previewPane->selectedShape();
    if (!shape) {
        inspector->clear();
        return;
    }
    const QString title =
        tr("%1 at line %2")
            .arg(
                QLatin1String(spec(previewPane->render().statement(shape->statement).command).name))
            .arg(shape->line);
    inspector->showFields(title, design::fieldsOf(previewPane->designLayout(), *shape),
                          shape->fixed);
}

void ScriptPage::setLists(const AssetLists &lists)
{
    preview::RenderContext context;
    context.setLists(lists);
    setRenderContext(context);
    QStringList fonts;
    for (int i = 0; i < lists.fontCount; ++i)
        fonts << lists.fontList[std::size_t(i)].name;
    QStringList images;
    QVector<QIcon> thumbnails;
    for (int i = 0; i < lists.imageCount; ++i) {
        const ImageEntry &entry = lists.imageList[std::size_t(i)];
        images << entry.name;
        thumbnails << thumbnailIcon(previewImage(entry.path).image, thumbnailSide,
                                    devicePixelRatioF());
    }
    palette->setImages(thumbnails, images);
    inspector->setLists(fonts, images, thumbnails);
}

void ScriptPage::setRenderContext(const preview::RenderContext &context)
{
    previewPane->setContext(context);
}

// Errors and warnings in the margin, each line with all that was found there.
void ScriptPage::showFindings()
{
    QMap<int, QString> byLine;
    for (const preview::Finding &finding : preview::findingsOf(previewPane->render())) {
        QString &text = byLine[finding.pos.line];
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += tr("column %1: %2: %3")
                    .arg(finding.pos.column)
                    .arg(preview::severityWord(finding.severity), finding.message);
    }
    editor->setFindings(byLine);
}

// The script in the editor as code that sends the same bytes from a host's
// firmware: the language, then the folder; the generated files only.
void ScriptPage::askToExport()
{
    QStringList languages;
    for (hostcode::Language language :
         {hostcode::Language::C, hostcode::Language::Arduino, hostcode::Language::Python})
        languages << hostcode::languageName(language);
    bool chosen = false;
    const QString name = QInputDialog::getItem(this, tr("Export Script"), tr("Language:"),
                                               languages, 0, false, &chosen);
    if (!chosen)
        return;
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export To"), baseFolder());
    if (folder.isEmpty())
        return;
    const QString title = shown >= 0 ? entries.at(shown).title : tr("script");
    const hostcode::ExportResult result = hostcode::exportScripts(
        {{title, editor->toPlainText(), baseFolder()}}, *hostcode::languageNamed(name), folder);
    if (!result.ok()) {
        hooks.showStatus(result.problems.first().toString());
        return;
    }
    QStringList names;
    for (const QString &path : result.written)
        names << QFileInfo(path).fileName();
    hooks.showStatus(tr("Exported to %1: %2")
                         .arg(QDir::toNativeSeparators(folder), names.join(QStringLiteral(", "))));
}

void ScriptPage::addDemos()
{
    const QDir demos(demoFolder());
    for (const QString &name :
         demos.entryList({QStringLiteral("*.") + scriptSuffix}, QDir::Files, QDir::Name)) {
        QString error;
        const QString path = demos.filePath(name);
        const QString text = readText(path, error);
        addEntry({titleOf(text, QFileInfo(name).completeBaseName()), path, text, true});
    }
}

void ScriptPage::addEntry(const Entry &entry)
{
    entries << entry;
    list->addItem(labelOf(entry));
}

QString ScriptPage::labelOf(const Entry &entry)
{
    // A demo, or a script made from a capture and not saved yet, has no file to name.
    if (entry.builtIn || entry.path.isEmpty())
        return entry.title;
    return tr("%1 (%2)").arg(entry.title, QFileInfo(entry.path).fileName());
}

void ScriptPage::keepEditorText()
{
    if (shown >= 0 && shown < entries.size())
        entries[shown].text = editor->toPlainText();
}

void ScriptPage::showEntry(int row)
{
    if (isRunning()) // the run marks lines of the text it was started on
        return;
    keepEditorText();
    shown = row;
    editor->setPlainText(row >= 0 ? entries.at(row).text : QString());
}

QString ScriptPage::baseFolder() const
{
    if (shown < 0 || entries.at(shown).path.isEmpty())
        return QDir::currentPath();
    return QFileInfo(entries.at(shown).path).absolutePath();
}

bool ScriptPage::isRecording() const
{
    return recordButton->isChecked();
}

void ScriptPage::run()
{
    if (isRunning())
        return;
    const QString name = shown >= 0 ? entries.at(shown).title : tr("script");
    const ParseResult parsed =
        parseScript(editor->toPlainText(), baseFolder(), hooks.extendedMode());
    output->clear();
    pendingOutput.clear();
    if (!parsed.ok()) {
        for (const ScriptError &error : parsed.errors)
            output->appendPlainText(error.toString());
        const ScriptError &first = parsed.errors.first();
        editor->showPosition(first.pos.line, first.pos.column);
        hooks.showStatus(tr("%1 not run: %2").arg(name, first.toString()));
        return;
    }
    if (!hooks.portOpen()) {
        hooks.showStatus(tr("%1 not run: open a port first").arg(name));
        return;
    }
    runName = name;
    markedLine = 0;
    setRunning(true);
    runner->start(parsed.script, hooks.extendedMode());
    hooks.showStatus(tr("Running %1").arg(name));
}

void ScriptPage::stop()
{
    runner->stop();
}

void ScriptPage::setRunning(bool running)
{
    runButton->setEnabled(!running);
    stopButton->setEnabled(running);
    openButton->setEnabled(!running);
    list->setEnabled(!running);
    editor->setReadOnly(running);
    if (running) {
        showTimer.start();
    } else {
        showTimer.stop();
        flushOutput();
    }
}

void ScriptPage::stepDone(const StepResult &result)
{
    pendingOutput << outputLine(result);
    // Only the newest lines can stay on screen.
    if (pendingOutput.size() > outputLineLimit)
        pendingOutput.erase(pendingOutput.begin(), pendingOutput.end() - outputLineLimit);
}

// Makes room for `incoming` lines by cutting the oldest in one piece. The
// pane's own bound would drop them a block at a time, laying out each as the
// cursor passes it: tens of milliseconds a flush once a long run filled it.
void ScriptPage::dropOldestOutput(int incoming)
{
    QTextDocument *document = output->document();
    const int excess = document->blockCount() + incoming - outputLineLimit;
    if (excess <= 0)
        return;
    const QTextBlock firstKept = document->findBlockByNumber(excess);
    QTextCursor cut(document);
    cut.setPosition(firstKept.isValid() ? firstKept.position() : document->characterCount() - 1,
                    QTextCursor::KeepAnchor);
    cut.removeSelectedText();
}

void ScriptPage::flushOutput()
{
    if (!pendingOutput.isEmpty()) {
        dropOldestOutput(pendingOutput.size());
        output->appendPlainText(pendingOutput.join(QLatin1Char('\n')));
        pendingOutput.clear();
    }
    editor->markLine(isRunning() ? markedLine : 0);
}

void ScriptPage::runFinished(const RunSummary &summary)
{
    setRunning(false);
    const QString seconds = millisecondsText(summary.elapsedNs);
    QString text;
    if (summary.stopped)
        text = tr("%1 stopped after %2 statements").arg(runName).arg(summary.statements);
    else if (!summary.ok())
        text = tr("%1 failed at line %2: %3")
                   .arg(runName)
                   .arg(summary.failedAt.line)
                   .arg(summary.failure);
    else
        text = tr("%1 passed: %2 statements, %3 expectations met")
                   .arg(runName)
                   .arg(summary.statements)
                   .arg(summary.passed);
    text += tr(" (%1)").arg(seconds);
    output->appendPlainText(text);
    if (!summary.ok() && summary.failedAt.line > 0)
        editor->markLine(summary.failedAt.line);
    hooks.showStatus(text);
}

void ScriptPage::takeChunk(const QByteArray &chunk)
{
    if (isRunning())
        runner->takeChunk(chunk);
}

void ScriptPage::lineLost(const QString &reason)
{
    if (isRunning())
        runner->lineLost(reason);
}

void ScriptPage::fileDone(const QString &error)
{
    if (isRunning())
        runner->fileDone(error);
}

void ScriptPage::drained()
{
    if (isRunning())
        runner->drained();
}

void ScriptPage::recordingToggled(bool on)
{
    if (on && !editor->toPlainText().isEmpty() &&
        !editor->toPlainText().endsWith(QLatin1Char('\n')))
        editor->moveCursor(QTextCursor::End);
    hooks.showStatus(on ? tr("Recording: the Display Test page's commands are added to the script")
                        : tr("Recording stopped"));
}

void ScriptPage::appendStatement(const QString &line)
{
    // Appended as a paragraph of its own at the end, wherever the cursor is.
    editor->appendPlainText(line);
}

void ScriptPage::recordCommand(Command id, const ArgValues &values, const QByteArray &text,
                               bool extendedMode)
{
    if (isRecording() && !isRunning())
        appendStatement(statementText(id, values, text, extendedMode));
}

void ScriptPage::recordFile(int fileNumber, const QString &path)
{
    if (isRecording() && !isRunning())
        appendStatement(QStringLiteral("%1 %2 %3")
                            .arg(QLatin1String(spec(Command::SdFileWrite).name))
                            .arg(fileNumber)
                            .arg(quotedText(QDir::fromNativeSeparators(path).toUtf8())));
}

void ScriptPage::openFile(const QString &path)
{
    QString text;
    QString error;
    const bool capture = path.endsWith(QLatin1String(".pcapng"), Qt::CaseInsensitive);
    if (capture) {
        const CaptureReading reading = readBenchCapture(path);
        error = reading.error;
        if (reading.records.isEmpty() && !error.isEmpty()) {
            hooks.showStatus(error);
            return;
        }
        text = scriptFromRecords(reading.records, QFileInfo(path).fileName());
    } else {
        text = readText(path, error);
        if (!error.isEmpty()) {
            hooks.showStatus(error);
            return;
        }
    }
    keepEditorText();
    const QString title = QFileInfo(path).completeBaseName();
    // A capture's script is new text: saving it must not overwrite the capture.
    const QString origin = capture ? QString() : QFileInfo(path).absoluteFilePath();
    addEntry({title, origin, text, false});
    list->setCurrentRow(entries.size() - 1);
    hooks.showStatus(capture ? (error.isEmpty()
                                    ? tr("Made a script of %1").arg(QFileInfo(path).fileName())
                                    : tr("Made a script of what could be read: %1").arg(error))
                             : tr("Opened %1").arg(QDir::toNativeSeparators(path)));
}

bool ScriptPage::saveFile(const QString &path)
{
    QString error;
    if (!writeFileSafely(path, editor->toPlainText().toUtf8(), error)) {
        hooks.showStatus(error);
        return false;
    }
    const QFileInfo saved(path);
    if (shown >= 0 && !entries.at(shown).builtIn) {
        entries[shown].path = saved.absoluteFilePath();
        entries[shown].title = saved.completeBaseName();
        list->item(shown)->setText(labelOf(entries.at(shown)));
    } else {
        // A demo stays as shipped; the saved copy is listed as a script of its own.
        const QString text = editor->toPlainText();
        if (shown >= 0)
            entries[shown].text = readText(entries.at(shown).path, error);
        const QSignalBlocker quiet(list);
        addEntry({saved.completeBaseName(), saved.absoluteFilePath(), text, false});
        list->setCurrentRow(entries.size() - 1);
        shown = entries.size() - 1;
    }
    hooks.showStatus(tr("Saved %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void ScriptPage::askToOpen()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open Script"), QString(),
        tr("Scripts and captures (*.%1 *.txt *.pcapng);;Scripts (*.%1 *.txt);;Captures "
           "(*.pcapng);;All files (*)")
            .arg(QLatin1String(scriptSuffix)));
    if (!path.isEmpty())
        openFile(path);
}

void ScriptPage::askToSave()
{
    const QString suggested =
        shown >= 0 && !entries.at(shown).builtIn ? entries.at(shown).path : QString();
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Script"), suggested,
        tr("Scripts (*.%1);;All files (*)").arg(QLatin1String(scriptSuffix)));
    if (!path.isEmpty())
        saveFile(path);
}
