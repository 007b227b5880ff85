#ifndef HOSTCODE_CODETEXT_H
#define HOSTCODE_CODETEXT_H

#include <QByteArray>
#include <QString>

// Small pieces of generated text, shared by the writers. Code is built as
// UTF-8 bytes straight away: a long script's arrays are most of the output,
// and going through QString for every byte would cost more than the rest.
namespace hostcode {

// The first line of every file the export writes. Its presence is how the
// export knows a file is its own and may be written over.
extern const char generatedMarker[];

// The marker line in a comment: `open` and `close` around it.
QByteArray markerLine(const char *open, const char *close);

// `text` on one line: control characters become spaces.
QByteArray lineText(const QString &text);

// `text` fit for the inside of a C comment: "*/", "/*" and "??" (a trigraph
// in C99) are broken apart, control characters become spaces.
QByteArray commentText(const QString &text);

// "0x3f"
QByteArray hexByte(int value);

// "line 4", or "lines 4 to 24".
QByteArray linesText(int first, int last);

// `size` bytes as C hex literals, "0x84, 0x00, " each.
void appendCBytes(QByteArray &out, const char *bytes, int size);

// `size` bytes as two lower-case hex digits each, nothing between.
void appendHex(QByteArray &out, const char *bytes, int size);

// `count` spaces.
void appendIndent(QByteArray &out, int count);

} // namespace hostcode

#endif // HOSTCODE_CODETEXT_H
