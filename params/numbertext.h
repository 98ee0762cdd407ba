#pragma once

#include <QString>

// Numbers as the window shows and journals them: the user's locale (decimal
// comma under ru_RU), no group separators, whole numbers without a fraction,
// other values without trailing zeros.
QString numberText(double value);

// Read-out rule of the diagram: rounded to two decimals (halves to even),
// then numberText, then " В".
QString voltsReadout(double volts);

// Rounds halves to even, as the original runtime did wherever a real was
// stored into an integer.
double roundHalfEven(double value);
