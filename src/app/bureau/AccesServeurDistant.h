#pragma once

#include "console/AccesServeur.h"
#include "core/Etat.h"

#include <QJsonObject>

class LienService;

// The console's access to the system service it is attached to: what the service last said of
// its state, and every request sent over its socket.
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
    void Quitter() override;

    // A message of the service about its state, an installation's end or a move's course;
    // false when it is about something else.
    bool Recevoir(const QJsonObject& message);

private:
    void envoyer(const QString& type, QJsonObject message = {});
    void lireEtat(const QJsonObject& message);

    LienService& m_lien;
    Etat m_etat;
    int m_postes = 0;
    QVector<ServeurPostes::Session> m_sessions;
};
