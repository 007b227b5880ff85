#ifndef CLI_FILEINFO_H
#define CLI_FILEINFO_H

#include <QString>
#include <QStringList>

// What "vexelctl info" shows of one file: "key: value" lines, or one line
// saying why nothing can be shown.
struct FileDescription
{
    QStringList lines;
    QString problem;
};

inline QString field(const QString &key, const QString &value)
{
    return key + QStringLiteral(": ") + value;
}

inline QString field(const QString &key, qint64 value)
{
    return field(key, QString::number(value));
}

inline QString sizeLine(qint64 size)
{
    return field(QStringLiteral("size"), QStringLiteral("%1 bytes").arg(size));
}

// "63519 (0xf81f)".
inline QString decimalAndHex(quint32 value, int hexDigits)
{
    return QStringLiteral("%1 (0x%2)").arg(value).arg(value, hexDigits, 16, QLatin1Char('0'));
}

// The header and directories of a .vxs flash image.
FileDescription describeFlashImage(const QString &path);

#endif // CLI_FILEINFO_H
