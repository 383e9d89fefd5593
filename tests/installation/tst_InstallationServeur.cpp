#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "platform/SignauxArret.h"
#include "support/ArchiveZipTest.h"
#include "support/AutreProgramme.h"
#include "support/Descripteurs.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/SiteInstallation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

// Message boxes answered from the script, with a look at the server at the moment each one
// is shown.
class MessagesObserves : public InterlocuteurScripte
{
public:
    std::function<void()> pendant;

    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override
    {
        if (pendant)
            pendant();
        return InterlocuteurScripte::Afficher(proprietaire, titre, texte, icone, boutons);
    }
};

} // namespace

class TstInstallationServeur : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Frm_Reseau> m_reseau;
    std::unique_ptr<SiteInstallation> m_site;
    std::unique_ptr<ClientUniDATALocal> m_client;
    std::unique_ptr<InstallationServeur> m_installation;
    std::unique_ptr<InstallationDifferee> m_differee;
    std::unique_ptr<MessagesObserves> m_messages;
    InterlocuteurInstallationScripte m_personne;

    Etat& etat() { return m_reseau->Etat_(); }

    // Installs and waits for the end; -1 when the end never came.
    int installer(const QString& fichier, const QString& version, qint64 id)
    {
        int fin = -1;
        m_installation->InstallerMajServeur(fichier, version, QString::number(id),
                                            [&fin](bool installee) { fin = installee ? 1 : 0; });
        if (!QTest::qWaitFor([&fin] { return fin != -1; }, 20000))
            return -1;
        return fin;
    }

    void ecrireMiseAJourServeur(const QString& script)
    {
        const QString chemin = m_dossier->Fichier(QStringLiteral("MajProgServeur"));
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(script.toUtf8());
        f.close();
        QFile::setPermissions(chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_reseau = std::make_unique<Frm_Reseau>();
        m_site = std::make_unique<SiteInstallation>(*m_dossier, etat());
        m_client = std::make_unique<ClientUniDATALocal>();
        m_installation = std::make_unique<InstallationServeur>(*m_reseau, *m_client);
        m_differee = std::make_unique<InstallationDifferee>(*m_reseau, *m_installation);
        m_messages = std::make_unique<MessagesObserves>();
        m_personne = InterlocuteurInstallationScripte();
        m_installation->FixerInterlocuteur(&m_personne);
        m_site->Declarer({QStringLiteral("COMPTA"), QStringLiteral("PAIE")});
    }

    void cleanup()
    {
        m_messages.reset();
        m_differee.reset();
        m_installation.reset();
        m_client.reset();
        m_site.reset();
        m_reseau.reset();
        m_dossier.reset();
    }

    void installationReussieMarqueLaFileEtVideLePlan()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        m_differee->Planifier(QDateTime(QDate(2030, 1, 1), QTime(22, 0)), fichier, QStringLiteral("512"),
                              QString::number(id));
        bool occupePendantRapport = false;
        bool installeePendantRapport = false;
        m_personne.pendantRapport = [&] {
            occupePendantRapport = etat().InstallationEnCours;
            installeePendantRapport = m_site->Installee(id);
        };

        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 1);
        QVERIFY(occupePendantRapport);
        QVERIFY(installeePendantRapport);
        QVERIFY(!etat().InstallationEnCours);
        QCOMPARE(m_personne.rapports.size(), 1);
        QCOMPARE(m_personne.rapports.first().size(), 2);
        QCOMPARE(m_personne.rapports.first().at(1).Etat, QStringLiteral("Installée"));
        QVERIFY(m_differee->Plan().Vide());
        QVERIFY(!m_site->Differee(id));
        QCOMPARE(SiteInstallation::Lire(m_site->DossierServeur() + QStringLiteral("/512/LISEZMOI.txt")),
                 QByteArray("Mise à jour 512\r\n"));
        QVERIFY(QFileInfo::exists(m_site->Base(QStringLiteral("PAIE")) + QStringLiteral("/INSTALLMAJ/512")));
        QVERIFY(m_messages->affiches.isEmpty());
        // Credentials not kept are forgotten at the end.
        QVERIFY(m_installation->Bases().UtilisateurUniDATA.isEmpty());
    }

    // Databases updated but the queue row cannot be marked: the person is told, before the
    // report, that the update still waits; nothing claims it installed.
    void marquageImpossibleSignale()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        QVERIFY(BaseInterne::Commande(QStringLiteral("CREATE TRIGGER refus BEFORE UPDATE OF MajInstall ON MajAttente "
                                                     "BEGIN SELECT RAISE(ABORT, 'lecture seule'); END")));
        int messagesAvantRapport = -1;
        m_personne.pendantRapport = [&] {
            messagesAvantRapport = int(m_messages->affiches.size());
        };

        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        QVERIFY(!m_site->Installee(id));
        QVERIFY(!etat().InstallationEnCours);
        QCOMPARE(m_personne.rapports.first().at(1).Etat, QStringLiteral("Installée"));
        QCOMPARE(messagesAvantRapport, 1);
        QCOMPARE(m_messages->affiches.first().texte,
                 QStringLiteral("La mise à jour serveur 512 a été installée, mais elle n'a pas pu être marquée comme "
                                "installée dans la base interne du serveur de mise à jour.\r\nElle reste dans la "
                                "liste des mises à jour serveur en attente. Veuillez contacter l'équipe technique "
                                "d'QUENTARIS."));
    }

    void echecLaisseLaMiseAJourEnAttente()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        m_differee->Planifier(QDateTime(QDate(2030, 1, 1), QTime(22, 0)), fichier, QStringLiteral("512"),
                              QString::number(id));
        QFile(m_site->Base(QStringLiteral("PAIE")) + QStringLiteral("/REFUS")).open(QIODevice::WriteOnly);

        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        QVERIFY(!m_site->Installee(id));
        QVERIFY(!etat().InstallationEnCours);
        QCOMPARE(m_personne.rapports.first().at(1).Code, QStringLiteral("2"));
        QCOMPARE(m_differee->Plan().IdPlanifie, QString::number(id));

        // Cancelled credentials: the report is still shown, empty, and the update waits.
        Identifiants annule;
        annule.Annule = true;
        m_personne.reponses = {annule};
        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        QCOMPARE(m_personne.rapports.size(), 2);
        QVERIFY(m_personne.rapports.last().isEmpty());
        QVERIFY(!etat().InstallationEnCours);
    }

    // An archive of which one entry is refused is never applied: no database is touched, the
    // update stays pending, and the person learns which entry failed and why, once the
    // workstations are no longer told that the server installs.
    void archiveIncompleteJamaisAppliquee()
    {
        const QString fichier = m_site->CreerArchiveAvec(
            QStringLiteral("512"),
            {{QStringLiteral("../evade.txt"), "dehors"}, {QStringLiteral("apres.txt"), "apres"}});
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        m_differee->Planifier(QDateTime(QDate(2030, 1, 1), QTime(22, 0)), fichier, QStringLiteral("512"),
                              QString::number(id));
        QList<bool> occupeAuMessage;
        m_messages->pendant = [&] {
            occupeAuMessage.append(etat().InstallationEnCours);
        };

        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        const QString archive = m_dossier->DossierMaj() + QStringLiteral("/512.zip");
        QCOMPARE(m_messages->Textes(),
                 QStringList{QStringLiteral("L'archive « ") + archive
                             + QStringLiteral(" » de la mise à jour serveur 512 n'a pas pu être extraite "
                                              "entièrement : aucune base de données n'a été mise à jour et la "
                                              "mise à jour reste en attente.\r\nEntrée « ../evade.txt » refusée : "
                                              "elle sortirait du dossier de destination.")});
        QCOMPARE(m_messages->affiches.first().icone, Icone::Exclamation);
        QCOMPARE(occupeAuMessage, QList<bool>{false});
        QVERIFY(!etat().InstallationEnCours);
        QVERIFY(!m_site->Installee(id));
        QCOMPARE(m_differee->Plan().IdPlanifie, QString::number(id));
        QCOMPARE(m_personne.demandes, 0);
        QVERIFY(m_personne.rapports.isEmpty());
        for (const QString& base : {QStringLiteral("COMPTA"), QStringLiteral("PAIE")}) {
            QVERIFY(!QFileInfo::exists(m_site->Base(base) + QStringLiteral("/journal.txt")));
            QVERIFY(!QFileInfo::exists(m_site->Base(base) + QStringLiteral("/INSTALLMAJ")));
        }

        // An entry whose content outgrows its announced size is refused the same way.
        const QString forge
            = m_site->CreerArchiveAvec(QStringLiteral("512"), {{QStringLiteral("gros.bin"), QByteArray(100000, 'g')}});
        QVERIFY(ArchiveZipTest::FalsifierTaille(m_dossier->DossierMaj() + QLatin1Char('/') + forge,
                                                QStringLiteral("gros.bin"), 1000));
        QCOMPARE(installer(forge, QStringLiteral("512"), id), 0);
        QCOMPARE(m_messages->affiches.size(), 2);
        QVERIFY(m_messages->Dernier().contains(QStringLiteral("en attente.\r\nEntrée « gros.bin » ")));
        QVERIFY(!m_site->Installee(id));
        QCOMPARE(m_personne.demandes, 0);
        QVERIFY(!QFileInfo::exists(m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt")));
    }

    // An installation asked for earlier (the immediate-start dialog left open while the
    // planned start ran) finds the update installed, or no longer the oldest: nothing runs.
    void seulementLaPremiereMiseAJourEncoreEnAttente()
    {
        const QString premier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id512 = m_site->MettreEnAttente(QStringLiteral("512"), premier);
        const QString second = m_site->CreerArchive(QStringLiteral("513"));
        const qint64 id513 = m_site->MettreEnAttente(QStringLiteral("513"), second);
        const QString journal = m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt");

        QCOMPARE(installer(second, QStringLiteral("513"), id513), 0);
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("La mise à jour serveur 513 n'est plus la première des mises à jour serveur en "
                                "attente.\r\nLes mises à jour doivent être effectuées dans l'ordre chronologique "
                                "d'arrivée. Merci de faire les mises à jour précédentes avant de lancer celle-ci."));
        QVERIFY(!QFileInfo::exists(m_site->DossierServeur() + QStringLiteral("/513")));
        QCOMPARE(m_personne.demandes, 0);

        QCOMPARE(installer(premier, QStringLiteral("512"), id512), 1);
        QCOMPARE(SiteInstallation::Lire(journal), QByteArray("debut\nfin\n"));
        QCOMPARE(installer(premier, QStringLiteral("512"), id512), 0);
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("La mise à jour serveur 512 est déjà installée : elle n'est pas installée une "
                                "seconde fois."));
        QCOMPARE(m_personne.demandes, 1);
        QCOMPARE(m_personne.rapports.size(), 1);
        QCOMPARE(SiteInstallation::Lire(journal), QByteArray("debut\nfin\n"));
        QVERIFY(!etat().InstallationEnCours);

        QCOMPARE(installer(second, QStringLiteral("513"), id513), 1);
        QCOMPARE(SiteInstallation::Lire(journal), QByteArray("debut\nfin\ndebut\nfin\n"));
    }

    // A queue that cannot be read gives its own reason, never "no longer queued", and installs
    // nothing; once it can be read again, the update installs.
    void fileIllisible()
    {
        const QString archive = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), archive);
        const QString journal = m_site->Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt");
        AutreProgramme autre(m_dossier->Fichier(BaseInterne::NomFichier()));
        for (const QString& table : {QStringLiteral("MajAttente"), QStringLiteral("MajDispo")}) {
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE %1 RENAME TO Cachee").arg(table)));
            QCOMPARE(installer(archive, QStringLiteral("512"), id), 0);
            QCOMPARE(m_messages->Dernier(),
                     QStringLiteral("La file des mises à jour serveur en attente ne peut pas être lue dans la base de "
                                    "données interne : la mise à jour serveur 512 n'est pas installée."));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE Cachee RENAME TO %1").arg(table)));
        }
        QVERIFY(!QFileInfo::exists(m_site->DossierServeur() + QStringLiteral("/512")));
        QCOMPARE(m_personne.demandes, 0);
        QCOMPARE(installer(archive, QStringLiteral("512"), id), 1);
        QCOMPARE(SiteInstallation::Lire(journal), QByteArray("debut\nfin\n"));
    }

    // Archives are made on Windows: their entries carry no Unix mode bits.
    void archiveFaiteSousWindows()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        QVERIFY(ArchiveZipTest::CommeSousWindows(m_dossier->DossierMaj() + QLatin1Char('/') + fichier));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);

        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 1);
        QVERIFY(!QFileInfo(m_site->DossierServeur() + QStringLiteral("/512/INSTALLMAJ/LANCEMAJCD")).isExecutable());
        QCOMPARE(m_personne.rapports.first().size(), 2);
        for (const ResultatBase& r : m_personne.rapports.first())
            QCOMPARE(r.Etat, QStringLiteral("Installée"));
        QVERIFY(m_site->Installee(id));
    }

    // Refused before it starts, the installation leaves the update as it was, planned included.
    void rienNeDemarreSansDossierParentNiArchive()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        m_differee->Planifier(QDateTime(QDate(2030, 1, 1), QTime(22, 0)), fichier, QStringLiteral("512"),
                              QString::number(id));

        QFile::remove(m_dossier->DossierMaj() + QLatin1Char('/') + fichier);
        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("Le fichier de la mise à jour serveur 512 est introuvable : « ")
                     + m_dossier->DossierMaj() + QLatin1Char('/') + fichier
                     + QStringLiteral(" ».\r\nLa mise à jour reste en attente."));

        m_site->CreerArchive(QStringLiteral("512"));
        etat().Config.DossierServeur = m_dossier->Fichier(QStringLiteral("absent/Serveur"));
        QCOMPARE(installer(fichier, QStringLiteral("512"), id), 0);
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("Le dossier « ") + m_dossier->Fichier(QStringLiteral("absent"))
                     + QStringLiteral(" » est introuvable : la mise à jour serveur 512 ne peut "
                                      "pas être installée.\r\nVeuillez créer ce dossier et "
                                      "essayez à nouveau."));
        QCOMPARE(m_messages->affiches.size(), 2);
        QCOMPARE(m_messages->affiches.first().icone, Icone::Exclamation);
        QCOMPARE(m_personne.demandes, 0);
        QVERIFY(m_personne.rapports.isEmpty());
        QVERIFY(!etat().InstallationEnCours);
        QVERIFY(!m_site->Installee(id));
        QVERIFY(m_site->Differee(id));
        QVERIFY(!QFileInfo::exists(m_dossier->Fichier(QStringLiteral("absent"))));
    }

    // The updater is started with the version, and with standard input, output and error
    // alone among the server's descriptors (its stop pair is open here, as in the server).
    void redemarrageParLeProgrammeDeMiseAJour()
    {
        SignauxArret arret;
        ecrireMiseAJourServeur(
            QStringLiteral("#!/bin/sh\nd=\"$(dirname \"$0\")\"\nls -l /proc/self/fd > \"$d/descripteurs.txt\"\n"
                           "printf '%s|' \"$@\" > \"$d/lance.txt\"\n"));
        const QString fichier = m_site->CreerArchive(QStringLiteral("515"), true);
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("515"), fichier);
        QSignalSpy fin(m_reseau.get(), &Frm_Reseau::Fin);
        QSignalSpy terminee(m_installation.get(), &InstallationServeur::Terminee);

        m_installation->InstallerMajServeur(fichier, QStringLiteral("515"), QString::number(id));
        QTRY_COMPARE_WITH_TIMEOUT(fin.size(), 1, 20000);
        QCOMPARE(fin.first().first().toInt(), Frm_Reseau::CodeRedemarrage);
        QVERIFY(m_site->Installee(id));
        QCOMPARE(m_messages->Dernier(),
                 QStringLiteral("Afin d'appliquer correctement les modifications apportées par "
                                "la mise à jour, l'application doit redémarrer."));
        QCOMPARE(m_messages->affiches.last().icone, Icone::Information);
        QTRY_COMPARE_WITH_TIMEOUT(SiteInstallation::Lire(m_dossier->Fichier(QStringLiteral("lance.txt"))),
                                  QByteArray("515|"), 10000);
        QCOMPARE(DescripteursHerites(m_dossier->Fichier(QStringLiteral("descripteurs.txt"))).join(QStringLiteral(", ")),
                 QString());
        QCOMPARE(terminee.size(), 0);
    }

    void programmeDeMiseAJourAbsent()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("515"), true);
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("515"), fichier);
        QSignalSpy fin(m_reseau.get(), &Frm_Reseau::Fin);

        QCOMPARE(installer(fichier, QStringLiteral("515"), id), 1);
        QCOMPARE(fin.size(), 0);
        QVERIFY(m_site->Installee(id));
        QVERIFY(!etat().InstallationEnCours);
        QCOMPARE(m_messages->affiches.size(), 1);
        QVERIFY(m_messages->Dernier().startsWith(QStringLiteral("Le programme de redémarrage « ")
                                                 + m_dossier->Fichier(QStringLiteral("MajProgServeur"))
                                                 + QStringLiteral(" » est introuvable")));
    }

    void uneSeuleInstallationALaFois()
    {
        const QString fichier = m_site->CreerArchive(QStringLiteral("512"));
        const qint64 id = m_site->MettreEnAttente(QStringLiteral("512"), fichier);
        m_personne.retenirRapport = true;
        int premiere = -1;
        m_installation->InstallerMajServeur(fichier, QStringLiteral("512"), QString::number(id),
                                            [&premiere](bool ok) { premiere = ok; });
        QTRY_COMPARE_WITH_TIMEOUT(m_personne.rapports.size(), 1, 20000);
        QVERIFY(etat().InstallationEnCours);

        int seconde = -1;
        m_installation->InstallerMajServeur(fichier, QStringLiteral("512"), QString::number(id),
                                            [&seconde](bool ok) { seconde = ok; });
        QCOMPARE(seconde, 0);
        QCOMPARE(m_messages->Dernier(), InstallationServeur::MessageOccupe());
        QVERIFY(etat().InstallationEnCours);

        m_personne.fermerRapport();
        QCOMPARE(premiere, 1);
        QVERIFY(!etat().InstallationEnCours);
    }
};

QUENTARIS_TEST(TstInstallationServeur)
#include "tst_InstallationServeur.moc"
