#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <memory>

class QSocketNotifier;
class QTcpSocket;

// Sends one update file on a transfer connection: the file's bytes, then spaces to the end of
// the last chunk. Writes follow what the socket accepts, so a slow workstation never makes the
// program hold more than one small buffer, and other connections are served in between. Where
// the kernel can send the file itself, its bytes never pass through the program.
class EnvoiFichier : public QObject
{
    Q_OBJECT
public:
    // `taille` is the size announced to the workstation; exactly that many bytes of the file go.
    EnvoiFichier(QTcpSocket* prise, std::unique_ptr<QFile> fichier, qint64 taille, bool parNoyau,
                 QObject* parent = nullptr);
    ~EnvoiFichier() override;

    void Demarrer();

signals:
    // Everything has been handed to the socket (true), or the file could not be read to the
    // announced size or the connection failed (false). The file is closed by then.
    void Termine(bool reussi);

private:
    void avancer();
    bool avancerParNoyau();
    void avancerParCopie();
    void finir(bool reussi);

    QTcpSocket* m_prise;
    std::unique_ptr<QFile> m_fichier;
    qint64 m_taille;
    qint64 m_position = 0;
    bool m_parNoyau;
    bool m_fini = false;
    bool m_regroupe = false;
    QSocketNotifier* m_ecriture = nullptr;
    QByteArray m_tampon;
};
