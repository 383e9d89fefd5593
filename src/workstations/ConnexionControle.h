#pragma once

#include "LecteurArrivees.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class CacheReponsesListe;
class Etat;
class FileRapports;
class QTcpSocket;

// One workstation control connection: its number, its label and its messages.
class ConnexionControle : public QObject
{
    Q_OBJECT
public:
    // Version reports go to `rapports`, which writes them or keeps them until the database
    // takes them.
    ConnexionControle(int index, QTcpSocket* prise, const Etat& etat, CacheReponsesListe* cache, FileRapports* rapports,
                      QObject* parent = nullptr);

    int Index() const { return m_index; }
    // The label: user name + "|" + date and time of the announcement; empty until then.
    QString Tag() const { return m_tag; }
    // Dotted IPv4 for an IPv4 workstation, even on a listener that also takes IPv6.
    QString Adresse() const { return m_adresse; }
    QAbstractSocket::SocketState EtatPrise() const;

    // Closes the connection at once, without Fermee().
    void Fermer();

signals:
    // The workstation closed the connection, or it failed.
    void Fermee(int index);
    // What had arrived has been handled (answered, ignored or thrown away).
    void MessageTraite(int index);

private:
    void lire();
    void fermee();

    int m_index;
    QTcpSocket* m_prise;
    const Etat& m_etat;
    CacheReponsesListe* m_cache;
    FileRapports* m_rapports;
    QString m_tag;
    QString m_adresse;
    bool m_fermee = false;
    LecteurArrivees m_lecteur;
};
