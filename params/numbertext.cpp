#include "params/numbertext.h"

#include "base/enginetext.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <optional>

QString numberText(double value)
{
    // Setting the number options copies the locale, so the copy is kept
    // until the default locale changes (the window's language does that).
    thread_local std::optional<QLocale> base;
    thread_local QLocale locale;
    if (const QLocale current; base != current) {
        base = current;
        locale = current;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    }
    // Fifteen significant digits is what a double holds reliably; 'g' drops
    // trailing zeros, so 2.0 gives "2" and 0.7 gives "0,7".
    return locale.toString(value, 'g', 15);
}

double roundHalfEven(double value)
{
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    return r;
}

QString voltsReadout(double volts)
{
    return numberText(roundHalfEven(volts * 100.0) / 100.0) +
           engineText(QT_TRANSLATE_NOOP("Engine", " В"));
}
