#pragma once

#include <QString>
#include <QStringList>

namespace torvanel {

// The system's own files: GBK text, one value a line, lines ending CR LF.

// The lines of a GBK text file, without their line ends (CR LF, LF or a lone CR at the end).
// A final line end does not start an empty last line. Throws FileError when the file cannot be
// read, a missing file included.
QStringList readGbkLines(const QString& path);

// The lines of GBK bytes, split as readGbkLines splits a file's.
QStringList gbkLines(const QByteArray& bytes);

// The GBK bytes of the lines, each ending CR LF, as writeGbkLines writes them.
QByteArray gbkLineBytes(const QStringList& lines);

// The lines of a user's text file, as readGbkLines gives them. The file is read as UTF-8, the
// usual encoding of text files here, when its bytes are valid UTF-8 and not plain ASCII;
// otherwise as GBK. Throws FileError as readGbkLines does.
QStringList readTextLines(const QString& path);

// Replaces the file with the lines, each ending CR LF. The text goes to a temporary file beside
// the target which is flushed to disk and renamed over it, so a crash or a full disk leaves either
// the old file or the new one, never a mixture. Throws FileError and leaves the old file as it
// was when anything fails.
void writeGbkLines(const QString& path, const QStringList& lines);

// Replaces the file with `bytes` in the same safe way.
void writeFileBytes(const QString& path, const QByteArray& bytes);

}  // namespace torvanel
