#pragma once

#include "ParametresProxy.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

// One HTTP GET: a network client with the proxy chosen for each address, the
// redirections it follows (never from https to a less safe address), and the limits that cut
// a stalled or trickling answer. Subclasses read the answer and report; the exchange deletes
// itself once it has reported, and gives up without reporting when its context goes.
class EchangeWeb : public QObject
{
public:
    // `client`: the network client of a series of exchanges (the attempts of one download), so
    // that they do not each start its connection thread; the exchange has its own when null.
    EchangeWeb(const QString& url, QObject* contexte, QNetworkAccessManager* client = nullptr);
    ~EchangeWeb() override;

protected:
    // Reads the proxy settings and sends the request, with a "Range" header when `plage` is
    // not empty; false with a reason when it cannot start.
    bool lancer(const QByteArray& plage = QByteArray());

    virtual void enTetes() { }
    virtual void lire() { }
    virtual void termine() = 0;

    int statut() const;
    // "réponse HTTP 404 Not Found"
    QString descriptionStatut() const;
    // The reason of a failed exchange: ours when we stopped it, the client's otherwise.
    QString raisonEchec() const;
    // Whether another attempt may succeed: the link or the service was in passing trouble
    // (a cut, a refusal, a name not resolved, a stall, a trickle, a 5xx status).
    bool echecPassager() const;
    void arreter(const QString& raison, bool passager = false);
    // The exchange has failed, but the client ends it by itself (an error page read and dropped).
    void retenirEchec(const QString& raison, bool passager);
    bool contexteVivant() const { return !m_contexte.isNull(); }
    // The failure already has its row in the journal (a refused redirection).
    bool journalise() const { return m_journalise; }
    QUrl adresseCourante() const { return m_adresseCourante; }

    QString m_url;
    ParametresProxy m_proxy;
    std::unique_ptr<QNetworkAccessManager> m_clientPropre;
    QNetworkAccessManager* m_client;
    QNetworkReply* m_reponse = nullptr;
    QString m_raison;

private:
    void envoyer();
    void abandonner();
    void progres(qint64 octetsRecus);
    // The answer sends elsewhere (301, 302, 303, 307, 308 with a Location).
    bool estRedirection() const;
    void rediriger();
    void fin();
    void mesurerDebit();

    QPointer<QObject> m_contexte;
    QByteArray m_plage;
    QUrl m_adresseCourante;
    int m_redirections = 0;
    QTimer m_silence;
    QTimer m_debit;
    qint64 m_octets = 0;
    qint64 m_octetsFenetre = 0;
    bool m_passager = false;
    bool m_journalise = false;
    bool m_credentielsDonnes = false;
};
