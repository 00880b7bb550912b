#pragma once

#include <QString>

namespace tdb {
struct CarryLosses;
}

namespace torvanel {

// The designer's refusal of a structure the table's format cannot hold, with the reason as its
// second line.
QString structureRefusal(const QString& reason);

// The question before a new structure replaces the old when it would lose values: how many
// would be cleared, cut short or dropped (only the kinds that occur).
QString lossQuestion(const tdb::CarryLosses& losses);

}  // namespace torvanel
