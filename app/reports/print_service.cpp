#include "app/reports/print_service.h"

#include <cups/cups.h>

namespace torvanel {

QString printServiceRefusal() {
  // The client library keeps the status of the last request per thread: Qt's job submission is
  // the last request of a print job's end.
  if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) return {};
  return QString::fromUtf8(cupsLastErrorString());
}

}  // namespace torvanel
