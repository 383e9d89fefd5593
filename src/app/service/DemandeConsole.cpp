#include "DemandeConsole.h"

#include <cmath>

namespace {

// A JSON number holds whole numbers exactly up to 2^53.
constexpr double EntierExactMax = 9007199254740992.0;

bool entier(const QJsonValue& valeur, double minimum, double maximum)
{
    if (!valeur.isDouble())
        return false;
    const double v = valeur.toDouble();
    return std::isfinite(v) && std::floor(v) == v && v >= minimum && v <= maximum;
}

} // namespace

DemandeConsole::DemandeConsole(const QJsonObject& message) : m_message(message)
{
    const QJsonValue type = message.value(QStringLiteral("type"));
    if (!type.isString() || type.toString().isEmpty()) {
        refuser(QStringLiteral("Le service de mise à jour a reçu une demande sans type : elle est refusée."));
        return;
    }
    m_type = type.toString();
    const QJsonValue identifiant = message.value(QStringLiteral("demande"));
    if (!entier(identifiant, 1, EntierExactMax)) {
        refuser(QStringLiteral("La demande « ") + m_type
                + QStringLiteral(" » ne porte pas d'identifiant valide (un nombre entier positif) : elle est "
                                 "refusée par le service de mise à jour."));
        return;
    }
    m_identifiant = identifiant;
}

void DemandeConsole::refuser(const QString& raison)
{
    if (m_refus.isEmpty())
        m_refus = raison;
}

void DemandeConsole::refuserChamp(const char* cle, const QString& exigence)
{
    refuser(QStringLiteral("La demande « ") + m_type
            + QStringLiteral(" » est refusée par le service de mise à jour : le champ « ") + QLatin1String(cle)
            + QStringLiteral(" » ") + exigence);
}

QString DemandeConsole::Texte(const char* cle)
{
    const QJsonValue valeur = m_message.value(QLatin1String(cle));
    if (!Valide())
        return QString();
    if (!valeur.isString()) {
        refuserChamp(cle, QStringLiteral("doit être un texte."));
        return QString();
    }
    // A path read by the system up to its first null would name another file than the one
    // the service checked, compared or recorded.
    if (valeur.toString().contains(QChar(u'\0'))) {
        refuserChamp(cle, QStringLiteral("contient un caractère nul."));
        return QString();
    }
    return valeur.toString();
}

qint64 DemandeConsole::Entier(const char* cle, qint64 minimum, qint64 maximum)
{
    const QJsonValue valeur = m_message.value(QLatin1String(cle));
    if (!Valide())
        return 0;
    if (!entier(valeur, double(minimum), double(maximum))) {
        refuserChamp(cle,
                     QStringLiteral("doit être un nombre entier de ") + QString::number(minimum) + QStringLiteral(" à ")
                         + QString::number(maximum) + QLatin1Char('.'));
        return 0;
    }
    return qint64(valeur.toDouble());
}

bool DemandeConsole::Booleen(const char* cle)
{
    const QJsonValue valeur = m_message.value(QLatin1String(cle));
    if (!Valide() || valeur.isUndefined())
        return false;
    if (!valeur.isBool()) {
        refuserChamp(cle, QStringLiteral("doit valoir true ou false."));
        return false;
    }
    return valeur.toBool();
}
