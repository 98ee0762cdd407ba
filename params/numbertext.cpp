#include "params/numbertext.h"

#include "base/enginetext.h"

#include <QLocale>

#include <cfenv>
#include <cmath>

QString numberText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
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
