#include "AccesServeurDistant.h"

#include "app/liaison/LienService.h"
#include "core/Messages.h"
#include "core/TableParametres.h"

#include <QJsonArray>
#include <QTimer>

AccesServeurDistant::AccesServeurDistant(LienService& lien, QObject* parent) : AccesServeur(parent), m_lien(lien) { }

QString AccesServeurDistant::MessageServiceAbsent()
{
    return Messages::Joindre(QStringLiteral("Le service de mise à jour ne répond pas : la demande n'a pas pu lui être "
                                            "transmise et n'a pas été exécutée."),
                             QStringLiteral("Veuillez attendre son retour et essayez à nouveau."));
}

QString AccesServeurDistant::MessageDeplacementInterrompu()
{
    return QStringLiteral("Le service de mise à jour s'est arrêté pendant le déplacement : il le termine ou "
                          "l'annule à son prochain démarrage, et les paramètres enregistrés nomment le dossier qui "
                          "contient les mises à jour. Le dossier saisi n'est pas enregistré par cette console.");
}

bool AccesServeurDistant::PosteConnecte(const QString& adresse) const
{
    for (const ServeurPostes::Session& s : m_sessions) {
        if (s.Etat == QAbstractSocket::ConnectedState && s.Adresse == adresse)
            return true;
    }
    return false;
}

qint64 AccesServeurDistant::envoyer(const QString& type, QJsonObject message)
{
    const qint64 demande = ++m_derniere;
    message.insert(QStringLiteral("type"), type);
    message.insert(QStringLiteral("demande"), demande);
    return m_lien.Envoyer(message) ? demande : 0;
}

void AccesServeurDistant::VerifierMaintenant()
{
    if (!envoyer(QStringLiteral("verifier")))
        Messages::Afficher(nullptr, MessageServiceAbsent());
}

void AccesServeurDistant::RetirerSession(int index)
{
    if (!envoyer(QStringLiteral("fermerSession"), {{QStringLiteral("index"), index}}))
        Messages::Afficher(nullptr, MessageServiceAbsent());
}

void AccesServeurDistant::InstallerMajServeur(const QString& fichier, const QString& version, const QString& id)
{
    m_installation = envoyer(
        QStringLiteral("installer"),
        {{QStringLiteral("fichier"), fichier}, {QStringLiteral("version"), version}, {QStringLiteral("id"), id}});
    if (m_installation)
        return;
    Messages::Afficher(nullptr, MessageServiceAbsent());
    emit InstallationTerminee(false);
}

void AccesServeurDistant::PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                                                const QString& id)
{
    if (!envoyer(QStringLiteral("planifier"),
                 {{QStringLiteral("depart"), depart.toString(Qt::ISODate)},
                  {QStringLiteral("fichier"), fichier},
                  {QStringLiteral("version"), version},
                  {QStringLiteral("id"), id}}))
        Messages::Afficher(nullptr, MessageServiceAbsent());
}

void AccesServeurDistant::ParametresEnregistres(const Parametres&)
{
    // The service reads the settings row again itself: the database is the one truth. Saved
    // while it is away, they are read by its next start.
    envoyer(QStringLiteral("parametres"));
}

void AccesServeurDistant::DeplacerMaj(const QString& ancien, const QString& nouveau)
{
    m_deplacement = envoyer(QStringLiteral("deplacer"),
                            {{QStringLiteral("ancien"), ancien}, {QStringLiteral("nouveau"), nouveau}});
    if (m_deplacement)
        return;
    emit DeplacementEchec(MessageServiceAbsent());
    emit DeplacementTermine(false);
}

void AccesServeurDistant::Quitter()
{
    if (m_quitter)
        m_quitter();
    else
        DemanderArret();
}

bool AccesServeurDistant::DemanderArret()
{
    if (envoyer(QStringLiteral("arreter")))
        return true;
    Messages::Afficher(nullptr, MessageServiceAbsent());
    return false;
}

bool AccesServeurDistant::Repondre(const QString& question, QJsonObject reponse)
{
    reponse.insert(QStringLiteral("question"), question);
    return envoyer(QStringLiteral("reponse"), reponse) != 0;
}

void AccesServeurDistant::Deverrouiller(const QString& motDePasse)
{
    m_deverrouillage = envoyer(
        QStringLiteral("reponse"),
        {{QStringLiteral("question"), QStringLiteral("rapport")}, {QStringLiteral("motDePasse"), motDePasse}});
    if (!m_deverrouillage)
        emit DeverrouillageRefuse(MessageServiceAbsent());
}

bool AccesServeurDistant::Recevoir(const QJsonObject& message)
{
    const QString type = message.value(QStringLiteral("type")).toString();
    const qint64 demande = qint64(message.value(QStringLiteral("demande")).toDouble());
    if (type == QLatin1String("etat")) {
        lireEtat(message);
        return true;
    }
    if (type == QLatin1String("refusDemande")) {
        refus(demande, message.value(QStringLiteral("raison")).toString());
        return true;
    }
    if (type == QLatin1String("installationTerminee")) {
        if (demande != 0 && demande == m_installation) {
            m_installation = 0;
            emit InstallationTerminee(message.value(QStringLiteral("installee")).toBool());
        }
        return true;
    }
    if (type != QLatin1String("deplacement"))
        return false;
    // Only the course of this console's own move.
    if (demande == 0 || demande != m_deplacement)
        return true;
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
        finDeplacement(valeur.toBool());
    return true;
}

void AccesServeurDistant::finDeplacement(bool reussi)
{
    m_deplacement = 0;
    emit DeplacementTermine(reussi);
}

void AccesServeurDistant::refus(qint64 demande, const QString& raison)
{
    if (demande != 0 && demande == m_deplacement) {
        emit DeplacementEchec(raison);
        finDeplacement(false);
        return;
    }
    if (demande != 0 && demande == m_deverrouillage) {
        m_deverrouillage = 0;
        emit DeverrouillageRefuse(raison);
        return;
    }
    if (demande != 0 && demande == m_installation) {
        m_installation = 0;
        emit InstallationTerminee(false);
    }
    // Shown from the event loop, never from inside the socket's handler.
    QTimer::singleShot(0, this, [raison] { Messages::Afficher(nullptr, raison); });
}

void AccesServeurDistant::ServicePerdu()
{
    if (m_deplacement) {
        emit DeplacementEchec(MessageDeplacementInterrompu());
        finDeplacement(false);
    }
    if (m_installation) {
        m_installation = 0;
        emit InstallationTerminee(false);
    }
    m_deverrouillage = 0;
    m_sessions.clear();
    m_etat.InstallationEnCours = false;
    m_etat.RapportEnAttente = false;
    m_etat.FixerVerificationEnCours(false);
    if (m_postes != 0) {
        m_postes = 0;
        emit PostesConnectesChange(0);
    }
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
