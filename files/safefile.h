#ifndef SAFEFILE_H
#define SAFEFILE_H

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A file written whole or not at all. The bytes go to a temporary file in
// the target's folder, which is flushed and synced and only then renamed
// over the target, so a crash, a full disk or a pulled card never leaves a
// partial file under the target's name and an existing file stays as it was
// until the new one is complete. Anything not committed is thrown away.
class SafeFile
{
public:
    explicit SafeFile(const QString &path);
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    bool open();
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    bool commit();
    void discard();

    // For writers that need the device itself (QImage::save, copy_file_range).
    QFileDevice &device() { return file; }
    // One line: what failed, on which file, and why.
    QString error() const { return problem; }

private:
    bool fail(const QString &what, const QString &why);

    QSaveFile file;
    QString problem;
};

// Why `path` cannot be written as a plain file, in words that follow its
// name: "it is a folder", a device or a pipe, or "its folder does not
// exist". Empty when it can be tried.
QString outputPathProblem(const QString &path);

// Writes `bytes` to `path` through a SafeFile; on failure `error` says why.
bool writeFileSafely(const QString &path, const QByteArray &bytes, QString &error);

#endif // SAFEFILE_H
