#include "ClientUniDATALocal.h"

#include "core/Sortie.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <memory>

namespace {

constexpr int ErreurConnexion = 1;
constexpr int ErreurEnregistrement = 30001;

class ConnexionLocale : public ConnexionUniDATA
{
public:
    explicit ConnexionLocale(ClientUniDATALocal& client) : m_client(client) { }

    int Connecter(const ParametresUniDATA& parametres) override
    {
        m_parametres = parametres;
        m_connecte = !parametres.Utilisateur.isEmpty() && !parametres.CheminCompte.isEmpty()
            && QFileInfo(parametres.CheminCompte).isDir();
        return m_connecte ? 0 : ErreurConnexion;
    }

    void Executer(const QString& texte, QObject* contexte, std::function<void(bool)> fin) override
    {
        QPointer<QObject> garde(contexte);
        auto appel = std::make_shared<std::function<void(bool)>>(std::move(fin));
        auto terminer = [garde, appel](bool termine) {
            if (!*appel)
                return;
            auto f = std::move(*appel);
            *appel = nullptr;
            if (garde)
                f(termine);
        };

        const QStringList mots = texte.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!m_connecte || mots.isEmpty() || mots.first() != QLatin1String("LANCEMAJCD")) {
            Sortie::Ecrire(QStringLiteral("Commande refusée par la base ") + m_parametres.CheminCompte
                           + QStringLiteral(" : ") + texte);
            QTimer::singleShot(0, &m_client, [terminer] { terminer(true); });
            return;
        }

        auto* processus = new QProcess(&m_client);
        processus->setWorkingDirectory(m_parametres.CheminCompte);
        processus->setStandardInputFile(QProcess::nullDevice());
        processus->setStandardOutputFile(QProcess::nullDevice());
        processus->setStandardErrorFile(QProcess::nullDevice());
        const QString programme = QDir(m_parametres.CheminCompte).filePath(QStringLiteral("INSTALLMAJ/LANCEMAJCD"));

        auto* limite = new QTimer(processus);
        limite->setSingleShot(true);
        const QString dossier = m_parametres.CheminCompte;
        QObject::connect(limite, &QTimer::timeout, processus, [terminer, texte, dossier] {
            Sortie::Ecrire(QStringLiteral("La commande « ") + texte + QStringLiteral(" » de la base ") + dossier
                           + QStringLiteral(" dépasse le temps accordé : elle continue sans être attendue."));
            terminer(false);
        });
        QObject::connect(processus, &QProcess::finished, processus, [terminer, processus] {
            terminer(true);
            processus->deleteLater();
        });
        QObject::connect(processus, &QProcess::errorOccurred, processus,
                         [terminer, processus, programme](QProcess::ProcessError erreur) {
                             if (erreur != QProcess::FailedToStart)
                                 return;
                             Sortie::Ecrire(QStringLiteral("Le programme ") + programme
                                            + QStringLiteral(" n'a pas pu être lancé : ") + processus->errorString());
                             terminer(true);
                             processus->deleteLater();
                         });
        limite->start(m_client.DelaiCommandeMs());
        processus->start(programme, mots.mid(1));
    }

    int LireEnregistrement(const QString& fichier, const QString& cle) override
    {
        if (!m_connecte || cle.isEmpty() || cle.contains(QLatin1Char('/')) || cle.contains(QLatin1Char('\\'))
            || cle == QLatin1String(".") || cle == QLatin1String(".."))
            return ErreurEnregistrement;
        QFile enregistrement(QDir(m_parametres.CheminCompte).filePath(fichier + QLatin1Char('/') + cle));
        if (!QFileInfo(enregistrement).isFile() || !enregistrement.open(QIODevice::ReadOnly))
            return ErreurEnregistrement;
        return 0;
    }

    void Deconnecter() override { m_connecte = false; }

private:
    ClientUniDATALocal& m_client;
    ParametresUniDATA m_parametres;
    bool m_connecte = false;
};

} // namespace

ClientUniDATALocal::ClientUniDATALocal(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ClientUniDATALocal"));
}

ClientUniDATALocal::~ClientUniDATALocal()
{
    // A database command still running when the server stops goes on: its process object is
    // let go instead of being destroyed, which would kill it.
    const QList<QProcess*> processus = findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly);
    for (QProcess* p : processus) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->disconnect();
        p->setParent(nullptr);
    }
}

std::unique_ptr<ConnexionUniDATA> ClientUniDATALocal::NouvelleConnexion()
{
    return std::make_unique<ConnexionLocale>(*this);
}
