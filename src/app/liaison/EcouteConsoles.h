#pragma once

#include <QHash>
#include <QJsonObject>
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
    void Diffuser(const QJsonObject& message);
    void Envoyer(int console, const QJsonObject& message);

    // A console that has not said who it is within this time is let go.
    static constexpr int PresentationMs = 10000;

signals:
    void Attachee(int console);
    void Detachee(int console);
    void Recu(int console, const QJsonObject& message);

private:
    void accepter();
    void presentation(CanalLocal* canal, const QJsonObject& message, const QString& qui);
    void refuser(CanalLocal* canal, const QString& raisonConsole, const QString& raisonJournal);

    QLocalServer* m_serveur = nullptr;
    QString m_chemin;
    QString m_lien;
    QHash<int, CanalLocal*> m_attachees;
    int m_suivante = 1;
};
