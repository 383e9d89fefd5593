#pragma once

#include "OptionsPoste.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <functional>

// Plays a workstation against the server, step by step, and says in French what the server
// answered. Ends with Fini(0) when every step succeeded, Fini(1) otherwise.
class ClientPoste : public QObject
{
    Q_OBJECT
public:
    explicit ClientPoste(const OptionsPoste& options, QObject* parent = nullptr);

    void Lancer();

signals:
    void Fini(int code);

private:
    // How an answer is known to be complete.
    enum class Forme
    {
        Optionnelle,
        Controle,
        Taille
    };

    void suivant();
    void echouer(const QString& raison);
    void dire(const QString& texte);

    void connecter(QTcpSocket& prise, quint16 port, const QString& canal);
    void annoncer();
    void demanderListe();
    void signaler();
    void recuperer(const QString& version);
    void recevoirFichier(const QString& version, qint64 taille);
    void arriveeFichier();

    void envoyer(QTcpSocket& prise, const QString& message);
    void attendre(QTcpSocket& prise, Forme forme, std::function<void(const QByteArray&)> suite);
    void arrivee();
    void repondre();
    void delaiEcoule();

    OptionsPoste m_options;
    std::deque<std::function<void()>> m_etapes;
    QTcpSocket m_controle;
    QTcpSocket m_transfert;
    QTimer m_delai;
    QTimer m_silence;
    bool m_fini = false;

    // The answer being awaited.
    QTcpSocket* m_attendue = nullptr;
    Forme m_forme = Forme::Controle;
    QByteArray m_recu;
    std::function<void(const QByteArray&)> m_suite;

    // The file being received.
    QFile m_fichier;
    QString m_versionFichier;
    qint64 m_taille = 0;
    qint64 m_recuFichier = 0;
    qint64 m_attenduFlux = 0;
    bool m_bourrageCorrect = true;
};
