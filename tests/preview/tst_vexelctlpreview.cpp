// vexelctl check and vexelctl render, run as a build would run them.
#include "previewfiles.h"

#include "preview/rendercontext.h"
#include "preview/screenrender.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QString report() const { return QStringLiteral("exit %1: %2%3").arg(exitCode).arg(out, err); }
    QStringList errorLines() const { return err.split('\n', Qt::SkipEmptyParts); }
};

Run vexelctl(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(VEXELCTL_PATH, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {ok ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// Drawn in white on black: a frame, a box and a line of text.
const QString drawing = "SetColorH #000000\n"
                        "Cls\n"
                        "SetColorH #ffffff\n"
                        "SetXHY 10 10\n"
                        "boxH 100 60\n" // line 5
                        "SetXHY 120 20\n"
                        "boxHFill 140 40\n" // line 7
                        "SetXHY 20 100\n"
                        "printString \"Hi\"\n" // line 9
                        "setLayer 1\n"
                        "SetXHY 200 200\n"
                        "boxHFill 210 210\n"; // on the hidden layer 1

} // namespace

class TestVexelctlPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(dir.path(), name, bytes);
    }
    Run run(const QStringList &arguments) { return vexelctl(arguments, dir.path()); }

    static preview::RenderedScreen rendered(const QString &text, int afterLine = -1)
    {
        preview::ScreenRender render;
        render.setText(text);
        return render.screenAfter(afterLine < 0 ? render.stepCount()
                                                : render.stepsThrough(afterLine));
    }

private slots:
    void checkSaysWhatItFound()
    {
        file("clean.vxscript", drawing.toUtf8());
        file("warns.vxscript", "SetXHY 300 0\nprintString \"Hello\"\n");
        file("wrong.vxscript", "Cls\nboxH 1\nSetXHY 300 0\nprintString \"Hello\"\n");
        const Run clean = run({"check", "clean.vxscript"});
        QVERIFY2(clean.exitCode == 0 && clean.out.isEmpty() && clean.err.isEmpty(),
                 qPrintable(clean.report()));

        const Run warns = run({"check", "warns.vxscript", "clean.vxscript"});
        QCOMPARE(warns.exitCode, 1);
        QCOMPARE(warns.out, QString("warns.vxscript:2:1: warning: the text runs off the screen\n"));

        const Run wrong = run({"check", "clean.vxscript", "wrong.vxscript", "warns.vxscript"});
        QCOMPARE(wrong.exitCode, 2); // the worst of them
        QCOMPARE(wrong.out.split('\n', Qt::SkipEmptyParts),
                 QStringList({"wrong.vxscript:2:1: error: boxH takes 2 arguments (x y), got 1",
                              "warns.vxscript:2:1: warning: the text runs off the screen"}));
        QVERIFY(wrong.err.isEmpty());
    }

    void checkUsesTheListsAndTheCard()
    {
        file("lists/IMAGES/logo.vxp", vxpImage(8, 8, 0x07E0));
        file("lists/Config.txt",
             "[Fonts]\n[Images]\n000 = IMAGES/logo.vxp\n001 = IMAGES/gone.vxp\n");
        file("card/PIC.VXP", vxpImage(4, 4, 0xF800));
        file("assets.vxscript", "PUT_SF_ICON 1\nPUT_SF_ICON 2\nselect_font 0\n"
                                "sdPutIcon \"PIC.VXP\"\nsdPutIcon \"NOPE.VXP\"\n");
        const Run bare = run({"check", "assets.vxscript"});
        QCOMPARE(bare.exitCode, 0); // nothing known, nothing to say
        const Run known =
            run({"check", "assets.vxscript", "--config", "lists/Config.txt", "--card", "card"});
        QCOMPARE(known.exitCode, 1);
        QCOMPARE(known.out.split('\n', Qt::SkipEmptyParts),
                 QStringList({"assets.vxscript:2:13: warning: image 2 is not in the image list "
                              "(it has 2 images)",
                              "assets.vxscript:3:13: warning: font 0 is not in the font list "
                              "(it has 0 fonts)",
                              "assets.vxscript:5:1: warning: the card folder has no NOPE.VXP"}));
        // The listed file that cannot be read is one warning of its own.
        QCOMPARE(known.errorLines().size(), 1);
        QVERIFY2(known.err.startsWith("vexelctl: warning: ") && known.err.contains("gone.vxp"),
                 qPrintable(known.err));
    }

    void problemsAreOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fragment");
        const auto row = [](const char *name, const QStringList &arguments, const char *fragment) {
            QTest::newRow(name) << arguments << QString(fragment);
        };
        row("check, no script", {"check", "missing.vxscript"}, "cannot read missing.vxscript");
        row("check, card no folder", {"check", "clean.vxscript", "--card", "nothing"},
            "no such folder");
        row("check, no Config.txt", {"check", "clean.vxscript", "--config", "none.txt"},
            "none.txt");
        row("render, no output", {"render", "clean.vxscript"}, "give -o");
        row("render, bad scale", {"render", "clean.vxscript", "-o", "x.png", "--scale", "17"},
            "--scale takes a whole number from 1 to 16");
        row("render, bad layer", {"render", "clean.vxscript", "-o", "x.png", "--layer", "2"},
            "--layer takes composed, 0 or 1");
        row("render, no golden", {"render", "clean.vxscript", "--expect", "none.png"},
            "cannot read none.png");
    }

    void problemsAreOneLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, fragment);
        file("clean.vxscript", drawing.toUtf8());
        const Run failed = run(arguments);
        QCOMPARE(failed.exitCode, 2);
        QCOMPARE(failed.errorLines().size(), 1);
        QVERIFY2(failed.err.startsWith("vexelctl: ") && failed.err.contains(fragment),
                 qPrintable(failed.report()));
        QVERIFY(failed.out.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("x.png")));
    }

    void renderWritesTheScreen()
    {
        file("draw.vxscript", drawing.toUtf8());
        QVERIFY2(run({"render", "draw.vxscript", "-o", "screen.png"}).exitCode == 0, "render");
        const QImage screen(dir.filePath("screen.png"));
        QCOMPARE(screen.size(), QSize(320, 240));
        const preview::RenderedScreen expected = rendered(drawing);
        QCOMPARE(screen.convertToFormat(QImage::Format_RGB32),
                 expected.shown().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(screen.pixel(10, 10), qRgb(255, 255, 255));

        QCOMPARE(run({"render", "draw.vxscript", "-o", "big.png", "--scale", "3"}).exitCode, 0);
        const QImage big(dir.filePath("big.png"));
        QCOMPARE(big.size(), QSize(960, 720));
        QCOMPARE(big.pixel(32, 32), screen.pixel(10, 10)); // 30..32 is pixel 10
        QCOMPARE(big.pixel(29, 29), screen.pixel(9, 9));

        QCOMPARE(run({"render", "draw.vxscript", "-o", "one.png", "--layer", "1"}).exitCode, 0);
        const QImage layer(dir.filePath("one.png"));
        QCOMPARE(layer.pixel(205, 205), qRgb(255, 255, 255)); // hidden, still there
        QCOMPARE(screen.pixel(205, 205), qRgb(0, 0, 0));

        QCOMPARE(run({"render", "draw.vxscript", "-o", "early.png", "--after", "6"}).exitCode, 0);
        const QImage early(dir.filePath("early.png"));
        QCOMPARE(early.convertToFormat(QImage::Format_RGB32),
                 rendered(drawing, 6).shown().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(early.pixel(10, 10), qRgb(255, 255, 255)); // line 5 has run
        QCOMPARE(early.pixel(130, 30), qRgb(0, 0, 0));      // line 7 not yet
    }

    void aScriptWithMistakesRendersNothing()
    {
        file("wrong.vxscript", "Cls\nSetXHY 1\nClss\n");
        const QString kept = file("kept.png", "the old picture");
        const Run wrong = run({"render", "wrong.vxscript", "-o", "kept.png"});
        QCOMPARE(wrong.exitCode, 2);
        QCOMPARE(wrong.errorLines(),
                 QStringList({"wrong.vxscript:2:1: error: SetXHY takes 2 arguments (x y), got 1",
                              "wrong.vxscript:3:1: error: unknown command 'Clss' (did you mean "
                              "Cls?)"}));
        QCOMPARE(readAll(kept), QByteArray("the old picture"));
    }

    void goldenPictures()
    {
        file("draw.vxscript", drawing.toUtf8());
        QCOMPARE(run({"render", "draw.vxscript", "-o", "golden.png", "--scale", "2"}).exitCode, 0);
        const Run same = run({"render", "draw.vxscript", "--expect", "golden.png", "--scale", "2"});
        QVERIFY2(same.exitCode == 0 && same.err.isEmpty() && same.out.isEmpty(),
                 qPrintable(same.report()));
        QVERIFY(!QFileInfo::exists(dir.filePath("golden.diff.png")));

        // The script moved on: its box is one pixel wider.
        QString changed = drawing;
        changed.replace("boxHFill 140 40", "boxHFill 141 40");
        file("changed.vxscript", changed.toUtf8());
        const Run differs = run({"render", "changed.vxscript", "--expect", "golden.png", "--scale",
                                 "2", "-o", "now.png"});
        QCOMPARE(differs.exitCode, 1);
        // Column 141, rows 20 to 40, each pixel as 2 x 2.
        QCOMPARE(differs.errorLines(),
                 QStringList{"vexelctl: render: 84 pixels differ from golden.png, within 282,40 "
                             "to 283,81 (2 x 42); the difference is in now.diff.png"});
        const QImage now(dir.filePath("now.png"));
        QCOMPARE(now.pixel(282, 40), qRgb(255, 255, 255)); // written all the same
        const QImage diff(dir.filePath("now.diff.png"));
        QCOMPARE(diff.size(), QSize(640, 480));
        QCOMPARE(diff.pixel(283, 81), qRgb(255, 0, 0));
        QCOMPARE(diff.pixel(280, 40), qRgb(85, 85, 85)); // white, dimmed to a third
        QCOMPARE(diff.pixel(0, 0), qRgb(0, 0, 0));

        // Without -o the picture goes beside the golden one.
        QCOMPARE(
            run({"render", "changed.vxscript", "--expect", "golden.png", "--scale", "2"}).exitCode,
            1);
        QVERIFY(QFileInfo::exists(dir.filePath("golden.diff.png")));

        const Run sizes = run({"render", "draw.vxscript", "--expect", "golden.png"});
        QCOMPARE(sizes.exitCode, 1);
        QCOMPARE(sizes.errorLines(),
                 QStringList{"vexelctl: render: golden.png is 640 x 480 pixels, the screen "
                             "rendered 320 x 240"});
    }
};

QTEST_GUILESS_MAIN(TestVexelctlPreview)
#include "tst_vexelctlpreview.moc"
