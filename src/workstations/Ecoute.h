#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

class QSocketNotifier;
class QTcpSocket;

// One listener of the workstation channels, on every address of the machine, with room for
// many workstations connecting at once. A failed accept (no descriptor left, no memory) never
// stops it for good: it rests a moment, the connections waiting in the kernel's queue, then
// goes on; standard error gets one line for each spell of failures, not one per attempt.
class Ecoute : public QObject
{
    Q_OBJECT
public:
    static constexpr int PauseApresEchecMs = 250;

    // `nom`: the object name of the listener; `canal`: "de contrôle", "de transfert".
    Ecoute(const QString& nom, const QString& canal, QObject* parent = nullptr);
    ~Ecoute() override;

    // False with a French message naming the channel and the port.
    bool Ouvrir(quint16 port, QString* erreur);
    void Fermer();
    quint16 Port() const { return m_serveur.serverPort(); }

signals:
    // A new connection, in connected state; the receiver takes it (it is a child of the
    // listener until then).
    void Acceptee(QTcpSocket* prise);

private:
    void accepter();
    void accepterParQt();
    void echec(const QString& raison);
    void reprendre();

    QString m_canal;
    QTcpServer m_serveur; // binds and listens; accepting is done here where the platform allows
    QSocketNotifier* m_attente = nullptr;
    QTimer m_pause;
    QElapsedTimer m_dernierEchec;
};
