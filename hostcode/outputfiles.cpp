#include "hostcode/outputfiles.h"

#include "hostcode/codetext.h"

#include "files/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <vector>

namespace hostcode {

namespace {

// The marker stands on the first line, which is never longer than this.
constexpr int firstLineLimit = 512;

// Why the export may not write `path`, or nothing.
QString refusal(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    if (!info.isFile())
        return QStringLiteral("%1 is in the way: it is not a plain file").arg(path);
    if (!isGeneratedFile(path))
        return QStringLiteral("%1 was not written by the export (its first line has no "
                              "\"%2\"); move it away or export into another folder")
            .arg(path, QLatin1String(generatedMarker));
    return QString();
}

} // namespace

bool isGeneratedFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(firstLineLimit);
    const int end = head.indexOf('\n');
    return (end < 0 ? head : head.left(end)).contains(QByteArray(generatedMarker));
}

std::optional<QStringList>
writeGeneratedFiles(const QString &dir, const QVector<GeneratedFile> &files, QString &problem)
{
    if (!QFileInfo(dir).isDir()) {
        problem = QStringLiteral("%1 is no folder").arg(dir);
        return std::nullopt;
    }
    QStringList paths;
    for (const GeneratedFile &file : files) {
        paths.append(QDir(dir).filePath(file.name));
        problem = refusal(paths.last());
        if (!problem.isEmpty())
            return std::nullopt;
    }
    // Renamed only once every file is complete, so a full disk leaves the
    // old pair rather than a new header beside an old source.
    std::vector<std::unique_ptr<SafeFile>> written;
    for (int i = 0; i < files.size(); ++i) {
        written.push_back(std::make_unique<SafeFile>(paths.at(i)));
        SafeFile &out = *written.back();
        if (!out.open() || !out.write(files.at(i).bytes)) {
            problem = out.error();
            return std::nullopt;
        }
    }
    for (const std::unique_ptr<SafeFile> &out : written) {
        if (!out->commit()) {
            problem = out->error();
            return std::nullopt;
        }
    }
    return paths;
}

} // namespace hostcode
