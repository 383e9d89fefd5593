#include "ServiceSimule.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace {

constexpr qint64 TailleMorceau = 256 * 1024;
constexpr qint64 Tampon = 1024 * 1024;

QByteArray raison(int statut)
{
    switch (statut) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray pageErreur(int statut)
{
    return "<html><head><title>" + QByteArray::number(statut) + ' ' + raison(statut) + "</title></head><body><h1>"
        + raison(statut) + "</h1></body></html>";
}

} // namespace

// One client connection: reads one request, answers it, closes.
class ConnexionSimulee : public QObject
{
public:
    ConnexionSimulee(QTcpSocket* socket, ServiceSimule& service) : QObject(socket), m_socket(socket), m_service(service)
    {
        connect(socket, &QTcpSocket::readyRead, this, [this] { lire(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { envoyer(); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        m_pause.setSingleShot(true);
        connect(&m_pause, &QTimer::timeout, this, [this] {
            m_enPause = false;
            envoyer();
        });
    }

    void repondre(int statut, const QByteArray& type, const QByteArray& corps)
    {
        QByteArray entetes = "HTTP/1.1 " + QByteArray::number(statut) + ' ' + raison(statut) + "\r\n";
        entetes += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(corps.size())
            + "\r\nConnection: close\r\n\r\n";
        m_socket->write(entetes + corps);
        m_socket->disconnectFromHost();
    }

    void repondreFichier(const QString& chemin)
    {
        m_fichier.setFileName(chemin);
        if (!m_fichier.open(QIODevice::ReadOnly)) {
            repondre(404, "text/html", pageErreur(404));
            return;
        }
        m_aEnvoyer = m_service.SansFin ? -1 : qMax<qint64>(0, m_fichier.size() + m_service.EcartTaille);
        QByteArray entetes = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
        if (m_aEnvoyer >= 0)
            entetes += "Content-Length: " + QByteArray::number(m_aEnvoyer) + "\r\n";
        entetes += "Connection: close\r\n\r\n";
        m_socket->write(entetes);
        m_flux = !m_service.Bloque;
        envoyer();
    }

private:
    void lire()
    {
        if (m_lu)
            return;
        m_entree += m_socket->readAll();
        const int fin = m_entree.indexOf("\r\n\r\n");
        if (fin < 0) {
            if (m_entree.size() > 64 * 1024)
                m_socket->abort();
            return;
        }
        m_lu = true;
        const QList<QByteArray> lignes = m_entree.left(fin).split('\n');
        const QList<QByteArray> premiere = lignes.value(0).trimmed().split(' ');
        ServiceSimule::Requete r;
        QByteArray cible = premiere.value(1);
        if (cible.startsWith("http://") || cible.startsWith("https://")) {
            const int debut = cible.indexOf('/', cible.indexOf("//") + 2);
            cible = debut < 0 ? QByteArray("/") : cible.mid(debut);
        }
        const int q = cible.indexOf('?');
        r.Chemin = QUrl::fromPercentEncoding(q < 0 ? cible : cible.left(q));
        r.Brute = q < 0 ? QString() : QString::fromLatin1(cible.mid(q + 1));
        for (const QString& paire : r.Brute.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
            const int egal = paire.indexOf(QLatin1Char('='));
            const QString cle = egal < 0 ? paire : paire.left(egal);
            const QString valeur = egal < 0 ? QString() : paire.mid(egal + 1);
            r.Valeurs.insert(QUrl::fromPercentEncoding(cle.toLatin1()), QUrl::fromPercentEncoding(valeur.toLatin1()));
        }
        for (int i = 1; i < lignes.size(); ++i) {
            const int deux = lignes.at(i).indexOf(':');
            if (deux > 0)
                r.Entetes.insert(lignes.at(i).left(deux).trimmed().toLower(), lignes.at(i).mid(deux + 1).trimmed());
        }
        if (premiere.value(0) != "GET") {
            repondre(400, "text/html", pageErreur(400));
            return;
        }
        m_service.traiter(this, r);
    }

    // Writes while the socket holds little, so a large file never sits in memory.
    void envoyer()
    {
        if (!m_flux || m_enPause || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        const bool lent = m_service.PauseMs > 0;
        while (m_socket->bytesToWrite() < Tampon) {
            if (m_aEnvoyer == 0) {
                m_flux = false;
                m_socket->disconnectFromHost();
                return;
            }
            qint64 taille = lent ? 4096 : TailleMorceau;
            if (m_aEnvoyer > 0)
                taille = qMin(taille, m_aEnvoyer);
            QByteArray morceau = m_fichier.read(taille);
            if (morceau.size() < taille)
                morceau.append(QByteArray(taille - morceau.size(), 'X'));
            m_socket->write(morceau);
            if (m_aEnvoyer > 0)
                m_aEnvoyer -= morceau.size();
            if (lent) {
                m_enPause = true;
                m_pause.start(m_service.PauseMs);
                return;
            }
        }
    }

    QTcpSocket* m_socket;
    ServiceSimule& m_service;
    QByteArray m_entree;
    bool m_lu = false;
    QFile m_fichier;
    qint64 m_aEnvoyer = 0; // -1: without end
    bool m_flux = false;
    bool m_enPause = false;
    QTimer m_pause;
};

ServiceSimule::ServiceSimule(const QString& dossier, QObject* parent)
    : QObject(parent), m_dossier(dossier), m_serveur(new QTcpServer(this))
{
    connect(m_serveur, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_serveur->nextPendingConnection()) {
            ++m_ouvertes;
            connect(socket, &QTcpSocket::disconnected, this, [this] { --m_ouvertes; });
            new ConnexionSimulee(socket, *this);
        }
    });
}

ServiceSimule::~ServiceSimule() = default;

bool ServiceSimule::Ecouter(const QHostAddress& adresse, quint16 port)
{
    return m_serveur->listen(adresse, port);
}

quint16 ServiceSimule::Port() const
{
    return m_serveur->serverPort();
}

QString ServiceSimule::Adresse() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(Port());
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

void ServiceSimule::traiter(ConnexionSimulee* connexion, const Requete& r)
{
    Recues.append(r);
    if (Bavard)
        std::fprintf(stderr, "%s simulateur : %s%s%s\n",
                     qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                     qPrintable(r.Chemin), r.Brute.isEmpty() ? "" : "?", qPrintable(r.Brute));
    emit RequeteRecue();

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
        connexion->repondre(200, texte, reponse.toUtf8());
    } else if (r.Chemin == QLatin1String("/suivimaj/version.php")) {
        if (StatutVersion != 200) {
            connexion->repondre(StatutVersion, "text/html",
                                ReponseVersion.isEmpty() ? pageErreur(StatutVersion) : ReponseVersion.toUtf8());
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
        connexion->repondre(200, "text/xml; charset=UTF-8", reponse.toUtf8());
    } else if (r.Chemin.startsWith(QLatin1String("/suivimaj/admin/"))) {
        if (StatutFichiers != 200) {
            connexion->repondre(StatutFichiers, "text/html", pageErreur(StatutFichiers));
            return;
        }
        const QString fichier = fichierDe(r.Chemin.mid(16));
        if (fichier.isEmpty() || !QFileInfo(fichier).isFile()) {
            connexion->repondre(404, "text/html", pageErreur(404));
            return;
        }
        connexion->repondreFichier(fichier);
    } else if (r.Chemin == QLatin1String("/suivimaj/enrtel.php")) {
        connexion->repondre(200, texte, Acquittement.toUtf8());
    } else if (r.Chemin == QLatin1String("/support") || r.Chemin == QLatin1String("/support/")) {
        connexion->repondre(200, "text/html; charset=UTF-8",
                            "<html><head><title>Télémaintenance QUENTARIS</title></head><body><h1>Télémaintenance "
                            "QUENTARIS (simulateur)</h1></body></html>");
    } else {
        connexion->repondre(404, "text/html", pageErreur(404));
    }
}
