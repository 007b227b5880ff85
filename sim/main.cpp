#include "capturefile.h"
#include "devicelink.h"
#include "helptext.h"
#include "module.h"
#include "pseudoterminal.h"
#include "replugger.h"
#include "runtimelink.h"
#include "signalpipe.h"
#include "simhost.h"
#include "simwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>
#include <QtDebug>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace vxsim;

namespace {

// The application class depends on an option, so look before Qt does.
bool wantsWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--window") == 0)
            return true;
    }
    return false;
}

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "vexelsim: %s\n", qPrintable(message));
    std::exit(1);
}

std::unique_ptr<SdCard> makeCard(const QCommandLineParser &options, QTemporaryDir &scratch)
{
    QString folder = options.value("card");
    if (folder.isEmpty()) {
        if (!scratch.isValid())
            fail(QStringLiteral("no temporary folder for the card"));
        folder = scratch.path();
    } else if (!QDir(folder).exists()) {
        fail(QStringLiteral("card folder %1 does not exist").arg(folder));
    }
    auto card = std::make_unique<SdCard>(folder, !options.isSet("no-card"));
    card->setWriteProtected(options.isSet("lock-card"));
    return card;
}

void openCapture(const QCommandLineParser &options, CaptureFile &capture)
{
    QString error;
    if (options.isSet("capture") && !capture.open(options.value("capture"), &error))
        fail(error);
}

std::optional<FlashImage> loadFlash(const QCommandLineParser &options)
{
    if (!options.isSet("flash"))
        return std::nullopt;
    QString error;
    std::optional<FlashImage> flash = FlashImage::load(options.value("flash"), &error);
    if (!flash)
        fail(QStringLiteral("%1: %2").arg(options.value("flash"), error));
    return flash;
}

// Where the line can be found: its device path as a line on standard
// output, the runtime link and the link given with --link. All follow the
// line each time it is plugged in again.
struct Announcement
{
    RuntimeLink runtimeLink;
    DeviceLink namedLink;

    void publish(const QString &devicePath);
};

void Announcement::publish(const QString &devicePath)
{
    QString error;
    if (namedLink.isPlaced() && !namedLink.retarget(devicePath, &error))
        qWarning("vexelsim: %s", qPrintable(error));
    const QString folder = runtimeLinkFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), ::getuid());
    if (runtimeLink.create(folder, QCoreApplication::applicationPid(), devicePath, &error))
        RuntimeLink::removeStale(folder);
    else
        qWarning("vexelsim: not discoverable: %s", qPrintable(error));
    std::printf("%s\n", qPrintable(devicePath));
    std::fflush(stdout);
}

// Refused before the line opens, like an unwritable capture.
void checkLinkPath(const QCommandLineParser &options)
{
    QString error;
    if (options.isSet("link") && options.value("link").isEmpty())
        fail(QStringLiteral("--link needs a path"));
    if (options.isSet("link") && !DeviceLink::mayReplace(options.value("link"), &error))
        fail(error);
}

void announceFirst(const QCommandLineParser &options, const QString &devicePath,
                   Announcement &announcement)
{
    QString error;
    if (options.isSet("link") &&
        !announcement.namedLink.place(options.value("link"), devicePath, &error))
        fail(error);
    announcement.publish(devicePath);
}

// Ends through the event loop, so that the links go as on any other end.
void endWithoutLine(const QString &error)
{
    qWarning("vexelsim: the line did not come back: %s", qPrintable(error));
    QCoreApplication::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    const bool windowed = wantsWindow(argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (windowed)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexelsim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Module::VersionText));

    QCommandLineParser options;
    options.setApplicationDescription(helpDescription());
    options.addHelpOption();
    options.addVersionOption();
    options.addOptions({
        {"card", "Keep the SD card in DIR (default: a new temporary folder).", "DIR"},
        {"no-card", "Simulate an empty card slot."},
        {"lock-card", "Write-protect the card: it reads, but nothing on it changes."},
        {"flash", "Load the flash image FILE.vxs (images, start-up settings).", "FILE.vxs"},
        {"snapshot", "Save snapshots to FILE.png, and one on exit.", "FILE.png"},
        {"window", "Show the panel at twice its size; clicks are touches."},
        {"capture", "Record the line to FILE.pcapng, as the module sees it.", "FILE.pcapng"},
        {"link", "Keep a symbolic link at PATH to the line's device, through replugs.", "PATH"},
        {"reset-replug", "Replug the line after answering code FD, as a module that resets."},
    });
    options.process(*app);

    // Before the line is announced, so that whoever reads the path can stop us cleanly.
    SignalPipe signalPipe({SIGINT, SIGTERM, SIGHUP, SIGUSR1});
    QTemporaryDir scratch;
    Module module(makeCard(options, scratch), loadFlash(options));
    CaptureFile capture;
    openCapture(options, capture);
    checkLinkPath(options);
    PseudoTerminal line;
    QString error;
    if (!line.open(&error))
        fail(error);
    Announcement announcement;
    announceFirst(options, line.devicePath(), announcement);

    const QString snapshotPath =
        options.isSet("snapshot")
            ? options.value("snapshot")
            : QStringLiteral("vexelsim-%1.png").arg(QCoreApplication::applicationPid());
    SimHost host(&module, &line, snapshotPath, capture.isOpen() ? &capture : nullptr);
    host.watchStandardInput();
    QObject::connect(&host, &SimHost::quitRequested, app.get(), &QCoreApplication::quit);
    QObject::connect(&signalPipe, &SignalPipe::caught, &host, [&](int number) {
        if (number == SIGUSR1)
            host.takeSnapshot();
        else
            QCoreApplication::quit();
    });

    Replugger replugger(&module, &line);
    if (options.isSet("reset-replug"))
        replugger.replugOnReset();
    QObject::connect(&host, &SimHost::replugRequested, &replugger, &Replugger::replug);
    QObject::connect(&replugger, &Replugger::pluggedIn, &replugger,
                     [&announcement](const QString &path) { announcement.publish(path); });
    QObject::connect(&replugger, &Replugger::lost, app.get(), &endWithoutLine);

    std::unique_ptr<SimWindow> window;
    if (windowed) {
        window = std::make_unique<SimWindow>(&module, line.devicePath());
        QObject::connect(&replugger, &Replugger::pluggedIn, window.get(),
                         &SimWindow::setDevicePath);
        window->show();
    }
    const int status = app->exec();
    if (options.isSet("snapshot"))
        host.takeSnapshot();
    return status;
}
