#ifndef OUTGOINGFILE_H
#define OUTGOINGFILE_H

#include <QFile>
#include <QString>

#include <memory>

// The size field of a card write is 32 bits wide.
constexpr qint64 largestSendableFile = 0xFFFFFFFFLL;

// A local file checked before anything of it is sent to the card.
struct OutgoingFile
{
    enum class Problem
    {
        None,
        Unreadable,
        TooLarge
    };

    std::unique_ptr<QFile> file; // open for reading when there is no problem
    qint64 size = 0;
    Problem problem = Problem::None;
    QString reason; // the system's words for an unreadable file
};

// Opens `path` and makes sure its first bytes can be read, so that a refusal
// happens before the command head goes out.
OutgoingFile openOutgoingFile(const QString &path);

#endif // OUTGOINGFILE_H
