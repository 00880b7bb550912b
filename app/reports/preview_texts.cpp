#include "app/reports/preview_texts.h"

#include <QtMath>

namespace torvanel {

namespace {

QString boundText(const QString& bound) {
  return bound == kOpenRange ? QStringLiteral("无") : bound.trimmed();
}

bool showsGroups(const ReportTemplate& t, const PreviewPlace& place) {
  return t.grouped() && place.current != 0;
}

}  // namespace

PreviewButtons previewButtons(const PreviewPlace& place) {
  if (place.current == 0) return {};
  PreviewButtons b{true, true, true, true, true};
  if (place.current == 1) b.first = b.previous = false;
  if (place.pageCount < place.current + place.across) b.next = b.last = false;
  if (place.pageCount == 1) b.goTo = false;
  return b;
}

QString pageStatus(const PreviewPlace& place) {
  if (place.current == 0) return QStringLiteral("空表预览");
  QString text = QStringLiteral("页数:%1").arg(place.current);
  if (place.across > 1)
    text += QStringLiteral("-%1").arg(qMin(place.current + place.across - 1, place.pageCount));
  return text + QStringLiteral("/%1").arg(place.pageCount);
}

QString groupRangeStatus(const ReportTemplate& t, const QString& rangeStart,
                         const QString& rangeEnd, const PreviewPlace& place) {
  if (!showsGroups(t, place)) return {};
  return QStringLiteral("分组字段:%1 起始:%2 结束:%3")
      .arg(t.groupField.trimmed(), boundText(rangeStart), boundText(rangeEnd));
}

QString currentGroupStatus(const ReportTemplate& t, const PageList& pages,
                           const PreviewPlace& place) {
  if (!showsGroups(t, place) || place.current > static_cast<int>(pages.pages.size())) return {};
  const PageEntry& page = pages.pages[place.current - 1];
  if (page.group < 1 || page.group > static_cast<int>(pages.groups.size())) return {};
  const GroupEntry& group = pages.groups[page.group - 1];
  return QStringLiteral("当前组:%1/%2/%3")
      .arg(page.pageInGroup)
      .arg(group.pages)
      .arg(group.value.trimmed());
}

int goToPage(const QString& typed, int pageCount) {
  bool ok = false;
  const int page = typed.trimmed().toInt(&ok);
  return ok && page >= 1 && page <= pageCount ? page : 1;
}

std::optional<int> chosenZoom(const QString& text) {
  bool ok = false;
  const int zoom = text.trimmed().toInt(&ok);
  if (!ok || zoom < 1 || zoom > 200) return std::nullopt;
  return zoom;
}

int fittingZoom(int viewHeight, int pageHeight) {
  if (pageHeight <= 0) return 100;
  return qBound(10, qRound((viewHeight - 50) * 100.0 / pageHeight), 100);
}

}  // namespace torvanel
