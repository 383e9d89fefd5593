#include "ClientUniDATALocal.h"

#include "TemoinCommande.h"
#include "core/Sortie.h"
#include "platform/Systeme.h"

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

// Archives made on Windows carry no Unix mode bits: the command is made executable, for
// whoever may read it, before it is started.
void rendreExecutable(const QString& programme)
{
    const QFileInfo info(programme);
    if (!info.isFile() || info.isSymLink())
        return;
    QFileDevice::Permissions p = info.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (p & QFileDevice::ReadGroup)
        p |= QFileDevice::ExeGroup;
    if (p & QFileDevice::ReadOther)
        p |= QFileDevice::ExeOther;
    if (p != info.permissions() && !QFile::setPermissions(programme, p))
        Sortie::Ecrire(QStringLiteral("Le programme ") + programme
                       + QStringLiteral(" ne peut pas être rendu exécutable."));
}

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

    bool CommandeEnCours() const override { return m_connecte && m_client.CommandeEnCours(m_parametres.CheminCompte); }

    void Executer(const QString& texte, QObject* contexte, std::function<void(IssueCommande)> fin) override
    {
        QPointer<QObject> garde(contexte);
        auto appel = std::make_shared<std::function<void(IssueCommande)>>(std::move(fin));
        auto terminer = [garde, appel](IssueCommande issue) {
            if (!*appel)
                return;
            auto f = std::move(*appel);
            *appel = nullptr;
            if (garde)
                f(issue);
        };
        auto plusTard = [this, terminer](IssueCommande issue) {
            QTimer::singleShot(0, &m_client, [terminer, issue] { terminer(issue); });
        };

        const QString dossier = m_parametres.CheminCompte;
        const QStringList mots = texte.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!m_connecte || mots.isEmpty() || mots.first() != QLatin1String("LANCEMAJCD")) {
            Sortie::Ecrire(QStringLiteral("Commande refusée par la base ") + dossier + QStringLiteral(" : ") + texte);
            plusTard(IssueCommande::Terminee);
            return;
        }
        if (m_client.CommandeEnCours(dossier)) {
            plusTard(IssueCommande::DejaEnCours);
            return;
        }

        const QString programme = QDir(dossier).filePath(QStringLiteral("INSTALLMAJ/LANCEMAJCD"));
        rendreExecutable(programme);
        auto* processus = new QProcess(&m_client);
        processus->setWorkingDirectory(dossier);
        processus->setStandardInputFile(QProcess::nullDevice());
        processus->setStandardOutputFile(QProcess::nullDevice());
        processus->setStandardErrorFile(QProcess::nullDevice());
        Systeme::NeTransmettreQueLesSortiesStandard(*processus);

        auto* limite = new QTimer(processus);
        limite->setSingleShot(true);
        QObject::connect(limite, &QTimer::timeout, processus, [terminer, texte, dossier] {
            Sortie::Ecrire(QStringLiteral("La commande « ") + texte + QStringLiteral(" » de la base ") + dossier
                           + QStringLiteral(" dépasse le temps accordé : elle continue sans être attendue."));
            terminer(IssueCommande::Depassee);
        });
        // Known once started; the process object forgets it when the process ends.
        auto pid = std::make_shared<qint64>(0);
        QObject::connect(processus, &QProcess::finished, processus, [terminer, processus, dossier, pid] {
            TemoinCommande::Effacer(dossier, *pid);
            terminer(IssueCommande::Terminee);
            processus->deleteLater();
        });
        QObject::connect(processus, &QProcess::errorOccurred, processus,
                         [terminer, processus, programme, dossier, pid](QProcess::ProcessError erreur) {
                             if (erreur != QProcess::FailedToStart)
                                 return;
                             TemoinCommande::Effacer(dossier, *pid);
                             Sortie::Ecrire(QStringLiteral("Le programme ") + programme
                                            + QStringLiteral(" n'a pas pu être lancé : ") + processus->errorString());
                             terminer(IssueCommande::NonLancee);
                             processus->deleteLater();
                         });
        limite->start(m_client.DelaiCommandeMs());
        processus->start(programme, mots.mid(1));
        // The command's own process, not what it may leave running in the background.
        *pid = processus->processId();
        if (*pid > 0)
            TemoinCommande::Ecrire(dossier, *pid);
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
        Sortie::Ecrire(QStringLiteral("Arrêt du serveur de mise à jour pendant la commande LANCEMAJCD de la base ")
                       + p->workingDirectory()
                       + QStringLiteral(" : elle n'est pas interrompue et continue jusqu'à sa fin."));
        p->disconnect();
        p->setParent(nullptr);
    }
}

std::unique_ptr<ConnexionUniDATA> ClientUniDATALocal::NouvelleConnexion()
{
    return std::make_unique<ConnexionLocale>(*this);
}

bool ClientUniDATALocal::CommandeEnCours(const QString& dossier) const
{
    const QString reel = QFileInfo(dossier).canonicalFilePath();
    const QList<QProcess*> processus = findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly);
    for (QProcess* p : processus) {
        if (p->state() != QProcess::NotRunning && !reel.isEmpty()
            && QFileInfo(p->workingDirectory()).canonicalFilePath() == reel)
            return true;
    }
    // Started by an earlier run of the server, or by another copy.
    return TemoinCommande::EnCours(dossier);
}
