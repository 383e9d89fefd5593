#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

class QSslConfiguration;
class QTcpServer;

// One update the simulated service offers. The file lies in the service folder at its path,
// backslashes read as slashes.
struct VersionSimulee
{
    qint64 Numero = 0;
    QString Chemin;
    QString Environnement = QStringLiteral("0");
    QString Documentation = QStringLiteral("0");
    QString ServeurNecessaire; // element left out when empty
    qint64 Taille = -1; // announced size; -1: the file's own size
};

// A small HTTP server playing the maker's update service: the account check, the update
// query, the download area and the acknowledgement, with switches for the failures a real
// service or network shows. Every request is recorded.
class ServiceSimule : public QObject
{
    Q_OBJECT
public:
    explicit ServiceSimule(const QString& dossier, QObject* parent = nullptr);
    ~ServiceSimule() override;

    bool Ecouter(const QHostAddress& adresse = QHostAddress::LocalHost, quint16 port = 0);
    // The same service over TLS, with this certificate and key.
    bool EcouterTls(const QSslConfiguration& configuration, const QHostAddress& adresse = QHostAddress::LocalHost,
                    quint16 port = 0);
    quint16 Port() const;
    // "http://127.0.0.1:port" ("https://…" over TLS)
    QString Adresse() const;
    QString Dossier() const { return m_dossier; }

    // Reads catalogue.txt of the folder: one update per line,
    // numero;chemin;environnement;documentation[;serveurNecessaire], "#" starts a comment.
    bool ChargerCatalogue(QString* erreur = nullptr);

    QVector<VersionSimulee> Versions;

    // Account accepted; any account when Utilisateur is empty.
    QString Utilisateur;
    QString MotDePasse;
    bool CompteRefuse = false;
    QString ReponseIdentification; // answer of the account check when not empty
    QString ReponseVersion; // raw answer of the update query when not empty
    int StatutVersion = 200; // another status: an HTML page, or ReponseVersion when set
    int StatutFichiers = 200; // another status answers every download with an HTML page
    qint64 EcartTaille = 0; // bytes added to (or taken from) every file served
    int PauseMs = 0; // pause between two pieces of a file
    qint64 MorceauLent = 4096; // bytes of a piece when PauseMs is set: a few bytes make a trickle
    bool SansFin = false; // files are followed by bytes without end, no length given
    bool Bloque = false; // files send their headers and then nothing
    // The connection of a file is closed after this many bytes of its body (0: never): only the
    // first file served, or every one when CoupureRepetee is set.
    qint64 CoupureApres = 0;
    bool CoupureRepetee = false;
    // When not empty, every file served is cut at these points in turn, over and over (0: that
    // file is not cut); CoupureApres is then unused.
    QVector<qint64> Coupures;
    bool PlagesIgnorees = false; // a "Range" request gets the whole file (200) instead of 206
    // The next EchecsTemporaires downloads are answered with StatutTemporaire and an HTML page.
    int EchecsTemporaires = 0;
    int StatutTemporaire = 503;
    // Requests for a path (decoded, without query) are sent elsewhere with this status.
    // `Cible` is a path or a whole address; the request's query goes along when it has none.
    struct Redirection
    {
        int Statut = 302;
        QString Cible;
    };
    QMap<QString, Redirection> Redirections;
    QString Acquittement = QStringLiteral("OK");
    bool AcquittementsRetenus = false; // acknowledgements get no answer, their connection stays open
    bool Bavard = false; // writes every request to standard error

    struct Requete
    {
        QString Chemin; // decoded path
        QString Brute; // the raw query text
        QMap<QString, QString> Valeurs; // decoded query values
        QMap<QByteArray, QByteArray> Entetes; // lower-case names
    };
    QVector<Requete> Recues;
    // Decoded paths of the requests received, in order.
    QStringList Chemins() const;

    // Client connections not yet closed.
    int ConnexionsOuvertes() const { return m_ouvertes; }

    // The update list this service gives for version `vers`.
    QString ListeVersions(qint64 vers) const;

signals:
    void RequeteRecue();

private:
    friend class ConnexionSimulee;
    void traiter(class ConnexionSimulee* connexion, const Requete& requete);
    bool rediriger(ConnexionSimulee* connexion, const Requete& requete);
    QString fichierDe(const QString& chemin) const;
    // Body bytes the file being started may send before its connection is cut; -1: no cut.
    qint64 CoupureAPrendre();
    bool ecouterSur(QTcpServer* serveur, const QHostAddress& adresse, quint16 port);

    QString m_dossier;
    QTcpServer* m_serveur = nullptr;
    bool m_tls = false;
    int m_ouvertes = 0;
    bool m_coupureFaite = false;
    int m_coupureSuivante = 0; // index in Coupures
};
