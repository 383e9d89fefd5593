#include "ConsoleAttachee.h"

#include "app/liaison/Liaison.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/parametres/Frm_Params.h"
#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/Messages.h"

#include <QDir>
#include <QJsonArray>

ConsoleAttachee::ConsoleAttachee(QObject* parent) : QObject(parent)
{
    Messages::Installer(&Messages_);
    Console_.DefinirAction(2, [this] {
        Console_.FermerMenu();
        Acces.VerifierMaintenant();
    });
    Console_.DefinirAction(5, [this] { FenetresInstallation_.OuvrirMajAttente(); });
    Console_.DefinirAction(6, [] { Frm_ObsEvt::Afficher(); });
    connect(&Acces, &AccesServeur::PostesConnectesChange, this, [this] { Console_.VerifConnectes(); });

    connect(&Lien, &LienService::Attache, this, &ConsoleAttachee::attachee);
    connect(&Lien, &LienService::Refuse, this, [this](const QString& raison) {
        m_reessai.stop();
        emit Refusee(raison);
    });
    connect(&Lien, &LienService::Injoignable, this, [this](const QString& raison) {
        if (!m_dejaAttachee)
            emit Injoignable(raison);
    });
    connect(&Lien, &LienService::Perdu, this, &ConsoleAttachee::perdu);
    connect(&Lien, &LienService::Recu, this, &ConsoleAttachee::recu);
    m_reessai.setInterval(ReessaiMs);
    connect(&m_reessai, &QTimer::timeout, this, [this] { Lien.Connecter(m_chemin); });
}

ConsoleAttachee::~ConsoleAttachee()
{
    Messages::Installer(nullptr);
    // What this console wrote goes from the log into donnees.db itself before it leaves.
    BaseInterne::PointDeControle();
}

void ConsoleAttachee::Connecter(const QString& dossierProgramme)
{
    m_dossier = dossierProgramme;
    m_chemin = Liaison::CheminDansLeDossier(dossierProgramme);
    Lien.Connecter(m_chemin);
}

void ConsoleAttachee::attachee()
{
    m_reessai.stop();
    Console_.FixerServeurJoignable(true);
    if (m_dejaAttachee)
        return;
    m_dejaAttachee = true;
    // The screens read and write the service's database themselves, as its administrators.
    QString raison;
    if (!BaseInterne::Ouvrir(QDir(m_dossier).filePath(BaseInterne::NomFichier()), &raison)) {
        Lien.Fermer();
        emit Refusee(QStringLiteral("La base de données interne du service de mise à jour ne peut pas être ouverte "
                                    "par cette console : ")
                     + raison);
        return;
    }
    Console_.AfficherIcone();
    Console_.OuvrirMenu();
    emit Attachee();
}

void ConsoleAttachee::perdu()
{
    if (m_arretAccepte) {
        Console_.RetirerIcone();
        emit Fin(0);
        return;
    }
    Console_.FixerServeurJoignable(false);
    StatutVerification_.Fermer(false);
    m_progression = false;
    FenetresInstallation_.FermerProgression();
    m_reessai.start();
}

void ConsoleAttachee::repondre(const QString& question, QJsonObject reponse)
{
    reponse.insert(QStringLiteral("type"), QStringLiteral("reponse"));
    reponse.insert(QStringLiteral("question"), question);
    Lien.Envoyer(reponse);
}

void ConsoleAttachee::recu(const QJsonObject& m)
{
    if (Acces.Recevoir(m))
        return;
    const QString type = m.value(QStringLiteral("type")).toString();
    const auto texte = [&m](const char* cle) {
        return m.value(QLatin1String(cle)).toString();
    };
    if (type == QLatin1String("arretAccepte")) {
        // The service stops because this console's quit entry asked it to: the console ends too.
        m_arretAccepte = true;
        return;
    }
    if (type == QLatin1String("statut")) {
        const QString quoi = texte("quoi");
        const bool manuelle = m.value(QStringLiteral("manuelle")).toBool();
        if (quoi == QLatin1String("ouvrir"))
            StatutVerification_.Ouvrir(manuelle);
        else if (quoi == QLatin1String("telechargement"))
            StatutVerification_.Telechargement(texte("texte"), qint64(m.value(QStringLiteral("taille")).toDouble()));
        else if (quoi == QLatin1String("progression"))
            StatutVerification_.Progression(qint64(m.value(QStringLiteral("recus")).toDouble()));
        else if (quoi == QLatin1String("texte"))
            StatutVerification_.Texte(texte("texte"));
        else if (quoi == QLatin1String("fermer"))
            StatutVerification_.Fermer(manuelle);
        return;
    }
    // A box of the service is shown from the event loop, never from inside the socket's handler.
    if (type == QLatin1String("message")) {
        const QString titre = texte("titre");
        const QString corps = texte("texte");
        const Icone icone = Icone(m.value(QStringLiteral("icone")).toInt());
        QTimer::singleShot(0, this,
                           [titre, corps, icone] { Messages::Afficher(nullptr, corps, icone, Boutons::Ok, titre); });
    } else if (type == QLatin1String("identifiants")) {
        FenetresInstallation_.DemanderIdentifiants([this](const Identifiants& i) {
            repondre(QStringLiteral("identifiants"),
                     {{QStringLiteral("utilisateur"), i.Utilisateur},
                      {QStringLiteral("motDePasse"), i.MotDePasse},
                      {QStringLiteral("conserver"), i.Conserver},
                      {QStringLiteral("annule"), i.Annule}});
        });
    } else if (type == QLatin1String("progressionInstallation")) {
        if (!m_progression)
            FenetresInstallation_.OuvrirProgression();
        m_progression = true;
        FenetresInstallation_.AfficherProgression(texte("texte"));
    } else if (type == QLatin1String("finProgressionInstallation")) {
        m_progression = false;
        FenetresInstallation_.FermerProgression();
    } else if (type == QLatin1String("rapport")) {
        QVector<ResultatBase> resultats;
        for (const QJsonValue& v : m.value(QStringLiteral("resultats")).toArray()) {
            const QJsonObject r = v.toObject();
            resultats.append({r.value(QStringLiteral("nom")).toString(), r.value(QStringLiteral("etat")).toString(),
                              r.value(QStringLiteral("message")).toString(),
                              r.value(QStringLiteral("code")).toString()});
        }
        FenetresInstallation_.AfficherRapport(resultats, [this] { repondre(QStringLiteral("rapport")); });
    } else if (type == QLatin1String("repondu")) {
        // Another console answered: the same question open here goes.
        const QString question = texte("question");
        if (question == QLatin1String("identifiants"))
            FenetresInstallation_.RetirerIdentifiants();
        else if (question == QLatin1String("rapport"))
            FenetresInstallation_.RetirerRapport();
        else if (question == QLatin1String("premierDemarrage"))
            delete Ecrans_.Parametres();
    } else if (type == QLatin1String("premierDemarrage")) {
        QTimer::singleShot(0, this, [this] {
            Messages::Afficher(this, Frm_Reseau::MessagePremierDemarrage());
            Ecrans_.PremierDemarrage([this] { repondre(QStringLiteral("premierDemarrage")); });
        });
    }
}
