#include "ClientPoste.h"

#include "platform/TexteFil.h"
#include "workstations/ProtocoleTransfert.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

QString texte(const QByteArray& octets)
{
    return TexteFil::depuisOctets(octets);
}

// A reply shown to a person: the separator byte of lists as ", ", control bytes as dots.
QString lisible(const QByteArray& octets)
{
    QString t = texte(octets.left(200));
    for (QChar& c : t) {
        if (c.unicode() < 0x20)
            c = QLatin1Char('.');
    }
    return octets.size() > 200 ? t + QStringLiteral("…") : t;
}

} // namespace

ClientPoste::ClientPoste(const OptionsPoste& options, QObject* parent) : QObject(parent), m_options(options)
{
    m_delai.setSingleShot(true);
    m_delai.setInterval(m_options.Delai);
    connect(&m_delai, &QTimer::timeout, this, &ClientPoste::delaiEcoule);
    m_silence.setSingleShot(true);
    m_silence.setInterval(100);
    connect(&m_silence, &QTimer::timeout, this, &ClientPoste::repondre);
    for (QTcpSocket* prise : {&m_controle, &m_transfert}) {
        connect(prise, &QTcpSocket::readyRead, this, [this, prise] {
            if (prise == m_attendue)
                arrivee();
        });
        connect(prise, &QTcpSocket::errorOccurred, this, [this, prise] {
            if (prise == m_attendue)
                echouer(QStringLiteral("connexion perdue avec le serveur (") + prise->errorString()
                        + QStringLiteral(")."));
        });
    }
}

void ClientPoste::Lancer()
{
    const OptionsPoste& o = m_options;
    if (o.UtiliseControle())
        m_etapes.push_back([this] { connecter(m_controle, m_options.PortControle, QStringLiteral("contrôle")); });
    if (!o.Utilisateur.isEmpty())
        m_etapes.push_back([this] { annoncer(); });
    if (!o.Version.isEmpty())
        m_etapes.push_back([this] { demanderListe(); });
    if (!o.Recuperer.isEmpty() || o.Telecharger) {
        m_etapes.push_back([this] { connecter(m_transfert, m_options.PortTransfert, QStringLiteral("transfert")); });
        for (const QString& version : o.Recuperer)
            m_etapes.push_back([this, version] { recuperer(version); });
        // The files of the list are queued once the list has come.
    }
    if (!o.Signaler.isEmpty())
        m_etapes.push_back([this] { signaler(); });
    suivant();
}

void ClientPoste::suivant()
{
    if (m_fini)
        return;
    if (m_etapes.empty()) {
        m_fini = true;
        m_controle.disconnectFromHost();
        m_transfert.disconnectFromHost();
        emit Fini(0);
        return;
    }
    auto etape = std::move(m_etapes.front());
    m_etapes.pop_front();
    etape();
}

void ClientPoste::echouer(const QString& raison)
{
    if (m_fini)
        return;
    m_fini = true;
    m_delai.stop();
    m_silence.stop();
    if (m_fichier.isOpen())
        m_fichier.remove();
    std::fprintf(stderr, "Erreur : %s\n", raison.toLocal8Bit().constData());
    m_controle.abort();
    m_transfert.abort();
    emit Fini(1);
}

void ClientPoste::dire(const QString& texte)
{
    std::printf("%s\n", texte.toLocal8Bit().constData());
    std::fflush(stdout);
}

void ClientPoste::connecter(QTcpSocket& prise, quint16 port, const QString& canal)
{
    const QString cible = m_options.Hote + QLatin1Char(':') + QString::number(port);
    auto* contexte = new QObject(this);
    connect(&prise, &QTcpSocket::connected, contexte, [this, contexte, cible, canal] {
        delete contexte;
        m_delai.stop();
        dire(QStringLiteral("Connecté au serveur ") + cible + QStringLiteral(" (canal de ") + canal
             + QStringLiteral(")."));
        suivant();
    });
    connect(&prise, &QTcpSocket::errorOccurred, contexte, [this, contexte, cible, &prise] {
        delete contexte;
        echouer(QStringLiteral("connexion impossible à ") + cible + QStringLiteral(" (") + prise.errorString()
                + QStringLiteral(")."));
    });
    m_delai.start();
    prise.connectToHost(m_options.Hote, port);
}

void ClientPoste::envoyer(QTcpSocket& prise, const QString& message)
{
    prise.write(TexteFil::versOctets(message));
}

void ClientPoste::attendre(QTcpSocket& prise, Forme forme, std::function<void(const QByteArray&)> suite)
{
    m_attendue = &prise;
    m_forme = forme;
    m_recu.clear();
    m_suite = std::move(suite);
    m_delai.start(forme == Forme::Optionnelle ? m_options.AttenteAnnonce : m_options.Delai);
    if (prise.bytesAvailable() > 0)
        arrivee();
}

void ClientPoste::arrivee()
{
    if (m_fichier.isOpen()) {
        arriveeFichier();
        return;
    }
    m_recu += m_attendue->readAll();
    // Replies of six characters are whole at once; a list may come in several pieces: it is
    // whole once nothing more comes for a moment. A size comes as one piece.
    if (m_forme == Forme::Taille || (m_recu.size() >= 6 && !m_recu.startsWith("MAJOK1|"))) {
        repondre();
        return;
    }
    m_silence.start();
}

void ClientPoste::repondre()
{
    m_delai.stop();
    m_silence.stop();
    m_attendue = nullptr;
    auto suite = std::move(m_suite);
    m_suite = nullptr;
    if (suite)
        suite(m_recu);
}

void ClientPoste::delaiEcoule()
{
    if (m_forme == Forme::Optionnelle && !m_fichier.isOpen() && m_attendue && m_recu.isEmpty()) {
        repondre();
        return;
    }
    if (m_attendue == nullptr && !m_fichier.isOpen()) {
        echouer(QStringLiteral("le serveur ne répond pas (délai de ") + QString::number(m_options.Delai)
                + QStringLiteral(" ms dépassé)."));
        return;
    }
    echouer(QStringLiteral("pas de réponse complète du serveur dans le délai de ") + QString::number(m_options.Delai)
            + QStringLiteral(" ms."));
}

void ClientPoste::annoncer()
{
    envoyer(m_controle, QStringLiteral("NOMUSR ") + m_options.Utilisateur);
    attendre(m_controle, Forme::Optionnelle, [this](const QByteArray& reponse) {
        if (reponse.isEmpty()) {
            dire(QStringLiteral("Utilisateur « ") + m_options.Utilisateur + QStringLiteral(" » annoncé."));
        } else if (reponse == "MAJSRV") {
            dire(QStringLiteral("Utilisateur « ") + m_options.Utilisateur
                 + QStringLiteral(" » annoncé : des mises à jour du serveur attendent leur installation (MAJSRV)."));
        } else if (reponse == "INSSRV") {
            echouer(QStringLiteral("le serveur installe une mise à jour ; réessayez plus tard (INSSRV)."));
            return;
        } else {
            echouer(QStringLiteral("réponse inattendue à l'annonce : « ") + lisible(reponse) + QStringLiteral(" »."));
            return;
        }
        suivant();
    });
}

void ClientPoste::demanderListe()
{
    envoyer(m_controle, QStringLiteral("VMAJ01#") + m_options.Version);
    attendre(m_controle, Forme::Controle, [this](const QByteArray& reponse) {
        if (reponse == "MAJOK0") {
            dire(QStringLiteral("Le poste en version ") + m_options.Version + QStringLiteral(" est à jour (MAJOK0)."));
        } else if (reponse.startsWith("MAJOK1|")) {
            const QStringList versions = texte(reponse.mid(7)).split(QChar(0xFE));
            dire(QStringLiteral("Mises à jour à installer, dans l'ordre : ") + versions.join(QStringLiteral(", "))
                 + QStringLiteral(" (MAJOK1)."));
            if (m_options.Telecharger) {
                // After the transfer connection, already queued, and before the report.
                auto position = m_etapes.begin() + 1;
                for (const QString& version : versions)
                    position = m_etapes.insert(position, [this, version] { recuperer(version); }) + 1;
            }
        } else if (reponse == "INSSRV") {
            echouer(QStringLiteral("le serveur installe une mise à jour ; réessayez plus tard (INSSRV)."));
            return;
        } else {
            echouer(QStringLiteral("réponse inattendue à la demande de liste : « ") + lisible(reponse)
                    + QStringLiteral(" »."));
            return;
        }
        suivant();
    });
}

void ClientPoste::signaler()
{
    const QString ip = m_options.AdresseIP.isEmpty() ? m_controle.localAddress().toString() : m_options.AdresseIP;
    envoyer(m_controle,
            QStringLiteral("ENRMAJ ") + m_options.Poste + QLatin1Char('#') + m_options.Signaler + QLatin1Char('#')
                + m_options.AdresseMAC + QLatin1Char('#') + ip);
    attendre(m_controle, Forme::Optionnelle, [this](const QByteArray& reponse) {
        if (reponse == "INSSRV") {
            echouer(QStringLiteral("le serveur installe une mise à jour ; réessayez plus tard (INSSRV)."));
            return;
        }
        if (!reponse.isEmpty()) {
            echouer(QStringLiteral("réponse inattendue à la déclaration : « ") + lisible(reponse)
                    + QStringLiteral(" »."));
            return;
        }
        dire(QStringLiteral("Version ") + m_options.Signaler + QStringLiteral(" déclarée installée pour le poste ")
             + m_options.Poste + QStringLiteral("."));
        suivant();
    });
}

void ClientPoste::recuperer(const QString& version)
{
    envoyer(m_transfert, QStringLiteral("RCPMAJ ") + version);
    attendre(m_transfert, Forme::Taille, [this, version](const QByteArray& reponse) {
        if (reponse == "ERREURTRANS") {
            echouer(QStringLiteral("version ") + version
                    + QStringLiteral(" : le serveur ne peut pas envoyer ce fichier (ERREURTRANS)."));
            return;
        }
        bool ok = false;
        const qint64 taille = reponse.toLongLong(&ok);
        if (!ok || taille < 0) {
            echouer(QStringLiteral("version ") + version + QStringLiteral(" : taille illisible « ") + lisible(reponse)
                    + QStringLiteral(" »."));
            return;
        }
        recevoirFichier(version, taille);
    });
}

void ClientPoste::recevoirFichier(const QString& version, qint64 taille)
{
    QDir().mkpath(m_options.Dossier);
    m_fichier.setFileName(QDir(m_options.Dossier).filePath(version + QStringLiteral(".part")));
    if (!m_fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        echouer(QStringLiteral("impossible d'écrire ") + m_fichier.fileName() + QStringLiteral(" (")
                + m_fichier.errorString() + QStringLiteral(")."));
        return;
    }
    m_versionFichier = version;
    m_taille = taille;
    m_recuFichier = 0;
    m_attenduFlux = TailleFlux(taille);
    m_bourrageCorrect = true;
    m_attendue = &m_transfert;
    m_delai.start(m_options.Delai);
    envoyer(m_transfert, QStringLiteral("OKMAJ0"));
}

void ClientPoste::arriveeFichier()
{
    m_delai.start(m_options.Delai);
    while (m_transfert.bytesAvailable() > 0 && m_recuFichier < m_attenduFlux) {
        const QByteArray morceau = m_transfert.read(qMin<qint64>(m_attenduFlux - m_recuFichier, 1 << 20));
        const qint64 utile = qBound<qint64>(0, m_taille - m_recuFichier, morceau.size());
        if (utile > 0 && m_fichier.write(morceau.constData(), utile) != utile) {
            echouer(QStringLiteral("écriture impossible dans ") + m_fichier.fileName() + QStringLiteral("."));
            return;
        }
        for (qint64 i = utile; i < morceau.size(); ++i) {
            if (morceau.at(i) != ' ')
                m_bourrageCorrect = false;
        }
        m_recuFichier += morceau.size();
    }
    if (m_recuFichier < m_attenduFlux)
        return;
    m_delai.stop();
    m_attendue = nullptr;
    const QString final = QDir(m_options.Dossier).filePath(m_versionFichier);
    m_fichier.close();
    QFile::remove(final);
    if (m_fichier.size() != m_taille || !m_fichier.rename(final)) {
        echouer(QStringLiteral("version ") + m_versionFichier + QStringLiteral(" : fichier incomplet ou non écrit."));
        return;
    }
    dire(QStringLiteral("Version ") + m_versionFichier + QStringLiteral(" : ") + QString::number(m_taille)
         + QStringLiteral(" octets reçus dans ") + final + QStringLiteral(".")
         + (m_bourrageCorrect ? QString() : QStringLiteral(" (le dernier bloc n'est pas complété d'espaces)")));
    if (m_transfert.bytesAvailable() > 0) {
        echouer(QStringLiteral("version ") + m_versionFichier
                + QStringLiteral(" : le serveur a envoyé plus d'octets que le dernier bloc."));
        return;
    }
    suivant();
}
