// The Config.txt reader on arbitrary file contents. The reader takes a path,
// so every input goes to a file of its own: the settings library caches
// files by name and would otherwise answer from the previous input.
#include "fuzzcheck.h"

#include "config/configreader.h"

namespace {

void checkStartup(const StartupUpdate &update)
{
    FUZZ_CHECK(update.transmitter != std::optional<Transmitter>(Transmitter::Usb));
    FUZZ_CHECK(update.brightness >= 0 && update.brightness <= 255);
    if (update.baudRateIndex)
        FUZZ_CHECK(*update.baudRateIndex >= 0 && *update.baudRateIndex < baudRates().size());
    for (const std::optional<int> &value : {update.imageNumber, update.imageX, update.imageY}) {
        if (!value)
            continue;
        FUZZ_CHECK(update.enableImageFields);
        FUZZ_CHECK(*value >= 0 && *value <= 0xFFFF && *value != 9999);
    }
}

void checkPaths(const QStringList &paths, const QString &folder)
{
    for (const QString &path : paths)
        FUZZ_CHECK(path.startsWith(folder + QLatin1Char('/')));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int inputs = 0;
    const QByteArray content = fuzz::bytesOf(data, size);
    const QString folder = fuzz::scratchFolder();
    const QString path = QStringLiteral("%1/Config%2.txt").arg(folder).arg(++inputs);
    fuzz::writeFile(path, content);
    const ConfigReading reading = readConfigFile(path);
    QFile::remove(path);

    if (content.contains('\0'))
        FUZZ_CHECK(!reading.file);
    if (!reading.file) {
        FUZZ_CHECK(!reading.error.isEmpty());
        return 0;
    }
    const ConfigFile &config = *reading.file;
    FUZZ_CHECK(config.text == QString::fromUtf8(content));
    checkStartup(config.startup);
    checkPaths(config.fontPaths, folder);
    checkPaths(config.imagePaths, folder);
    // Every list entry needs a line of its own.
    const int lines = content.count('\n') + content.count('\r') + 1;
    FUZZ_CHECK(config.fontPaths.size() + config.imagePaths.size() <= lines);
    return 0;
}
