#include "ServiceSimule.h"

#include "ConnexionSimulee.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QUrl>
#include <cstdio>

ServiceSimule::ServiceSimule(const QString& dossier, QObject* parent) : QObject(parent), m_dossier(dossier) { }

ServiceSimule::~ServiceSimule() = default;

bool ServiceSimule::Ecouter(const QHostAddress& adresse, quint16 port)
{
    return ecouterSur(new QTcpServer(this), adresse, port);
}

bool ServiceSimule::EcouterTls(const QSslConfiguration& configuration, const QHostAddress& adresse, quint16 port)
{
    auto* serveur = new QSslServer(this);
    serveur->setSslConfiguration(configuration);
    m_tls = true;
    return ecouterSur(serveur, adresse, port);
}

bool ServiceSimule::ecouterSur(QTcpServer* serveur, const QHostAddress& adresse, quint16 port)
{
    delete m_serveur;
    m_serveur = serveur;
    // A TLS connection is pending once its handshake is done.
    connect(m_serveur, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_serveur->nextPendingConnection()) {
            ++m_ouvertes;
            connect(socket, &QTcpSocket::disconnected, this, [this] { --m_ouvertes; });
            new ConnexionSimulee(socket, *this);
        }
    });
    return m_serveur->listen(adresse, port);
}

quint16 ServiceSimule::Port() const
{
    return m_serveur ? m_serveur->serverPort() : 0;
}

QString ServiceSimule::Adresse() const
{
    return (m_tls ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:"))
        + QString::number(Port());
}

qint64 ServiceSimule::CoupureAPrendre()
{
    if (!Coupures.isEmpty()) {
        const qint64 coupure = Coupures.at(m_coupureSuivante++ % Coupures.size());
        return coupure > 0 ? coupure : -1;
    }
    if (CoupureApres <= 0 || (m_coupureFaite && !CoupureRepetee))
        return -1;
    m_coupureFaite = true;
    return CoupureApres;
}

bool ServiceSimule::rediriger(ConnexionSimulee* connexion, const Requete& r)
{
    const auto it = Redirections.constFind(r.Chemin);
    if (it == Redirections.constEnd())
        return false;
    QString cible = it->Cible;
    if (!r.Brute.isEmpty() && !cible.contains(QLatin1Char('?')))
        cible += QLatin1Char('?') + r.Brute;
    connexion->Repondre(it->Statut, "text/html", ConnexionSimulee::PageErreur(it->Statut),
                        "Location: " + QUrl(cible).toEncoded() + "\r\n");
    return true;
}

QStringList ServiceSimule::Chemins() const
{
    QStringList chemins;
    for (const Requete& r : Recues)
        chemins.append(r.Chemin);
    return chemins;
}

bool ServiceSimule::ChargerCatalogue(QString* erreur)
{
    QFile f(QDir(m_dossier).filePath(QStringLiteral("catalogue.txt")));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (erreur)
            *erreur = f.fileName() + QStringLiteral(" : ") + f.errorString();
        return false;
    }
    Versions.clear();
    QTextStream flux(&f);
    while (!flux.atEnd()) {
        const QString ligne = flux.readLine().trimmed();
        if (ligne.isEmpty() || ligne.startsWith(QLatin1Char('#')))
            continue;
        const QStringList champs = ligne.split(QLatin1Char(';'));
        bool ok = false;
        VersionSimulee v;
        v.Numero = champs.value(0).trimmed().toLongLong(&ok);
        if (!ok || champs.size() < 4) {
            if (erreur)
                *erreur = QStringLiteral("ligne illisible : ") + ligne;
            return false;
        }
        v.Chemin = champs.at(1).trimmed();
        v.Environnement = champs.at(2).trimmed();
        v.Documentation = champs.at(3).trimmed();
        v.ServeurNecessaire = champs.value(4).trimmed();
        Versions.append(v);
    }
    return true;
}

QString ServiceSimule::fichierDe(const QString& chemin) const
{
    QString relatif = chemin;
    relatif.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relatif.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return QString();
    return QDir(m_dossier).filePath(relatif);
}

QString ServiceSimule::ListeVersions(qint64 vers) const
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<maj>\n");
    for (const VersionSimulee& v : Versions) {
        if (v.Numero <= vers)
            continue;
        const qint64 taille = v.Taille >= 0 ? v.Taille : QFileInfo(fichierDe(v.Chemin)).size();
        xml += QStringLiteral("  <version>\n    <numero>") + QString::number(v.Numero)
            + QStringLiteral("</numero>\n    <chemin>") + v.Chemin.toHtmlEscaped() + QStringLiteral("</chemin>\n");
        if (!v.ServeurNecessaire.isEmpty())
            xml += QStringLiteral("    <serveurNecessaire>") + v.ServeurNecessaire.toHtmlEscaped()
                + QStringLiteral("</serveurNecessaire>\n");
        xml += QStringLiteral("    <environnement>") + v.Environnement.toHtmlEscaped()
            + QStringLiteral("</environnement>\n    <documentation>") + v.Documentation.toHtmlEscaped()
            + QStringLiteral("</documentation>\n    <taille>") + QString::number(taille)
            + QStringLiteral("</taille>\n  </version>\n");
    }
    return xml + QStringLiteral("</maj>\n");
}

void ServiceSimule::traiter(ConnexionSimulee* connexion, const Requete& requete)
{
    Recues.append(requete);
    const QByteArray plage = requete.Entetes.value("range");
    if (Bavard)
        std::fprintf(stderr, "%s simulateur : %s%s%s%s%s\n",
                     qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                     qPrintable(requete.Chemin), requete.Brute.isEmpty() ? "" : "?", qPrintable(requete.Brute),
                     plage.isEmpty() ? "" : " Range: ", plage.constData());
    emit RequeteRecue();
    if (rediriger(connexion, requete))
        return;
    // A service moved under another path answers there as well.
    Requete r = requete;
    const int service = r.Chemin.indexOf(QLatin1String("/suivimaj/"));
    if (service > 0)
        r.Chemin = r.Chemin.mid(service);

    const QByteArray texte = "text/plain; charset=UTF-8";
    const bool compteBon = Utilisateur.isEmpty()
        || (r.Valeurs.value(QStringLiteral("user")) == Utilisateur
            && r.Valeurs.value(QStringLiteral("pass")) == MotDePasse);
    if (r.Chemin == QLatin1String("/suivimaj/verifident.php")) {
        QString reponse = ReponseIdentification;
        if (reponse.isEmpty())
            reponse = CompteRefuse ? QStringLiteral("REFUSE")
                : compteBon        ? QStringLiteral("OK")
                                   : QStringLiteral("ERREUR");
        connexion->Repondre(200, texte, reponse.toUtf8());
    } else if (r.Chemin == QLatin1String("/suivimaj/version.php")) {
        if (StatutVersion != 200) {
            connexion->Repondre(StatutVersion, "text/html",
                                ReponseVersion.isEmpty() ? ConnexionSimulee::PageErreur(StatutVersion)
                                                         : ReponseVersion.toUtf8());
            return;
        }
        QString reponse = ReponseVersion;
        if (reponse.isEmpty()) {
            if (CompteRefuse)
                reponse = QStringLiteral("<?xml version=\"1.0\"?>\n<erreur>REFUSE</erreur>\n");
            else if (!compteBon)
                reponse = QStringLiteral("<?xml version=\"1.0\"?>\n<erreur>IDENTIFIANT</erreur>\n");
            else
                reponse = ListeVersions(r.Valeurs.value(QStringLiteral("vers")).toLongLong());
        }
        connexion->Repondre(200, "text/xml; charset=UTF-8", reponse.toUtf8());
    } else if (r.Chemin.startsWith(QLatin1String("/suivimaj/admin/"))) {
        if (StatutFichiers != 200) {
            connexion->Repondre(StatutFichiers, "text/html", ConnexionSimulee::PageErreur(StatutFichiers));
            return;
        }
        if (EchecsTemporaires > 0) {
            --EchecsTemporaires;
            connexion->Repondre(StatutTemporaire, "text/html", ConnexionSimulee::PageErreur(StatutTemporaire));
            return;
        }
        const QString fichier = fichierDe(r.Chemin.mid(16));
        if (fichier.isEmpty() || !QFileInfo(fichier).isFile()) {
            connexion->Repondre(404, "text/html", ConnexionSimulee::PageErreur(404));
            return;
        }
        connexion->RepondreFichier(fichier, plage);
    } else if (r.Chemin == QLatin1String("/suivimaj/enrtel.php")) {
        if (!AcquittementsRetenus)
            connexion->Repondre(200, texte, Acquittement.toUtf8());
    } else if (r.Chemin == QLatin1String("/support") || r.Chemin == QLatin1String("/support/")) {
        connexion->Repondre(200, "text/html; charset=UTF-8",
                            "<html><head><title>Télémaintenance QUENTARIS</title></head><body><h1>Télémaintenance "
                            "QUENTARIS (simulateur)</h1></body></html>");
    } else {
        connexion->Repondre(404, "text/html", ConnexionSimulee::PageErreur(404));
    }
}
