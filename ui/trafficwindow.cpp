#include "ui/trafficwindow.h"

#include "traffic/pcapng.h"
#include "traffic/trafficdecoder.h"
#include "traffic/trafficmodel.h"
#include "traffic/trafficrecorder.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int rowHeight = 20;

// Matches the filter text in the meaning, the ASCII and the hex of a row,
// the hex with or without its spaces.
class TrafficFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setText(const QString &text)
    {
        wanted = text.trimmed();
        wantedHex = QString(wanted).remove(QLatin1Char(' ')).toLower();
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &) const override
    {
        if (wanted.isEmpty())
            return true;
        const auto *source = static_cast<const TrafficModel *>(sourceModel());
        const TrafficEntry &entry = source->shownLog()->at(row);
        if (entry.meaning.contains(wanted, Qt::CaseInsensitive) ||
            asciiText(entry.record.bytes).contains(wanted, Qt::CaseInsensitive))
            return true;
        return !wantedHex.isEmpty() &&
               QString::fromLatin1(entry.record.bytes.toHex()).contains(wantedHex);
    }

private:
    QString wanted;
    QString wantedHex;
};

QPushButton *button(const QString &text, const char *name)
{
    auto *made = new QPushButton(text);
    made->setObjectName(QLatin1String(name));
    return made;
}

} // namespace

TrafficWindow::TrafficWindow(TrafficRecorder *recorder, QWidget *parent)
    : QWidget(parent, Qt::Window), recorder(recorder), model(new TrafficModel(this)),
      filtered(new TrafficFilter(this)), table(new QTableView), filter(new QLineEdit),
      clear(button(tr("Clear"), "trafficClear")),
      save(button(tr("Save Capture..."), "trafficSave")),
      open(button(tr("Open Capture..."), "trafficOpen")), live(button(tr("Live"), "trafficLive")),
      counts(new QLabel), countsTimer(new QTimer(this)), rowsTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("trafficWindow"));
    setWindowTitle(tr("Traffic"));
    table->setObjectName(QStringLiteral("trafficTable"));
    filter->setObjectName(QStringLiteral("trafficFilter"));
    counts->setObjectName(QStringLiteral("trafficCounts"));
    filtered->setSourceModel(model);
    table->setModel(filtered);
    model->showLog(&recorder->log());
    // A flood of records updates the counts a few times a second, not per record.
    countsTimer->setSingleShot(true);
    countsTimer->setInterval(100);
    connect(countsTimer, &QTimer::timeout, this, &TrafficWindow::showCounts);
    // Rows are brought up to date twenty times a second, in one go: a flood
    // of records would otherwise cost a model change, a scroll and a repaint
    // of the visible rows for each of them.
    rowsTimer->setSingleShot(true);
    rowsTimer->setInterval(50);
    connect(rowsTimer, &QTimer::timeout, this, &TrafficWindow::appendRows);
    // Opened on a long record, the view starts at its newest rows.
    QTimer::singleShot(0, table, &QTableView::scrollToBottom);
    buildLayout();
    connectControls();
    showCounts();
    resize(1000, 600);
}

TrafficWindow::~TrafficWindow() = default;

void TrafficWindow::buildLayout()
{
    filter->setPlaceholderText(tr("Filter: text, command name or hex"));
    filter->setClearButtonEnabled(true);
    live->setVisible(false);
    // Fixed rows and no per-row sizing keep a hundred thousand rows cheap.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->setVerticalScrollMode(
        QAbstractItemView::ScrollPerItem); // a row per step, see appendRows
    table->horizontalHeader()->setStretchLastSection(false);
    const int widths[] = {100, 70, 260, 120, 380, 80};
    for (int column = 0; column < TrafficModel::ColumnCount; ++column)
        table->setColumnWidth(column, widths[column]);

    auto *controls = new QHBoxLayout;
    controls->addWidget(filter, 1);
    for (QPushButton *control : {clear, save, open, live})
        controls->addWidget(control);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(table, 1);
    layout->addWidget(counts);
}

void TrafficWindow::connectControls()
{
    connect(recorder, &TrafficRecorder::appended, this, &TrafficWindow::recordAppended);
    connect(recorder, &TrafficRecorder::cleared, this, [this] {
        droppedSinceShown = 0;
        if (!opened)
            model->logCleared();
        showCounts();
    });
    connect(filter, &QLineEdit::textChanged, this, [this](const QString &text) {
        static_cast<TrafficFilter *>(filtered)->setText(text);
        showCounts();
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        if (opened)
            showLive();
        recorder->clear();
    });
    connect(save, &QPushButton::clicked, this, &TrafficWindow::askToSave);
    connect(open, &QPushButton::clicked, this, &TrafficWindow::askToOpen);
    connect(live, &QPushButton::clicked, this, &TrafficWindow::showLive);
}

void TrafficWindow::recordAppended(int dropped)
{
    if (opened)
        return;
    droppedSinceShown += dropped;
    if (!rowsTimer->isActive())
        rowsTimer->start();
}

// New rows are followed unless the user has scrolled up to read.
void TrafficWindow::appendRows()
{
    QScrollBar *bar = table->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int reading = bar->value();
    const int dropped = droppedSinceShown;
    droppedSinceShown = 0;
    model->entryAppended(dropped);
    if (following)
        table->scrollToBottom();
    else if (dropped > 0) // the rows being read moved up with the dropped ones
        bar->setValue(qMax(0, reading - dropped));
    showCountsSoon();
}

void TrafficWindow::showCountsSoon()
{
    if (!countsTimer->isActive())
        countsTimer->start();
}

void TrafficWindow::showCounts()
{
    const TrafficLog &shown = opened ? *opened : recorder->log();
    QString text = opened ? tr("%1: ").arg(openedName) : tr("Live: ");
    text += tr("%1 records, %2 shown, %3 sent, %4 received")
                .arg(shown.size())
                .arg(filtered->rowCount())
                .arg(shown.sentCount())
                .arg(shown.size() - shown.sentCount());
    if (shown.dropped() > 0)
        text += tr(", %1 older records dropped").arg(shown.dropped());
    if (!problem.isEmpty())
        text += QStringLiteral(" — ") + problem;
    counts->setText(text);
}

void TrafficWindow::showLive()
{
    model->showLog(&recorder->log());
    opened.reset(); // only once the model has let go of it
    live->setVisible(false);
    problem.clear();
    table->scrollToBottom();
    showCounts();
}

void TrafficWindow::openCapture(const QString &path)
{
    auto capture = std::make_unique<TrafficLog>();
    problem = loadCapture(path, *capture);
    model->showLog(capture.get()); // before the log it showed is freed
    opened = std::move(capture);
    openedName = QFileInfo(path).fileName();
    live->setVisible(true);
    showCounts();
}

void TrafficWindow::saveCapture(const QString &path)
{
    const TrafficLog &shown = opened ? *opened : recorder->log();
    const QString error = ::saveCapture(path, shown);
    problem = error.isEmpty() ? tr("saved %1").arg(QFileInfo(path).fileName()) : error;
    showCounts();
}

void TrafficWindow::askToOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Capture"), QString(),
                                                      tr("Captures (*.pcapng);;All Files (*)"));
    if (!path.isEmpty())
        openCapture(path);
}

void TrafficWindow::askToSave()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Capture"), QString(),
                                                      tr("Captures (*.pcapng)"));
    if (!path.isEmpty())
        saveCapture(path);
}
