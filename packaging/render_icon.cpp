// Renders the program's SVG icon into the PNG sizes of the hicolor icon theme, so that every
// picture of the icon comes from the one drawing: render_icon ICON.svg FOLDER writes
// FOLDER/NxN/apps/torvanel.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: render_icon ICON.svg FOLDER\n", stderr);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");  // a build machine has no screen
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_icon: %s is not a usable SVG file\n", argv[1]);
    return 1;
  }
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder =
        QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1/apps").arg(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/torvanel.png"))) {
      std::fprintf(stderr, "render_icon: cannot write into %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
