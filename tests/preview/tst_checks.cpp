// The checks of vexelctl check: every warning at its line and column.
#include "previewfiles.h"

#include "preview/checks.h"
#include "preview/rendercontext.h"
#include "preview/screenrender.h"

#include <QTemporaryDir>
#include <QtTest>

using preview::Finding;
using preview::RenderContext;
using preview::ScreenRender;

namespace {

// What a finding says, in one line to compare.
QString lineOf(const Finding &finding)
{
    return QStringLiteral("%1:%2: %3: %4")
        .arg(finding.pos.line)
        .arg(finding.pos.column)
        .arg(preview::severityWord(finding.severity), finding.message);
}

QStringList linesOf(const QVector<Finding> &findings)
{
    QStringList lines;
    for (const Finding &finding : findings)
        lines << lineOf(finding);
    return lines;
}

} // namespace

class TestChecks : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    RenderContext listsAndCard; // one font, one 8 x 6 image, a card with PIC.VXP

    QStringList check(const QString &text, const RenderContext &context)
    {
        ScreenRender render(context);
        render.setText(text);
        return linesOf(preview::findingsOf(render));
    }

private slots:
    void initTestCase()
    {
        const QString font = writeFile(dir.path(), "small.vxf", pattern(100));
        const QString image = writeFile(dir.path(), "logo.vxp", vxpImage(8, 6, 0x07E0));
        writeFile(dir.filePath("card"), "PIC.VXP", vxpImage(5, 5, 0xF800));
        listsAndCard.setLists(*listsOf({font}, {image}));
        listsAndCard.setCardFolder(dir.filePath("card"));
    }

    void eachWarningAtItsPlace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("finding");
        const auto row = [](const char *name, const char *text, const char *finding) {
            QTest::newRow(name) << QString(text) << QString(finding);
        };
        row("box past the edge", "SetXHY 300 10\nboxH 330 20",
            "2:1: warning: drawing falls outside the screen");
        row("line wholly off", "SetXHY 400 10\n  H_LINEH 500",
            "2:3: warning: drawing lies off the screen: none of it shows");
        row("circle over the corner", "SetXHY 5 5\ncircleRH 10",
            "2:1: warning: drawing falls outside the screen");
        row("text runs off", "SetXHY 300 0\nprintString \"Hello\"",
            "2:1: warning: the text runs off the screen");
        row("text below the screen", "SetXHY 0 236\nPRINT_STRING_BG \"Hi\"",
            "2:1: warning: the text runs off the screen");
        row("text turned east", "setEast\nSetXHY 220 0\nprintString \"Hello\"",
            "3:1: warning: the text runs off the screen");
        row("text wholly off", "SetXHY 330 0\nprintString \"Hi\"",
            "2:1: warning: the text lies off the screen: none of it shows");
        row("image past the edge", "SetXHY 316 0\nPUT_SF_ICON 0",
            "2:1: warning: the image reaches past the edge of the screen");
        row("card image past the edge", "SetXHY 0 238\nsdPutIcon \"PIC.VXP\"",
            "2:1: warning: the image reaches past the edge of the screen");
        row("image not listed", "SetXHY 0 0\nPUT_SF_ICON    3",
            "2:16: warning: image 3 is not in the image list (it has 1 image)");
        row("font not listed", "select_font 2",
            "1:13: warning: font 2 is not in the font list (it has 1 font)");
        row("button image not listed", "buttonDef 1 1 0 5 0 10 10 20 20",
            "1:17: warning: button image 5 is not in the image list (it has 1 image)");
        row("card file missing", "sdPutIcon \"NOPE.VXP\"",
            "1:1: warning: the card folder has no NOPE.VXP");
        row("button past the edge", "buttonDef 1 1 0 0 0 310 10 20 20",
            "1:1: warning: button 1 reaches past the edge of the screen");
        row("overlapping buttons",
            "buttonDef 1 1 0 0 0 10 10 50 50\n\nbuttonDef 2 1 0 0 0 59 59 9 9",
            "3:1: warning: button 2 overlaps button 1 (line 1)");
        row("overlap turned",
            "buttonDef 1 1 0 0 0 300 0 20 20\nsetEast\nbuttonDef 2 1 0 0 0 0 0 5 5",
            "3:1: warning: button 2 overlaps button 1 (line 1)");
        row("bytes of no command", "send 99 21",
            "1:1: warning: the module skips 1 byte it reads as no command");
        row("parse error", "Cls\nSetXHY 1", "2:1: error: SetXHY takes 2 arguments (x y), got 1");
    }

    void eachWarningAtItsPlace()
    {
        QFETCH(QString, text);
        QFETCH(QString, finding);
        QCOMPARE(check(text, listsAndCard), QStringList{finding});
    }

    // Without lists or a folder, numbers and names cannot be checked.
    void nothingIsGuessed()
    {
        // The button is too small for its placeholder's label, which is no
        // reason to warn: its area is on the screen.
        const QString text = "select_font 9\nPUT_SF_ICON 3\nsdPutIcon \"NOPE.VXP\"\n"
                             "buttonDef 1 1 7 7 7 0 0 3 3\n";
        QCOMPARE(check(text, RenderContext()), QStringList());
        // Buttons that touch only at an edge do not overlap; deleted ones are gone.
        QCOMPARE(check("buttonDef 1 1 0 0 0 10 10 10 10\nbuttonDef 2 1 0 0 0 20 10 10 10\n"
                       "buttonState 1 0\nbuttonDef 3 1 0 0 0 10 10 5 5\n"
                       "buttonDef 2 1 0 0 0 30 10 10 10\n",
                       RenderContext()),
                 QStringList());
        // Whatever fits: a frame on the edge, the last cell of text, images
        // in the corner.
        QCOMPARE(check("SetColorH #ff0000\nCls\nSetXHY 0 0\nboxH 319 239\nSetXHY 314 232\n"
                       "printString \"A\"\nSetXHY 312 234\nPUT_SF_ICON 0\nSetXHY 315 235\n"
                       "sdPutIcon \"PIC.VXP\"\nselect_font 0\nbuttonDef 9 1 0 0 0 0 0 3 3\n",
                       listsAndCard),
                 QStringList());
    }

    void eachStatementIsNamedOnce()
    {
        const QString text = "SetXHY 0 0\n"
                             "repeat 5\n"
                             "  boxH 400 10\n"
                             "  buttonDef 3 1 0 0 0 0 0 9 9\n"
                             "end\n"
                             "buttonDef 1 1 0 0 0 0 0 5 5\n"
                             "buttonDef 2 1 0 0 0 4 4 5 5\n";
        QCOMPARE(check(text, RenderContext()),
                 QStringList({"3:3: warning: drawing falls outside the screen",
                              "6:1: warning: button 1 overlaps button 3 (line 4)",
                              "7:1: warning: button 2 overlaps button 1 (line 6)",
                              "7:1: warning: button 2 overlaps button 3 (line 4)"}));
    }

    // With errors, the lines before the first are still checked, in text order.
    void errorsAndWarningsInTextOrder()
    {
        const QString text = "SetXHY 310 0\n"
                             "printString \"off\"\n"
                             "Clss\n"
                             "boxH 400 400\n";
        QCOMPARE(check(text, RenderContext()),
                 QStringList({"2:1: warning: the text runs off the screen",
                              "3:1: error: unknown command 'Clss' (did you mean Cls?)",
                              "4:10: error: boxH y takes 0..255, not 400"}));
    }

    void aRunCutShortSaysWhere()
    {
        const QStringList found =
            check("Cls\nrepeat 1000000\n  repeat 2\n    wait 0ms\n  end\nend\n", RenderContext());
        QCOMPARE(found, QStringList{QStringLiteral("4:5: warning: the preview stops after %1 "
                                                   "statements run: from here on nothing is "
                                                   "shown or checked")
                                        .arg(ScreenRender::stepLimit)});
    }
};

QTEST_GUILESS_MAIN(TestChecks)
#include "tst_checks.moc"
