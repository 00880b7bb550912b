#pragma once

#include <QSizeF>
#include <QString>
#include <vector>

namespace torvanel::test {

// A PDF read back by poppler's tools, an independent reader of what Qt wrote.
struct PdfFacts {
  // Each page's size in points, in page order (pdfinfo).
  std::vector<QSizeF> pageSizes;
  // The text of every page as pdftotext lays it out, pages separated by form feeds, in
  // compatibility form (NFKC). Ideographs whose glyph is also a radical outside the Kangxi block
  // (页 reads back as ⻚) do not fold: tests look for other characters.
  QString text;
};

// Fails the running test (and returns empty facts) when the tools cannot read the file.
PdfFacts readPdf(const QString& path);

// The text of one page (from 1) of `facts`.
QString pageText(const PdfFacts& facts, int page);

}  // namespace torvanel::test
