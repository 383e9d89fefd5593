#pragma once

#include "console/AccesServeur.h"
#include "core/Etat.h"

#include <QJsonObject>
#include <functional>

class LienService;

// The console's access to the system service it is attached to: what the service last said of
// its state, and every request sent over its socket. Each request carries an identifier; the
// end or the refusal of a move or an installation is taken only when it answers this console's
// own request. A request that cannot leave, or that the service refuses, is told to the person.
class AccesServeurDistant : public AccesServeur
{
    Q_OBJECT
public:
    explicit AccesServeurDistant(LienService& lien, QObject* parent = nullptr);

    const Etat& Etat_() const override { return m_etat; }
    int PostesConnectes() const override { return m_postes; }
    QVector<ServeurPostes::Session> Sessions() const override { return m_sessions; }
    bool PosteConnecte(const QString& adresse) const override;

    void VerifierMaintenant() override;
    void RetirerSession(int index) override;
    void InstallerMajServeur(const QString& fichier, const QString& version, const QString& id) override;
    void PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                               const QString& id) override;
    void ParametresEnregistres(const Parametres& parametres) override;
    void DeplacerMaj(const QString& ancien, const QString& nouveau) override;
    // The menu's quit entry: what the console does is set with DefinirQuitter.
    void Quitter() override;
    void DefinirQuitter(std::function<void()> quitter) { m_quitter = std::move(quitter); }
    // Asks the service to stop; false when the request could not leave (told to the person).
    bool DemanderArret();
    // Answers a question of the service; false when it could not leave.
    bool Repondre(const QString& question, QJsonObject reponse);
    // The unlock password typed in a locked report, for the service to check.
    void Deverrouiller(const QString& motDePasse);

    // A message of the service about its state, or an answer to a request of this console;
    // false when it is about something else.
    bool Recevoir(const QJsonObject& message);
    // The service is gone: a move or an installation waiting for its answer ends unfinished,
    // and nothing of its state is shown as current any more.
    void ServicePerdu();

    // Told when a request cannot reach the service.
    static QString MessageServiceAbsent();
    // Told when the service goes during a move asked from this console.
    static QString MessageDeplacementInterrompu();

signals:
    // The service refused this console's unlock password.
    void DeverrouillageRefuse(const QString& raison);

private:
    // Sends a request; its identifier, or 0 when it could not leave.
    qint64 envoyer(const QString& type, QJsonObject message = {});
    void lireEtat(const QJsonObject& message);
    void refus(qint64 demande, const QString& raison);
    void finDeplacement(bool reussi);

    LienService& m_lien;
    Etat m_etat;
    int m_postes = 0;
    QVector<ServeurPostes::Session> m_sessions;
    std::function<void()> m_quitter;
    qint64 m_derniere = 0; // the last identifier given to a request
    qint64 m_deplacement = 0; // the move waiting for its end
    qint64 m_installation = 0; // the installation waiting for its end
    qint64 m_deverrouillage = 0; // the unlock password waiting for the service's word
};
