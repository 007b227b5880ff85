#ifndef VXPIMAGE_H
#define VXPIMAGE_H

// The .vxp image: a header (see VxpHeader) and then one colour word per
// pixel, low byte first, rows from the top, each from the left. Pixels whose
// word equals the header's transparent word are not drawn by the module.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The header for a picture of `width` x `height` pixels, which must be
// within VxpHeader::maxWidth and VxpHeader::maxHeight.
QByteArray vxpHeader(int width, int height, quint16 transparentColor);

struct VxpPicture
{
    QImage image;    // Format_ARGB32; null when the file cannot be shown
    QString problem; // one line saying why; empty when there is an image
};

// The picture in a .vxp file's bytes. Pixels in the transparent word keep
// their colour but get alpha 0; every colour is widened back to 8 bits so
// that rgb565() of a pixel gives its stored word. Bytes after the last pixel
// are ignored. `name` only goes into the problem text.
VxpPicture decodeVxp(const QByteArray &bytes, const QString &name = QStringLiteral("the file"));

// The picture in a file, for the preview: a .vxp decoded as above, anything
// else through the platform's image readers.
VxpPicture previewImage(const QString &path);

// `picture` drawn over grey and white squares of `cell` pixels, so that
// transparent pixels show as a checkerboard.
QImage withCheckerboard(const QImage &picture, int cell = 8);

struct VxpOptions
{
    // Pixels with alpha below 128 become this colour's word. Without it the
    // file gets a transparent word that no pixel has, and pixels with little
    // alpha are stored as the colour they carry, since nothing can vanish.
    std::optional<QColor> transparent;
    bool dither = false; // Floyd-Steinberg
    bool fit = false;    // scale a picture beyond the limits down to fit them
};

struct VxpConversion
{
    QByteArray bytes; // the whole .vxp file; empty when refused
    // Why it was refused, one line for the caller to put after the picture's
    // name: "400 pixels tall; a .vxp holds at most 255 rows (use fit ...)".
    QString error;
    quint16 transparentWord = 0;
    // Opaque pixels that share the chosen transparent word: the module will
    // not draw them. They are left as they are, for the caller to report.
    int opaqueInTransparent = 0;
    QSize size; // after any scaling
    bool scaled = false;
};

// The .vxp file for `picture`. Each opaque pixel gets the word of its
// (unpremultiplied) colour, or with `dither` a word chosen by error
// diffusion, rows all scanned left to right. Without a transparent colour the
// header gets magenta (0xF81F) when no pixel has it, else the lowest word no
// pixel has; a picture with every word is refused.
VxpConversion convertToVxp(const QImage &picture, const VxpOptions &options);

#endif // VXPIMAGE_H
