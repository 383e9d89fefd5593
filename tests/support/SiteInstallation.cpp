#include "SiteInstallation.h"

#include "ArchiveZipTest.h"
#include "DossierTest.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace {

const char* const kCommande = "#!/bin/sh\n"
                              "echo debut >> journal.txt\n"
                              "ls -l /proc/self/fd > descripteurs.txt\n"
                              "printf '%s\\n' \"$@\" > arguments.txt\n"
                              "pwd > dossier.txt\n"
                              "while [ -e ATTENTE ]; do sleep 0.05; done\n"
                              "[ -e RESTE ] && (sleep 60 & echo $! > reste.pid)\n"
                              "echo fin >> journal.txt\n"
                              "[ -e REFUS ] && exit 0\n"
                              ": > \"INSTALLMAJ/$(basename \"$1\")\"\n";

} // namespace

SiteInstallation::SiteInstallation(DossierTest& dossier, Etat& etat) : m_dossier(dossier)
{
    QDir(dossier.Chemin()).mkpath(QStringLiteral("quentaris"));
    QDir(dossier.Chemin()).mkpath(QStringLiteral("unidata"));
    etat.DossierProgramme = dossier.Chemin();
    etat.Config.DossierServeur = DossierServeur();
    etat.Config.PartageUniDATA = Partage();
    etat.DossierWindows = dossier.DossierSysteme();
    etat.EmplacementMaj = dossier.DossierMaj();
    etat.ServeurUniDATA = QStringLiteral("srv01");
}

QString SiteInstallation::DossierServeur() const
{
    return m_dossier.Fichier(QStringLiteral("quentaris/Serveur"));
}

QString SiteInstallation::Partage() const
{
    return m_dossier.Fichier(QStringLiteral("unidata"));
}

QString SiteInstallation::Base(const QString& nom) const
{
    return Partage() + QLatin1Char('/') + nom;
}

QString SiteInstallation::CreerBase(const QString& nom) const
{
    QDir().mkpath(Base(nom));
    return Base(nom);
}

void SiteInstallation::EcrireBases(const QByteArray& contenu) const
{
    m_dossier.EcrireFichier(QStringLiteral("unidata/BASES.TXT"), contenu);
}

void SiteInstallation::EcrireIni(const QByteArray& contenu) const
{
    m_dossier.EcrireFichier(QStringLiteral("systeme/quentaris.ini"), contenu);
}

void SiteInstallation::Declarer(const QStringList& bases) const
{
    QByteArray liste;
    QByteArray ini("SERVEUR=srv01\r\n");
    for (const QString& nom : bases) {
        liste += nom.toUtf8() + "\r\n";
        ini += nom.toUtf8() + '=' + Base(nom).toUtf8() + "\r\n";
        CreerBase(nom);
    }
    EcrireBases(liste);
    EcrireIni(ini);
}

void SiteInstallation::EcrireConfigServeur() const
{
    m_dossier.EcrireConfig(QStringLiteral("DOSSIER_SERVEUR=") + DossierServeur() + QStringLiteral("\nPARTAGE_UNIDATA=")
                           + Partage() + QLatin1Char('\n'));
}

QString SiteInstallation::CreerArchive(const QString& version, bool serveur, bool installMaj) const
{
    QVector<EntreeZip> entrees;
    if (serveur)
        entrees.append({QStringLiteral("QuentarisServeur.exe"), "MZ nouveau serveur", EntreeZip::Fichier, 0755});
    return CreerArchiveAvec(version, entrees, installMaj);
}

QString SiteInstallation::CreerArchiveAvec(const QString& version, const QVector<EntreeZip>& autres,
                                           bool installMaj) const
{
    QVector<EntreeZip> entrees;
    entrees.append({QStringLiteral("LISEZMOI.txt"), "Mise à jour " + version.toUtf8() + "\r\n"});
    if (installMaj) {
        entrees.append({QStringLiteral("INSTALLMAJ/LANCEMAJCD"), kCommande, EntreeZip::Fichier, 0755});
        entrees.append({QStringLiteral("INSTALLMAJ/PROGRAMMES/MAJ.TXT"), "programme\r\n"});
    }
    entrees += autres;
    const QString fichier = version + QStringLiteral(".zip");
    ArchiveZipTest::Ecrire(m_dossier.DossierMaj() + QLatin1Char('/') + fichier, entrees);
    return fichier;
}

qint64 SiteInstallation::MettreEnAttente(const QString& version, const QString& fichier) const
{
    MajDispo maj;
    maj.NumVersionDispo = version.toLongLong();
    maj.NomFichierMaj = fichier;
    maj.EnvironnementMaj = 1;
    maj.DateMajDispo = QStringLiteral("2026-12-01");
    maj.HeureMajDispo = QStringLiteral("10:00:00");
    const qint64 idDispo = TableMajDispo::Inserer(maj);
    TableMajAttente::Ajouter(idDispo, QDate(2026, 12, 1));
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT MAX(IdMajAttente) FROM MajAttente"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool SiteInstallation::Installee(qint64 idMajAttente) const
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT MajInstall FROM MajAttente WHERE IdMajAttente = ?"),
                                        {idMajAttente});
    return q.next() && q.value(0).toLongLong() != 0;
}

bool SiteInstallation::Differee(qint64 idMajAttente) const
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT DiffereOuiNon FROM MajAttente WHERE IdMajAttente = ?"),
                                        {idMajAttente});
    return q.next() && q.value(0).toLongLong() != 0;
}

QByteArray SiteInstallation::Lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void InterlocuteurInstallationScripte::DemanderIdentifiants(std::function<void(const Identifiants&)> fin)
{
    ++demandes;
    Identifiants reponse;
    reponse.Utilisateur = QStringLiteral("udt");
    reponse.MotDePasse = QStringLiteral("pw");
    if (!reponses.isEmpty())
        reponse = reponses.takeFirst();
    fin(reponse);
}

void InterlocuteurInstallationScripte::OuvrirProgression()
{
    ++ouvertures;
    progressionOuverte = true;
}

void InterlocuteurInstallationScripte::AfficherProgression(const QString& texte)
{
    progression.append(texte);
}

void InterlocuteurInstallationScripte::FermerProgression()
{
    progressionOuverte = false;
}

void InterlocuteurInstallationScripte::AfficherRapport(const QVector<ResultatBase>& resultats,
                                                       std::function<void()> ferme)
{
    rapports.append(resultats);
    if (pendantRapport)
        pendantRapport();
    if (retenirRapport) {
        fermerRapport = std::move(ferme);
        return;
    }
    ferme();
}
