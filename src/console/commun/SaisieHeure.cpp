#include "console/commun/SaisieHeure.h"

namespace SaisieHeure {

namespace {

bool chiffreEntre(QChar c, char bas, char haut)
{
    return c >= QLatin1Char(bas) && c <= QLatin1Char(haut);
}

const QString& heures()
{
    static const QString texte = QStringLiteral("Les heures vont de 00 à 23.");
    return texte;
}

const QString& minutes()
{
    static const QString texte = QStringLiteral("Les minutes vont de 00 à 59.");
    return texte;
}

Verdict refus(const QString& raison)
{
    return {Decision::Refuser, raison};
}

} // namespace

Verdict Caractere(const QString& avant, QChar c)
{
    const int n = int(avant.size());
    if (n >= 5)
        return refus(QStringLiteral("L'heure est complète : Retour arrière l'efface pour en saisir une autre."));
    if (c == QLatin1Char(':')) {
        if (avant.contains(QLatin1Char(':')))
            return refus(QStringLiteral("L'heure ne contient qu'un seul « : »."));
        if (n <= 1)
            return refus(QStringLiteral("Saisissez les deux chiffres de l'heure avant « : » (par exemple 09:30)."));
        return {Decision::Accepter, {}};
    }
    if (!chiffreEntre(c, '0', '9'))
        return refus(QStringLiteral("L'heure se saisit en chiffres, sous la forme hh:mm (par exemple 09:30)."));
    switch (n) {
    case 0:
        if (chiffreEntre(c, '0', '2'))
            return {Decision::Accepter, {}};
        return refus(heures() + QStringLiteral(" Pour ") + c + QStringLiteral(" h, tapez 0") + c + QLatin1Char('.'));
    case 1:
        return QString(avant + c).toInt() > 23 ? refus(heures()) : Verdict{Decision::Accepter, {}};
    case 2:
        if (chiffreEntre(c, '0', '5'))
            return {Decision::AjouterDeuxPointsPuisAccepter, {}};
        return {Decision::AjouterDeuxPoints, minutes()};
    case 3:
        return chiffreEntre(c, '0', '5') ? Verdict{Decision::Accepter, {}} : refus(minutes());
    default:
        return {Decision::Accepter, {}};
    }
}

bool RetourVide(const QString& avant)
{
    return avant.size() == 5;
}

QRegularExpression Motif()
{
    return QRegularExpression(QStringLiteral("([01][0-9]|2[0-3]):[0-5][0-9]"));
}

bool EstValide(const QString& texte)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(Motif().pattern())).match(texte).hasMatch();
}

QString Completer(const QString& texte)
{
    const bool deuxPoints = texte.contains(QLatin1Char(':'));
    if (texte.size() == 2 && !deuxPoints)
        return texte + QStringLiteral(":00");
    if (texte.size() == 3 && deuxPoints)
        return texte + QStringLiteral("00");
    if (texte.size() == 4 && deuxPoints)
        return texte + QStringLiteral("0");
    return texte;
}

} // namespace SaisieHeure
