#pragma once

#include "JournalRefus.h"

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

class CanalLocal;
class QLocalServer;

// The service's side of its consoles: a local socket every user may reach, where only root and
// administrators are let in (their identity from the kernel, never from what they send), and
// only a console of the same build. Each console is known by a number; a console that leaves,
// dies or misbehaves changes nothing else.
class EcouteConsoles : public QObject
{
    Q_OBJECT
public:
    explicit EcouteConsoles(QObject* parent = nullptr);
    ~EcouteConsoles() override;

    // Listens at `chemin` (a socket left there by an earlier run is replaced); when `lien` is
    // given, that path of the program folder becomes a link to it. False with the reason.
    bool Ecouter(const QString& chemin, const QString& lien, QString* erreur);
    void Arreter();

    int Consoles() const { return int(m_attachees.size()); }
    // Who is behind an attached console, for the journal: the user and the process.
    QString Qui(int console) const;
    // Refusals go to standard error once a minute per user at most, with a count.
    JournalRefus& Refus() { return m_refus; }

    // What a console of a user who is neither root nor an administrator is told.
    static QString MessageNonAdministrateur(const QString& utilisateur);
    // What a console of another build or protocol is told: both sides of each.
    static QString MessageVersions(const QJsonValue& version, const QJsonValue& protocole);
    void Diffuser(const QJsonObject& message);
    void Envoyer(int console, const QJsonObject& message);

    // A console that has not said who it is within this time is let go.
    static constexpr int PresentationMs = 10000;
    // Refused consoles waited for while they read why, at most; the others are cut off at once.
    static constexpr int RefusEnCoursMax = 32;

signals:
    void Attachee(int console);
    void Detachee(int console);
    void Recu(int console, const QJsonObject& message);

private:
    void accepter();
    void presentation(CanalLocal* canal, const QJsonObject& message, const QString& qui, const QString& utilisateur);
    void refuser(CanalLocal* canal, const QString& utilisateur, const QString& raisonConsole,
                 const QString& raisonJournal);

    QLocalServer* m_serveur = nullptr;
    QString m_chemin;
    QString m_lien;
    QHash<int, CanalLocal*> m_attachees;
    QHash<int, QString> m_qui;
    JournalRefus m_refus;
    int m_suivante = 1;
    int m_refusEnCours = 0; // refused consoles given the time to read why
};
