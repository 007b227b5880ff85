#include "app/datafiles.h"
#include "app/manualsource.h"
#include "ui/mainwindow.h"
#include "ui/manualview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstring>
#include <memory>

namespace {

// Options that only print need no display: over SSH, in a build or for
// help2man they run without a window system.
bool onlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version", "--check-data"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    }
    return false;
}

// Where the window would take its data from, for checking an installation.
// Fails when the style sheet or the manual is missing.
int checkData()
{
    QTextStream out(stdout);
    const QString style = findDataFile(QString::fromLatin1(styleSheetFileName));
    const QString font = findDataFile(QString::fromLatin1(fontFileName));
    const ManualSource manual =
        chooseManual(dataDirectories(), ManualView::canShow(manualDocumentName));
    const QString plugin = ManualView::webPagePluginPath();
    out << "style sheet: " << (style.isEmpty() ? QStringLiteral("not found") : style) << '\n'
        << "font: " << (font.isEmpty() ? QStringLiteral("built in") : font) << '\n'
        << "manual: "
        << (manual.url.isValid() ? manual.url.toLocalFile() : QStringLiteral("not found")) << '\n'
        << "manual page: "
        << (plugin.isEmpty() ? QStringLiteral("text browser")
                             : QStringLiteral("web view from ") + plugin)
        << '\n'
        << "looked in: " << dataDirectories().join(QStringLiteral(", ")) << '\n';
    return style.isEmpty() || !manual.url.isValid() ? 1 : 0;
}

// Read when the application is made.
void setWindowAttributes()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 scales windows by the screen's DPI by default; Qt 5 drew the fixed
    // 1280 x 722 form at half its size on a 200 % screen.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    // No widget of the bench draws with OpenGL, yet a window that might host
    // one makes the X11 platform load the GL driver before the window can
    // appear: about 40 ms of every start with Mesa's software driver.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
}

} // namespace

int main(int argc, char *argv[])
{
    setWindowAttributes();
    const std::unique_ptr<QCoreApplication> application(
        onlyPrints(argc, argv) ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A bench for the Vexel900 colour LCD module on a serial port: drive it by "
                       "hand, compose its Config.txt, prepare fonts, images and flash images, and "
                       "update its firmware.\n\n"
                       "The style sheet (style.qss), the Nova Square font (NovaSquare.ttf) and "
                       "the HTML manual are taken from the working directory when there, else "
                       "from the installed data (share/vexelbench beside the bin folder)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption checkDataOption(
        QStringLiteral("check-data"),
        QStringLiteral("Print where the style sheet, font and manual are found and exit; the "
                       "exit status is 1 when the style sheet or the manual is missing."));
    parser.addOption(checkDataOption);
    parser.process(*application);
    if (parser.isSet(checkDataOption))
        return checkData();

    MainWindow window;
    window.show();
    return application->exec();
}
