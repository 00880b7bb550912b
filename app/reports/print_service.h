#pragma once

#include <QString>

namespace torvanel {

// What the system's print service answered to the last job this thread handed it: empty when it
// took the job, else its own message ("… is not accepting jobs"). Qt hands a finished page to the
// service and does not look at the answer, so a refused job would pass for a printed one; ask this
// right after the job ends.
QString printServiceRefusal();

}  // namespace torvanel
