#include "ConnexionSimulee.h"

#include "ServiceSimule.h"

#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr qint64 TailleMorceau = 256 * 1024;
constexpr qint64 Tampon = 1024 * 1024;

// "bytes=N-" or "bytes=N-M": first and last byte asked for (last -1: to the end). False when
// the header cannot be read, and is then ignored as HTTP wants.
bool lirePlage(const QByteArray& plage, qint64* premier, qint64* dernier)
{
    if (!plage.startsWith("bytes="))
        return false;
    const QList<QByteArray> bornes = plage.mid(6).trimmed().split('-');
    if (bornes.size() != 2 || bornes.at(0).isEmpty())
        return false;
    bool ok = false;
    *premier = bornes.at(0).toLongLong(&ok);
    if (!ok || *premier < 0)
        return false;
    *dernier = -1;
    if (bornes.at(1).isEmpty())
        return true;
    *dernier = bornes.at(1).toLongLong(&ok);
    return ok && *dernier >= *premier;
}

} // namespace

QByteArray ConnexionSimulee::Raison(int statut)
{
    switch (statut) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
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

QByteArray ConnexionSimulee::PageErreur(int statut)
{
    return "<html><head><title>" + QByteArray::number(statut) + ' ' + Raison(statut) + "</title></head><body><h1>"
        + Raison(statut) + "</h1></body></html>";
}

ConnexionSimulee::ConnexionSimulee(QTcpSocket* socket, ServiceSimule& service)
    : QObject(socket), m_socket(socket), m_service(service)
{
    connect(socket, &QTcpSocket::readyRead, this, [this] { lire(); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this] { envoyer(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_enPause = false;
        envoyer();
    });
}

void ConnexionSimulee::Repondre(int statut, const QByteArray& type, const QByteArray& corps,
                                const QByteArray& entetesEnPlus)
{
    QByteArray entetes = "HTTP/1.1 " + QByteArray::number(statut) + ' ' + Raison(statut) + "\r\n";
    entetes += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(corps.size()) + "\r\n"
        + entetesEnPlus + "Connection: close\r\n\r\n";
    m_socket->write(entetes + corps);
    m_socket->disconnectFromHost();
}

void ConnexionSimulee::RepondreFichier(const QString& chemin, const QByteArray& plage)
{
    m_fichier.setFileName(chemin);
    if (!m_fichier.open(QIODevice::ReadOnly)) {
        Repondre(404, "text/html", PageErreur(404));
        return;
    }
    const qint64 longueur = m_service.SansFin ? -1 : qMax<qint64>(0, m_fichier.size() + m_service.EcartTaille);
    qint64 premier = 0;
    qint64 dernier = -1;
    QByteArray entetes = "HTTP/1.1 200 OK\r\n";
    m_aEnvoyer = longueur;
    if (longueur >= 0 && !plage.isEmpty() && !m_service.PlagesIgnorees && lirePlage(plage, &premier, &dernier)) {
        const QByteArray total = "/" + QByteArray::number(longueur);
        if (premier >= longueur) {
            Repondre(416, "text/html", PageErreur(416), "Content-Range: bytes *" + total + "\r\n");
            return;
        }
        if (dernier < 0 || dernier >= longueur)
            dernier = longueur - 1;
        m_aEnvoyer = dernier - premier + 1;
        m_fichier.seek(qMin(premier, m_fichier.size()));
        entetes = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(premier) + '-'
            + QByteArray::number(dernier) + total + "\r\n";
    }
    entetes += "Content-Type: application/octet-stream\r\n";
    if (m_aEnvoyer >= 0)
        entetes += "Content-Length: " + QByteArray::number(m_aEnvoyer) + "\r\n";
    entetes += "Connection: close\r\n\r\n";
    m_socket->write(entetes);
    m_avantCoupure = m_service.CoupureAPrendre();
    m_flux = !m_service.Bloque;
    envoyer();
}

void ConnexionSimulee::lire()
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
        Repondre(400, "text/html", PageErreur(400));
        return;
    }
    m_service.traiter(this, r);
}

// Writes while the socket holds little, so a large file never sits in memory.
void ConnexionSimulee::envoyer()
{
    if (!m_flux || m_enPause || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const bool lent = m_service.PauseMs > 0;
    while (m_socket->bytesToWrite() < Tampon) {
        if (m_aEnvoyer == 0 || m_avantCoupure == 0) {
            // The end of the body, or the cut: what was written still goes out, then the close.
            m_flux = false;
            m_socket->disconnectFromHost();
            return;
        }
        qint64 taille = lent ? qMax<qint64>(1, m_service.MorceauLent) : TailleMorceau;
        if (m_aEnvoyer > 0)
            taille = qMin(taille, m_aEnvoyer);
        if (m_avantCoupure > 0)
            taille = qMin(taille, m_avantCoupure);
        QByteArray morceau = m_fichier.read(taille);
        if (morceau.size() < taille)
            morceau.append(QByteArray(taille - morceau.size(), 'X'));
        m_socket->write(morceau);
        if (m_aEnvoyer > 0)
            m_aEnvoyer -= morceau.size();
        if (m_avantCoupure > 0)
            m_avantCoupure -= morceau.size();
        if (lent) {
            m_enPause = true;
            m_pause.start(m_service.PauseMs);
            return;
        }
    }
}
