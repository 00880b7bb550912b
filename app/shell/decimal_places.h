#pragma once

#include "app/ui/dialogs.h"

namespace torvanel {

// The decimal places dialog: asks in an input box until the answer is a whole number from 0 to 12
// and returns it. A wrong answer is reported and asked again with the answer as the box's text;
// cancelling gives back the text shown, so the loop ends only with a valid number.
int askDecimalPlaces(Dialogs& dialogs, int currentPlaces);

}  // namespace torvanel
