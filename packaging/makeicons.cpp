// Writes the bench's icon as PNG files for the hicolor theme:
//   makeicons ICON OUTPUT_DIR SIZE...
// gives OUTPUT_DIR/<size>x<size>/apps/vexelbench.png for every size. The
// largest picture in ICON is the source. Sizes that are whole multiples of
// it are scaled pixel by pixel, which keeps a small pixel-art icon sharp
// where smoothing would blur it; other sizes are scaled smoothly.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

namespace {

QImage largestPicture(const QString &path, QString &error)
{
    QImageReader reader(path);
    QImage largest;
    do {
        const QImage picture = reader.read();
        if (picture.isNull())
            break;
        if (picture.width() * picture.height() > largest.width() * largest.height())
            largest = picture;
    } while (reader.jumpToNextImage());
    if (largest.isNull())
        error = QStringLiteral("cannot read %1: %2").arg(path, reader.errorString());
    return largest.convertToFormat(QImage::Format_ARGB32);
}

QImage scaledTo(const QImage &source, int size)
{
    const bool wholeMultiple = size >= source.width() && size % source.width() == 0 &&
                               size >= source.height() && size % source.height() == 0;
    return source.scaled(size, size, Qt::KeepAspectRatio,
                         wholeMultiple ? Qt::FastTransformation : Qt::SmoothTransformation);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        err << "usage: makeicons ICON OUTPUT_DIR SIZE...\n";
        return 2;
    }
    QString error;
    const QImage source = largestPicture(arguments.at(1), error);
    if (source.isNull()) {
        err << error << '\n';
        return 1;
    }
    const QDir output(arguments.at(2));
    for (const QString &sizeText : arguments.mid(3)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size <= 0) {
            err << "not a size: " << sizeText << '\n';
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = output.filePath(folder + QStringLiteral("/vexelbench.png"));
        if (!output.mkpath(folder) || !scaledTo(source, size).save(file, "PNG")) {
            err << "cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
