#pragma once

#include "LecteurArrivees.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <memory>

class EnvoiFichier;
class QTcpSocket;

// One transfer connection: a workstation asks for the size of a version's file ("RCPMAJ"),
// then for the file ("OKMAJ0"). Each connection has its own open file.
class ConnexionTransfert : public QObject
{
    Q_OBJECT
public:
    ConnexionTransfert(int index, QTcpSocket* prise, bool parNoyau, QObject* parent = nullptr);
    ~ConnexionTransfert() override;

    int Index() const { return m_index; }
    // Closes the connection at once; Fermee() follows.
    void Fermer();

signals:
    // The workstation closed the connection, or it failed.
    void Fermee(int index);
    // What had arrived has been handled (answered, ignored or thrown away).
    void MessageTraite(int index);

private:
    void lire();
    void traiter(const QByteArray& message);
    void demanderTaille(const QString& version);
    void envoyer();
    void envoiTermine(bool reussi);
    void fermee();

    int m_index;
    QTcpSocket* m_prise;
    bool m_parNoyau;
    bool m_fermee = false;
    LecteurArrivees m_lecteur;
    std::unique_ptr<QFile> m_fichier;
    qint64 m_taille = 0;
    QPointer<EnvoiFichier> m_envoi;
};
