#include "AccesServeurDistant.h"

#include "app/liaison/LienService.h"
#include "core/TableParametres.h"

#include <QJsonArray>

AccesServeurDistant::AccesServeurDistant(LienService& lien, QObject* parent) : AccesServeur(parent), m_lien(lien) { }

bool AccesServeurDistant::PosteConnecte(const QString& adresse) const
{
    for (const ServeurPostes::Session& s : m_sessions) {
        if (s.Etat == QAbstractSocket::ConnectedState && s.Adresse == adresse)
            return true;
    }
    return false;
}

void AccesServeurDistant::envoyer(const QString& type, QJsonObject message)
{
    message.insert(QStringLiteral("type"), type);
    m_lien.Envoyer(message);
}

void AccesServeurDistant::VerifierMaintenant()
{
    envoyer(QStringLiteral("verifier"));
}

void AccesServeurDistant::RetirerSession(int index)
{
    envoyer(QStringLiteral("fermerSession"), {{QStringLiteral("index"), index}});
}

void AccesServeurDistant::InstallerMajServeur(const QString& fichier, const QString& version, const QString& id)
{
    envoyer(QStringLiteral("installer"),
            {{QStringLiteral("fichier"), fichier}, {QStringLiteral("version"), version}, {QStringLiteral("id"), id}});
}

void AccesServeurDistant::PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                                                const QString& id)
{
    envoyer(QStringLiteral("planifier"),
            {{QStringLiteral("depart"), depart.toString(Qt::ISODate)},
             {QStringLiteral("fichier"), fichier},
             {QStringLiteral("version"), version},
             {QStringLiteral("id"), id}});
}

void AccesServeurDistant::ParametresEnregistres(const Parametres&)
{
    // The service reads the settings row again itself: the database is the one truth.
    envoyer(QStringLiteral("parametres"));
}

void AccesServeurDistant::DeplacerMaj(const QString& ancien, const QString& nouveau)
{
    envoyer(QStringLiteral("deplacer"), {{QStringLiteral("ancien"), ancien}, {QStringLiteral("nouveau"), nouveau}});
}

void AccesServeurDistant::Quitter()
{
    envoyer(QStringLiteral("arreter"));
}

bool AccesServeurDistant::Recevoir(const QJsonObject& message)
{
    const QString type = message.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("etat")) {
        lireEtat(message);
        return true;
    }
    if (type == QLatin1String("installationTerminee")) {
        emit InstallationTerminee(message.value(QStringLiteral("installee")).toBool());
        return true;
    }
    if (type != QLatin1String("deplacement"))
        return false;
    const QString quoi = message.value(QStringLiteral("quoi")).toString();
    const QJsonValue valeur = message.value(QStringLiteral("valeur"));
    if (quoi == QLatin1String("attente"))
        emit DeplacementAttente(valeur.toBool());
    else if (quoi == QLatin1String("debut"))
        emit DeplacementDebut(valeur.toInt());
    else if (quoi == QLatin1String("progression"))
        emit DeplacementProgression(valeur.toInt());
    else if (quoi == QLatin1String("anomalie"))
        emit DeplacementAnomalie(valeur.toString());
    else if (quoi == QLatin1String("echec"))
        emit DeplacementEchec(valeur.toString());
    else if (quoi == QLatin1String("termine"))
        emit DeplacementTermine(valeur.toBool());
    return true;
}

void AccesServeurDistant::lireEtat(const QJsonObject& m)
{
    const auto texte = [&m](const char* cle) {
        return m.value(QLatin1String(cle)).toString();
    };
    m_etat.Config.Service = texte("service");
    m_etat.ServeurUniDATA = texte("serveurUniDATA");
    m_etat.EmplacementMaj = texte("emplacement");
    m_etat.W_User = texte("utilisateur");
    m_etat.W_HeureVerif = texte("heure");
    const QJsonArray jours = m.value(QStringLiteral("jours")).toArray();
    for (std::size_t i = 0; i < m_etat.Jours.size(); ++i)
        m_etat.Jours[i] = jours.at(qsizetype(i)).toBool();
    m_etat.InstallationEnCours = m.value(QStringLiteral("installation")).toBool();
    m_etat.RapportEnAttente = m.value(QStringLiteral("rapport")).toBool();
    m_etat.FixerVerificationEnCours(m.value(QStringLiteral("verification")).toBool());
    m_sessions.clear();
    for (const QJsonValue& v : m.value(QStringLiteral("sessions")).toArray()) {
        const QJsonObject s = v.toObject();
        m_sessions.append({s.value(QStringLiteral("index")).toInt(),
                           QAbstractSocket::SocketState(s.value(QStringLiteral("etat")).toInt()),
                           s.value(QStringLiteral("adresse")).toString(), s.value(QStringLiteral("tag")).toString()});
    }
    const int postes = m.value(QStringLiteral("postes")).toInt();
    if (postes != m_postes) {
        m_postes = postes;
        emit PostesConnectesChange(postes);
    }
}
