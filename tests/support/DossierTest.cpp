#include "DossierTest.h"

#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableMajDispo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>

DossierTest::DossierTest(bool creerBase)
{
    portControle = PortLibre();
    portTransfert = PortLibre();
    QDir(Chemin()).mkpath(QStringLiteral("maj"));
    QDir(Chemin()).mkpath(QStringLiteral("systeme"));
    EcrireConfig();
    EcrireFichier(QStringLiteral("systeme/quentaris.ini"), "SERVEUR=srv01\n");
    if (creerBase)
        BaseInterne::Initialiser(Fichier(BaseInterne::NomFichier()));
}

DossierTest::~DossierTest()
{
    BaseInterne::Fermer();
}

QString DossierTest::Fichier(const QString& nom) const
{
    return QDir(Chemin()).filePath(nom);
}

void DossierTest::EcrireConfig(const QString& lignesEnPlus) const
{
    QString texte = QStringLiteral("PORT=%1\nPORT_TRANSFERT=%2\nDOSSIER_SYSTEME=%3\n")
                        .arg(portControle)
                        .arg(portTransfert)
                        .arg(DossierSysteme());
    EcrireFichier(QStringLiteral("configserv.ini"), (texte + lignesEnPlus).toUtf8());
}

void DossierTest::EcrireFichier(const QString& nom, const QByteArray& contenu) const
{
    QFile f(Fichier(nom));
    QDir().mkpath(QFileInfo(f).absolutePath());
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(contenu);
}

void DossierTest::EcrireParametres(const QString& heure, const QString& utilisateur, const QString& motDePasse,
                                   std::array<bool, 7> jours)
{
    Parametres p;
    p.Jours = jours;
    p.HeureVerifMaj = heure;
    p.EmplacementMaj = DossierMaj();
    p.UtilisateurMaj = utilisateur;
    p.MotDePasseMaj = ChiffrementMotDePasse::Chiffrer(motDePasse, ChiffrementMotDePasse::Cle());
    TableParametres::Inserer(p);
}

bool DossierTest::PublierMaj(qint64 version, const QString& fichier, const QByteArray& contenu,
                             const QByteArray& documentation) const
{
    MajDispo maj;
    maj.NumVersionDispo = version;
    maj.NomFichierMaj = fichier;
    maj.DocAssociee = !documentation.isNull();
    EcrireFichier(QStringLiteral("maj/") + fichier, contenu);
    if (maj.DocAssociee)
        EcrireFichier(QStringLiteral("maj/%1.pdf").arg(version), documentation);
    return TableMajDispo::Inserer(maj) > 0;
}

quint16 PortLibre()
{
    QTcpServer serveur;
    serveur.listen(QHostAddress::LocalHost, 0);
    return serveur.serverPort();
}
