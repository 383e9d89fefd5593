#include "Nombres.h"

#include <limits>

namespace Nombres {

namespace {

// Reads digits from `i`; false when none. Saturates at the 64-bit limits.
bool lireChiffres(const QString& texte, int& i, bool negatif, qint64* valeur)
{
    const int debut = i;
    quint64 absolu = 0;
    bool deborde = false;
    const quint64 limite
        = negatif ? quint64(std::numeric_limits<qint64>::max()) + 1 : quint64(std::numeric_limits<qint64>::max());
    while (i < texte.size() && texte.at(i) >= QLatin1Char('0') && texte.at(i) <= QLatin1Char('9')) {
        const quint64 chiffre = texte.at(i).unicode() - u'0';
        if (!deborde && absolu > (limite - chiffre) / 10)
            deborde = true;
        if (!deborde)
            absolu = absolu * 10 + chiffre;
        ++i;
    }
    if (i == debut)
        return false;
    if (deborde)
        absolu = limite;
    *valeur = negatif ? qint64(0 - absolu) : qint64(absolu);
    return !deborde;
}

bool estEspace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

qint64 NombreEnTete(const QString& texte)
{
    int i = 0;
    while (i < texte.size() && estEspace(texte.at(i)))
        ++i;
    bool negatif = false;
    if (i < texte.size() && (texte.at(i) == QLatin1Char('-') || texte.at(i) == QLatin1Char('+'))) {
        negatif = texte.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 valeur = 0;
    const int debut = i;
    lireChiffres(texte, i, negatif, &valeur);
    return i == debut ? 0 : valeur;
}

bool NombreEntier(const QString& texte, qint64* valeur)
{
    const QString t = texte.trimmed();
    int i = 0;
    const bool negatif = t.startsWith(QLatin1Char('-'));
    if (negatif)
        i = 1;
    qint64 v = 0;
    if (!lireChiffres(t, i, negatif, &v) || i != t.size())
        return false;
    *valeur = v;
    return true;
}

} // namespace Nombres
