#include "ConnexionTransfert.h"

#include "EnvoiFichier.h"
#include "ProtocoleTransfert.h"
#include "platform/PriseNoyau.h"
#include "platform/TexteFil.h"

#include <QFileInfo>
#include <QTcpSocket>

ConnexionTransfert::ConnexionTransfert(int index, QTcpSocket* prise, bool parNoyau, QObject* parent)
    : QObject(parent), m_index(index), m_prise(prise), m_parNoyau(parNoyau)
{
    m_prise->setParent(this);
    LecteurArrivees::Preparer(m_prise);
    PriseNoyau::ActiverVeille(m_prise->socketDescriptor());
    connect(m_prise, &QTcpSocket::readyRead, this, &ConnexionTransfert::lire);
    connect(m_prise, &QTcpSocket::disconnected, this, &ConnexionTransfert::fermee);
    connect(m_prise, &QTcpSocket::errorOccurred, this, &ConnexionTransfert::fermee);
}

ConnexionTransfert::~ConnexionTransfert()
{
    delete m_envoi;
}

void ConnexionTransfert::Fermer()
{
    if (m_fermee)
        return;
    m_prise->abort();
    fermee();
}

void ConnexionTransfert::lire()
{
    // While a file goes out, what the workstation sends waits: its answer must not cut the stream.
    if (m_envoi || m_fermee)
        return;
    if (const auto message = m_lecteur.Lire(m_prise))
        traiter(*message);
    emit MessageTraite(m_index);
}

void ConnexionTransfert::traiter(const QByteArray& message)
{
    const QString texte = TexteFil::depuisOctets(message);
    const QStringView commande = QStringView(texte).left(6);
    if (commande == QLatin1String("RCPMAJ"))
        demanderTaille(texte.mid(7));
    else if (commande == QLatin1String("OKMAJ0"))
        envoyer();
}

void ConnexionTransfert::demanderTaille(const QString& version)
{
    // A new request replaces the file asked for before, whatever its outcome.
    m_fichier.reset();
    const std::optional<QString> lu = FichierMajPoste(version);
    // The database could not tell: no answer rather than a wrong "ERREURTRANS".
    if (!lu)
        return;
    const QString chemin = *lu;
    auto fichier = std::make_unique<QFile>(chemin);
    if (chemin.isEmpty() || !QFileInfo(chemin).isFile()
        || !fichier->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_prise->write(QByteArrayLiteral("ERREURTRANS"));
        return;
    }
    m_taille = fichier->size();
    m_fichier = std::move(fichier);
    m_prise->write(QByteArray::number(m_taille));
}

void ConnexionTransfert::envoyer()
{
    if (!m_fichier)
        return;
    m_envoi = new EnvoiFichier(m_prise, std::move(m_fichier), m_taille, m_parNoyau, this);
    connect(m_envoi, &EnvoiFichier::Termine, this, &ConnexionTransfert::envoiTermine);
    m_envoi->Demarrer();
}

void ConnexionTransfert::envoiTermine(bool reussi)
{
    if (m_envoi)
        m_envoi->deleteLater();
    m_envoi = nullptr;
    if (!reussi) {
        // The workstation cannot tell a short file from a whole one: it must see the failure.
        Fermer();
        return;
    }
    if (m_prise->bytesAvailable() > 0)
        lire();
}

void ConnexionTransfert::fermee()
{
    if (m_fermee)
        return;
    m_fermee = true;
    // The sender watches the socket's descriptor: it goes before the socket does.
    delete m_envoi;
    m_fichier.reset();
    disconnect(m_prise, nullptr, this, nullptr);
    emit Fermee(m_index);
}
