#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class CanalLocal;

// A console's side of the service: connects to its socket, says which build it is, and then
// carries messages both ways until either side leaves.
class LienService : public QObject
{
    Q_OBJECT
public:
    explicit LienService(QObject* parent = nullptr);
    ~LienService() override;

    // Connects and presents itself; ends in Attache, Refuse or Injoignable, the last one also
    // when the service has not answered within DelaiReponseMs.
    void Connecter(const QString& chemin);
    void FixerDelaiReponse(int ms) { m_delaiReponse = ms; }
    static constexpr int DelaiReponseMs = 10000;
    bool EstAttache() const { return m_attache; }
    // False when the message could not leave: not attached, or the channel just closed. The
    // caller tells the person; nothing is kept to be sent later.
    bool Envoyer(const QJsonObject& message);
    void Fermer();

signals:
    void Attache();
    // The service let this console in no further: the reason, for the person.
    void Refuse(const QString& raison);
    // Nothing answered at that path.
    void Injoignable(const QString& raison);
    // The service went away after it had let this console in.
    void Perdu();
    void Recu(const QJsonObject& message);

private:
    void recu(const QJsonObject& message);

    QPointer<CanalLocal> m_canal;
    QTimer m_reponse; // the service's answer to the presentation, waited for
    int m_delaiReponse = DelaiReponseMs;
    bool m_attache = false;
    bool m_refuse = false;
};
