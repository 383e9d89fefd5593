#pragma once

#include "acquisition/StatutVerification.h"
#include "core/Composants.h"
#include "core/Messages.h"
#include "installation/InterlocuteurInstallation.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <functional>

class DemandeConsole;
class EcouteConsoles;

// What needs a person, for the service: it goes to every attached console, and what must be
// answered waits for a console to answer (for one to attach, when none is). Messages always go
// to standard error as well; nothing is decided silently.
class PersonnesDistantes : public QObject,
                           public Interlocuteur,
                           public StatutVerification,
                           public InterlocuteurInstallation,
                           public ServiceConsole
{
    Q_OBJECT
public:
    explicit PersonnesDistantes(EcouteConsoles& consoles, QObject* parent = nullptr);

    // A console's answer to a question sent to every console. Empty when it is taken (or
    // answers nothing that waits); otherwise why it is refused: a locked report is closed
    // only by the unlock password typed at the console, which the service checks itself.
    QString Repondre(int console, DemandeConsole& reponse);
    // A question of that kind waits for an answer.
    bool QuestionPosee(const QString& type) const { return m_questions.contains(type); }

    // While one lives, the message boxes the server shows go to that console alone: what is
    // said while the service handles a console's request is said to who asked.
    class PourLaConsole
    {
    public:
        PourLaConsole(PersonnesDistantes& personnes, int console);
        ~PourLaConsole();
        PourLaConsole(const PourLaConsole&) = delete;
        PourLaConsole& operator=(const PourLaConsole&) = delete;

    private:
        PersonnesDistantes& m_personnes;
        int m_avant;
    };

    // Interlocuteur: written by Messages::Afficher already; shown on every console.
    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override;

    // StatutVerification
    void Ouvrir(bool manuelle) override;
    void Telechargement(const QString& texte, qint64 taille) override;
    void Progression(qint64 recus) override;
    void Texte(const QString& texte) override;
    void Fermer(bool manuelle) override;

    // InterlocuteurInstallation
    void DemanderIdentifiants(std::function<void(const Identifiants&)> fin) override;
    void OuvrirProgression() override;
    void AfficherProgression(const QString& texte) override;
    void FermerProgression() override;
    void AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme) override;

    // ServiceConsole
    void AfficherPremierDemarrage(std::function<void()> ensuite) override;
    void AfficherIcone() override { }
    void RetirerIcone() override { }
    void OuvrirMenu() override { }
    void VerifConnectes() override { }

signals:
    // The very first start waits for a console to fill in the settings.
    void PremierDemarrageEnAttente();

private:
    // The question waiting for an answer, sent again to each console that attaches.
    struct Question
    {
        QJsonObject message;
        std::function<void(const QJsonObject& reponse)> fin;
        bool verrouillee = false; // a report that only the unlock password closes
    };
    void poser(const QString& type, QJsonObject message, std::function<void(const QJsonObject&)> fin,
               bool verrouillee = false);
    void envoyerQuestions(int console);
    void attendreUneConsole(const QString& typeQuestion);

    EcouteConsoles& m_consoles;
    QHash<QString, Question> m_questions; // by type: one of each kind at a time
    QJsonObject m_progression; // the progress window open, sent again to a console that attaches
    int m_destinataire = 0; // the console the boxes go to for now; 0: every console
};
