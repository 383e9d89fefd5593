#include "EcouteConsoles.h"

#include "CanalLocal.h"
#include "Liaison.h"
#include "core/Frm_Reseau.h"
#include "core/Messages.h"
#include "core/Sortie.h"
#include "platform/PairLocal.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

EcouteConsoles::EcouteConsoles(QObject* parent) : QObject(parent) { }

EcouteConsoles::~EcouteConsoles()
{
    Arreter();
}

bool EcouteConsoles::Ecouter(const QString& chemin, const QString& lien, QString* erreur)
{
    Arreter();
    m_serveur = new QLocalServer(this);
    // Anyone may knock: who is let in is decided from the kernel's word on each connection.
    m_serveur->setSocketOptions(QLocalServer::WorldAccessOption);
    // Only one server runs on a program folder (its lock is held): a socket there is a dead one's.
    QLocalServer::removeServer(chemin);
    if (!m_serveur->listen(chemin)) {
        *erreur = chemin + QStringLiteral(" : ") + m_serveur->errorString();
        delete m_serveur;
        m_serveur = nullptr;
        return false;
    }
    m_chemin = chemin;
    connect(m_serveur, &QLocalServer::newConnection, this, &EcouteConsoles::accepter);
    if (!lien.isEmpty() && QFileInfo(lien).absoluteFilePath() != QFileInfo(chemin).absoluteFilePath()) {
        QFile::remove(lien);
        if (!QFile::link(chemin, lien)) {
            *erreur = lien + QStringLiteral(" : le lien vers ") + chemin + QStringLiteral(" ne peut pas être créé");
            Arreter();
            return false;
        }
        m_lien = lien;
    }
    return true;
}

void EcouteConsoles::Arreter()
{
    // What was last said to the consoles leaves before the service does.
    for (CanalLocal* canal : std::as_const(m_attachees)) {
        // Nothing they sent is handled any more, even what is already read.
        canal->disconnect(this);
        if (canal->Socket())
            canal->Socket()->flush();
        canal->deleteLater();
    }
    m_attachees.clear();
    m_qui.clear();
    if (m_serveur) {
        m_serveur->close();
        delete m_serveur;
        m_serveur = nullptr;
        QFile::remove(m_chemin);
    }
    if (!m_lien.isEmpty())
        QFile::remove(m_lien);
    m_lien.clear();
}

void EcouteConsoles::Diffuser(const QJsonObject& message)
{
    for (CanalLocal* canal : std::as_const(m_attachees))
        canal->Envoyer(message);
}

void EcouteConsoles::Envoyer(int console, const QJsonObject& message)
{
    if (CanalLocal* canal = m_attachees.value(console))
        canal->Envoyer(message);
}

void EcouteConsoles::accepter()
{
    while (QLocalSocket* socket = m_serveur->nextPendingConnection()) {
        auto* canal = new CanalLocal(socket, this);
        connect(canal, &CanalLocal::Ferme, canal, &QObject::deleteLater);
        const PairLocal pair = PairLocal::Identifier(socket->socketDescriptor());
        if (!pair.Administrateur) {
            refuser(canal, pair.Nom, MessageNonAdministrateur(pair.Nom),
                    QStringLiteral("Console refusée : l'utilisateur ") + pair.Nom + QStringLiteral(" (processus ")
                        + QString::number(pair.Pid) + QStringLiteral(") n'est pas administrateur."));
            continue;
        }
        // A peer that never says who it is does not hold a connection for ever.
        auto* attente = new QTimer(canal);
        attente->setSingleShot(true);
        const QString utilisateur = pair.Nom;
        connect(attente, &QTimer::timeout, canal, [this, canal, utilisateur] {
            refuser(canal, utilisateur, QStringLiteral("La console ne s'est pas présentée à temps."),
                    QStringLiteral("Console refusée : l'utilisateur ") + utilisateur
                        + QStringLiteral(" ne s'est pas présenté à temps."));
        });
        attente->start(PresentationMs);
        const QString qui = QStringLiteral("l'utilisateur ") + pair.Nom + QStringLiteral(" (processus ")
            + QString::number(pair.Pid) + QLatin1Char(')');
        connect(canal, &CanalLocal::Recu, this, [this, canal, attente, qui, utilisateur](const QJsonObject& message) {
            attente->stop();
            disconnect(canal, &CanalLocal::Recu, this, nullptr);
            presentation(canal, message, qui, utilisateur);
        });
    }
}

void EcouteConsoles::presentation(CanalLocal* canal, const QJsonObject& message, const QString& qui,
                                  const QString& utilisateur)
{
    if (message.value(QStringLiteral("type")).toString() != QLatin1String("bonjour")) {
        refuser(canal, utilisateur, QStringLiteral("La console ne s'est pas présentée."),
                QStringLiteral("Console refusée : l'utilisateur ") + utilisateur
                    + QStringLiteral(" a envoyé un premier message inattendu."));
        return;
    }
    const QJsonValue version = message.value(QStringLiteral("version"));
    const QJsonValue protocole = message.value(QStringLiteral("protocole"));
    if (version.toString() != Liaison::Version() || !protocole.isDouble()
        || protocole.toDouble() != Liaison::Protocole) {
        const QString texte = MessageVersions(version, protocole);
        refuser(canal, utilisateur, texte,
                QStringLiteral("Console refusée (l'utilisateur ") + utilisateur + QStringLiteral(") : ") + texte);
        return;
    }
    const int numero = m_suivante++;
    m_attachees.insert(numero, canal);
    m_qui.insert(numero, qui);
    connect(canal, &CanalLocal::Recu, this, [this, numero](const QJsonObject& m) { emit Recu(numero, m); });
    connect(canal, &CanalLocal::Ferme, this, [this, numero, qui](const QString& raison) {
        if (!m_attachees.remove(numero))
            return;
        m_qui.remove(numero);
        // Cut off for what it did (garbage, too long a line, not reading) is an anomaly.
        Sortie::Ecrire(QStringLiteral("Console détachée : ") + qui
                           + (raison.isEmpty() ? QString() : QStringLiteral(", ") + raison) + QLatin1Char('.'),
                       raison.isEmpty() ? Sortie::Priorite::Information : Sortie::Priorite::Avertissement);
        emit Detachee(numero);
    });
    Sortie::Ecrire(QStringLiteral("Console attachée : ") + qui + QLatin1Char('.'));
    canal->Envoyer({{QStringLiteral("type"), QStringLiteral("bienvenue")},
                    {QStringLiteral("version"), Liaison::Version()},
                    {QStringLiteral("protocole"), Liaison::Protocole}});
    emit Attachee(numero);
}

QString EcouteConsoles::MessageNonAdministrateur(const QString& utilisateur)
{
    return Messages::Joindre(Frm_Reseau::MessageNonAdministrateur(),
                             QStringLiteral("L'utilisateur ") + utilisateur
                                 + QStringLiteral(" n'est ni root ni membre des groupes sudo, wheel ou admin."));
}

QString EcouteConsoles::MessageVersions(const QJsonValue& version, const QJsonValue& protocole)
{
    const QString saVersion = version.isString() ? version.toString() : QStringLiteral("inconnue");
    const QString sonProtocole
        = protocole.isDouble() ? QString::number(protocole.toDouble()) : QStringLiteral("inconnu");
    return QStringLiteral("La console (version ") + saVersion + QStringLiteral(", protocole ") + sonProtocole
        + QStringLiteral(") ne correspond pas au service de mise à jour (version ") + Liaison::Version()
        + QStringLiteral(", protocole ") + QString::number(Liaison::Protocole)
        + QStringLiteral(") : installez la même version des deux.");
}

QString EcouteConsoles::Qui(int console) const
{
    return m_qui.value(console, QStringLiteral("une console"));
}

void EcouteConsoles::refuser(CanalLocal* canal, const QString& utilisateur, const QString& raisonConsole,
                             const QString& raisonJournal)
{
    m_refus.Noter(utilisateur, raisonJournal);
    canal->Envoyer({{QStringLiteral("type"), QStringLiteral("refus")}, {QStringLiteral("raison"), raisonConsole}});
    // A refused console is given the time to read why, unless too many are already held that way:
    // someone knocking in a loop holds no more than a few connections.
    if (m_refusEnCours >= RefusEnCoursMax) {
        canal->Couper();
        return;
    }
    ++m_refusEnCours;
    connect(canal, &QObject::destroyed, this, [this] { --m_refusEnCours; });
    canal->Fermer();
}
