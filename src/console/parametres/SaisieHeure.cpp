#include "console/parametres/SaisieHeure.h"

namespace SaisieHeure {

namespace {

bool chiffreEntre(QChar c, char bas, char haut)
{
    return c >= QLatin1Char(bas) && c <= QLatin1Char(haut);
}

} // namespace

Decision Caractere(const QString& avant, QChar c)
{
    const int n = avant.size();
    if (n >= 5)
        return Decision::Refuser;
    if (c == QLatin1Char(':'))
        return (avant.contains(QLatin1Char(':')) || n <= 1) ? Decision::Refuser : Decision::Accepter;
    if (!chiffreEntre(c, '0', '9'))
        return Decision::Refuser;
    switch (n) {
    case 0:
        return chiffreEntre(c, '0', '2') ? Decision::Accepter : Decision::Refuser;
    case 1:
        return QString(avant + c).toInt() > 23 ? Decision::Refuser : Decision::Accepter;
    case 2:
        return chiffreEntre(c, '0', '5') ? Decision::AjouterDeuxPointsPuisAccepter : Decision::AjouterDeuxPoints;
    case 3:
        return chiffreEntre(c, '0', '5') ? Decision::Accepter : Decision::Refuser;
    default:
        return Decision::Accepter;
    }
}

Decision Retour(const QString& avant)
{
    return avant.size() == 5 ? Decision::Vider : Decision::Accepter;
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
