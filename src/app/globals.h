#pragma once

// The two variables that outlive single handlers. Program start makes
// `lineFields` a list of two empty members and empties `currentLine`; the
// exit step releases both.

#include "text/text.h"

namespace tarnwell {

extern Text currentLine;
extern TextList lineFields;

// Program start's step for the two: `currentLine` empty, `lineFields` two
// empty members.
void CreateGlobals();
// The exit step: both released.
void ReleaseGlobals();

}
