#include "commands/outgoingfile.h"

namespace {
OutgoingFile refuse(OutgoingFile::Problem problem, const QString &reason = {})
{
    OutgoingFile refused;
    refused.problem = problem;
    refused.reason = reason;
    return refused;
}
} // namespace

OutgoingFile openOutgoingFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return refuse(OutgoingFile::Problem::Unreadable, file->errorString());

    const qint64 size = file->size();
    if (size > largestSendableFile)
        return refuse(OutgoingFile::Problem::TooLarge);
    // Some files open but fail on the first read (directories on some
    // systems, files on failing media).
    if (size > 0 && file->peek(1).isEmpty())
        return refuse(OutgoingFile::Problem::Unreadable, file->errorString());

    OutgoingFile accepted;
    accepted.file = std::move(file);
    accepted.size = size;
    return accepted;
}
