#include "benchscripts.h"

QString drawingStatement(QRandomGenerator &random, int index)
{
    const auto x = [&] { return QString::number(random.bounded(320)); };
    const auto y = [&] { return QString::number(random.bounded(240)); };
    QString line;
    switch (random.bounded(10)) {
    case 0:
        line = QStringLiteral("SetXHY ") + x() + QLatin1Char(' ') + y();
        break;
    case 1:
        line = QStringLiteral("boxH ") + x() + QLatin1Char(' ') + y();
        break;
    case 2:
        line = QStringLiteral("boxHFill ") + x() + QLatin1Char(' ') + y();
        break;
    case 3:
        line = QStringLiteral("circleRH ") + QString::number(1 + random.bounded(120));
        break;
    case 4:
        line = QStringLiteral("LINE_TO_XHY ") + x() + QLatin1Char(' ') + y();
        break;
    case 5:
        line = QStringLiteral("H_LINEH 0x") + QString::number(random.bounded(320), 16);
        break;
    case 6:
        line = QStringLiteral("V_LINE ") + y();
        break;
    case 7:
        line = QStringLiteral("SetColorH #%1").arg(random.bounded(0x1000000), 6, 16, QChar('0'));
        break;
    case 8:
        line = QStringLiteral("arcH %1 %2 %3")
                   .arg(1 + random.bounded(120))
                   .arg(random.bounded(361))
                   .arg(random.bounded(361));
        break;
    default:
        line = QStringLiteral("printString \"Row %1\\t%2\"").arg(index).arg(random.bounded(1000));
        break;
    }
    if (index % 16 == 0)
        line += QStringLiteral("    # step %1").arg(index);
    return line;
}

QString drawingScript(int statements, int pingEvery)
{
    QRandomGenerator random(20240611);
    QString text;
    for (int i = 1; i <= statements; ++i) {
        text += drawingStatement(random, i) + QLatin1Char('\n');
        if (pingEvery > 0 && i % pingEvery == 0)
            text += i % (2 * pingEvery) ? QStringLiteral("ping\nexpect pong within 5s\n")
                                        : QStringLiteral("ping\nexpect 38 within 5s\n");
    }
    return text;
}

script::Script parsedOrDie(const QString &text)
{
    const script::ParseResult parsed = script::parseScript(text);
    if (!parsed.ok())
        qFatal("the benchmark's script does not read: %s",
               qPrintable(parsed.errors.first().toString()));
    return parsed.script;
}
