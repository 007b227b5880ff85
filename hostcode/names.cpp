#include "hostcode/names.h"

#include <QFileInfo>
#include <QSet>

namespace hostcode {

namespace {

bool isNameCharacter(QChar c)
{
    const char latin = c.toLatin1(); // 0 beyond Latin-1
    return (latin >= 'a' && latin <= 'z') || (latin >= '0' && latin <= '9');
}

// A script file's name less its suffix; a title with no suffix stays whole,
// dots and all.
QString baseOf(const QString &scriptName)
{
    const QFileInfo info(scriptName);
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("vxscript") || suffix == QLatin1String("vxs") ||
        suffix == QLatin1String("txt"))
        return info.completeBaseName();
    return info.fileName();
}

QString trimmed(QString part, int size)
{
    part.truncate(size);
    while (part.endsWith(QLatin1Char('_')))
        part.chop(1);
    return part;
}

} // namespace

QString namePart(const QString &scriptName)
{
    return identifierPart(baseOf(scriptName), QStringLiteral("script"));
}

QString identifierPart(const QString &name, const QString &fallback)
{
    const QString base = name.toLower();
    QString part;
    bool gap = false;
    for (const QChar c : base) {
        if (isNameCharacter(c)) {
            if (gap && !part.isEmpty())
                part += QLatin1Char('_');
            part += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    part = trimmed(part, longestNamePart);
    return part.isEmpty() ? fallback : part;
}

QStringList uniqueNameParts(const QStringList &scriptNames)
{
    QStringList parts;
    QSet<QString> taken;
    for (const QString &name : scriptNames) {
        const QString wanted = namePart(name);
        QString part = wanted;
        for (int n = 2; taken.contains(part); ++n) {
            const QString tail = QStringLiteral("_%1").arg(n);
            part = trimmed(wanted, longestNamePart - tail.size()) + tail;
        }
        taken.insert(part);
        parts.append(part);
    }
    return parts;
}

QString buttonConstant(const QString &part, int button)
{
    return QStringLiteral("VEXEL_%1_BUTTON_%2").arg(part.toUpper()).arg(button);
}

QString namedButtonConstant(const QString &part, const QString &buttonName)
{
    return QStringLiteral("VEXEL_%1_BUTTON_%2")
        .arg(part.toUpper(), identifierPart(buttonName, QStringLiteral("button")).toUpper());
}

QString buttonEnumeration(const QString &part)
{
    return QStringLiteral("vexel_%1_button").arg(part);
}

QString drawFunction(const QString &part, Language language)
{
    return (language == Language::Python ? QStringLiteral("draw_")
                                         : QStringLiteral("vexel_draw_")) +
           part;
}

} // namespace hostcode
