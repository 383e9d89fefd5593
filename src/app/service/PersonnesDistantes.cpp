#include "PersonnesDistantes.h"

#include "DemandeConsole.h"
#include "app/liaison/EcouteConsoles.h"
#include "core/Sortie.h"
#include "installation/InstallationServeur.h"

#include <QJsonArray>

namespace {

QJsonObject statut(const QString& quoi)
{
    return {{QStringLiteral("type"), QStringLiteral("statut")}, {QStringLiteral("quoi"), quoi}};
}

} // namespace

PersonnesDistantes::PersonnesDistantes(EcouteConsoles& consoles, QObject* parent)
    : QObject(parent), m_consoles(consoles)
{
    connect(&m_consoles, &EcouteConsoles::Attachee, this, &PersonnesDistantes::envoyerQuestions);
    // The last console gone, what waits for a person waits for the next one: said, not silent.
    connect(&m_consoles, &EcouteConsoles::Detachee, this, [this] {
        if (m_consoles.Consoles() > 0)
            return;
        for (auto it = m_questions.cbegin(); it != m_questions.cend(); ++it)
            attendreUneConsole(it.key());
    });
}

void PersonnesDistantes::attendreUneConsole(const QString& typeQuestion)
{
    Sortie::Ecrire(QStringLiteral("En attente d'une console d'administration (") + typeQuestion
                   + QStringLiteral(") : connectez-vous sur le serveur en administrateur."));
}

void PersonnesDistantes::envoyerQuestions(int console)
{
    if (!m_progression.isEmpty())
        m_consoles.Envoyer(console, m_progression);
    for (const Question& question : std::as_const(m_questions))
        m_consoles.Envoyer(console, question.message);
}

void PersonnesDistantes::poser(const QString& typeQuestion, QJsonObject message,
                               std::function<void(const QJsonObject&)> fin, bool verrouillee)
{
    message.insert(QStringLiteral("type"), typeQuestion);
    if (m_consoles.Consoles() == 0)
        attendreUneConsole(typeQuestion);
    m_questions.insert(typeQuestion, {message, std::move(fin), verrouillee});
    m_consoles.Diffuser(message);
}

PersonnesDistantes::PourLaConsole::PourLaConsole(PersonnesDistantes& personnes, int console)
    : m_personnes(personnes), m_avant(personnes.m_destinataire)
{
    m_personnes.m_destinataire = console;
}

PersonnesDistantes::PourLaConsole::~PourLaConsole()
{
    m_personnes.m_destinataire = m_avant;
}

QString PersonnesDistantes::Repondre(int, DemandeConsole& reponse)
{
    // The first console to answer decides; the others close their window.
    const QString question = reponse.Texte("question");
    QJsonObject valeurs;
    if (question == QLatin1String("identifiants")) {
        valeurs = {{QStringLiteral("utilisateur"), reponse.Texte("utilisateur")},
                   {QStringLiteral("motDePasse"), reponse.Texte("motDePasse")},
                   {QStringLiteral("conserver"), reponse.Booleen("conserver")},
                   {QStringLiteral("annule"), reponse.Booleen("annule")}};
    }
    auto it = m_questions.find(question);
    if (it != m_questions.end() && it->verrouillee) {
        const QString motDePasse = reponse.Texte("motDePasse");
        if (reponse.Valide() && motDePasse != InstallationServeur::MotDePasseDeverrouillage())
            return InstallationServeur::MessageDeverrouillageRefuse();
    }
    if (!reponse.Valide())
        return reponse.Refus();
    if (it == m_questions.end())
        return QString();
    const auto fin = std::move(it->fin);
    m_questions.erase(it);
    m_consoles.Diffuser({{QStringLiteral("type"), QStringLiteral("repondu")}, {QStringLiteral("question"), question}});
    if (fin)
        fin(valeurs);
    return QString();
}

Reponse PersonnesDistantes::Afficher(QObject*, const QString& titre, const QString& texte, Icone icone, Boutons boutons)
{
    const QJsonObject message{{QStringLiteral("type"), QStringLiteral("message")},
                              {QStringLiteral("titre"), titre},
                              {QStringLiteral("texte"), texte},
                              {QStringLiteral("icone"), int(icone)}};
    if (m_destinataire > 0)
        m_consoles.Envoyer(m_destinataire, message);
    else
        m_consoles.Diffuser(message);
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Non;
}

void PersonnesDistantes::Ouvrir(bool manuelle)
{
    QJsonObject m = statut(QStringLiteral("ouvrir"));
    m.insert(QStringLiteral("manuelle"), manuelle);
    m_consoles.Diffuser(m);
}

void PersonnesDistantes::Telechargement(const QString& texte, qint64 taille)
{
    QJsonObject m = statut(QStringLiteral("telechargement"));
    m.insert(QStringLiteral("texte"), texte);
    m.insert(QStringLiteral("taille"), taille);
    m_consoles.Diffuser(m);
}

void PersonnesDistantes::Progression(qint64 recus)
{
    QJsonObject m = statut(QStringLiteral("progression"));
    m.insert(QStringLiteral("recus"), recus);
    m_consoles.Diffuser(m);
}

void PersonnesDistantes::Texte(const QString& texte)
{
    QJsonObject m = statut(QStringLiteral("texte"));
    m.insert(QStringLiteral("texte"), texte);
    m_consoles.Diffuser(m);
}

void PersonnesDistantes::Fermer(bool manuelle)
{
    QJsonObject m = statut(QStringLiteral("fermer"));
    m.insert(QStringLiteral("manuelle"), manuelle);
    m_consoles.Diffuser(m);
}

void PersonnesDistantes::DemanderIdentifiants(std::function<void(const Identifiants&)> fin)
{
    poser(QStringLiteral("identifiants"), {}, [fin = std::move(fin)](const QJsonObject& r) {
        Identifiants i;
        i.Utilisateur = r.value(QStringLiteral("utilisateur")).toString();
        i.MotDePasse = r.value(QStringLiteral("motDePasse")).toString();
        i.Conserver = r.value(QStringLiteral("conserver")).toBool();
        i.Annule = r.value(QStringLiteral("annule")).toBool();
        fin(i);
    });
}

void PersonnesDistantes::OuvrirProgression()
{
    m_progression
        = {{QStringLiteral("type"), QStringLiteral("progressionInstallation")}, {QStringLiteral("texte"), QString()}};
    m_consoles.Diffuser(m_progression);
}

void PersonnesDistantes::AfficherProgression(const QString& texte)
{
    m_progression.insert(QStringLiteral("texte"), texte);
    m_consoles.Diffuser(m_progression);
}

void PersonnesDistantes::FermerProgression()
{
    m_progression = {};
    m_consoles.Diffuser({{QStringLiteral("type"), QStringLiteral("finProgressionInstallation")}});
}

void PersonnesDistantes::AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme)
{
    QJsonArray lignes;
    bool verrouille = false;
    for (const ResultatBase& r : resultats) {
        verrouille = verrouille || r.Code == QLatin1String("2");
        lignes.append(QJsonObject{{QStringLiteral("nom"), r.Nom},
                                  {QStringLiteral("etat"), r.Etat},
                                  {QStringLiteral("message"), r.Message},
                                  {QStringLiteral("code"), r.Code}});
    }
    poser(
        QStringLiteral("rapport"), {{QStringLiteral("resultats"), lignes}},
        [ferme = std::move(ferme)](const QJsonObject&) { ferme(); }, verrouille);
}

void PersonnesDistantes::AfficherPremierDemarrage(std::function<void()> ensuite)
{
    emit PremierDemarrageEnAttente();
    poser(QStringLiteral("premierDemarrage"), {}, [ensuite = std::move(ensuite)](const QJsonObject&) { ensuite(); });
}
