#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "core/TablePostes.h"
#include "core/TableResponsables.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/Registre.h"
#include "support/SortieCapturee.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TstBaseInterne : public QObject
{
    Q_OBJECT
private slots:
    void textesAvecApostrophesStockesTelsQuels()
    {
        DossierTest dossier;
        const QString nom = QStringLiteral("l'atelier d'O'Brien \"é\" ; DROP TABLE MajPoste; --");
        Poste p;
        p.NomPoste = nom;
        p.AdresseIPPoste = QStringLiteral("10.0.0.1");
        const qint64 id = TablePostes::Inserer(p);
        QVERIFY(id > 0);
        QCOMPARE(TablePostes::ParId(id)->NomPoste, nom);
        QVERIFY(TableResponsables::Ajouter(QStringLiteral("D'ARTAGNAN")));
        QVERIFY(TableResponsables::Existe(QStringLiteral("d'artagnan")));

        Parametres param;
        param.EmplacementMaj = QStringLiteral("/srv/mises à jour/l'été");
        param.HeureVerifMaj = QStringLiteral("22:00");
        QVERIFY(TableParametres::Inserer(param));
        QCOMPARE(TableParametres::LireLigne1().EmplacementMaj, param.EmplacementMaj);
    }

    void egaliteDesNomsSansCasseMaisAvecAccents()
    {
        DossierTest dossier;
        TableResponsables::Ajouter(QStringLiteral("DUPONT"));
        TableResponsables::Ajouter(QStringLiteral("ÉLODIE"));
        QVERIFY(TableResponsables::Existe(QStringLiteral("dupont")));
        QVERIFY(TableResponsables::Existe(QStringLiteral("élodie")));
        QVERIFY(!TableResponsables::Existe(QStringLiteral("elodie")));
        QVERIFY(!TableResponsables::Existe(QStringLiteral("DUPONT ")));

        Poste p;
        p.NomPoste = QStringLiteral("pc01");
        TablePostes::Inserer(p);
        QVERIFY(TablePostes::ParNom(QStringLiteral("PC01")).has_value());
        QVERIFY(!TablePostes::ParNom(QStringLiteral("PC02")).has_value());
    }

    void datesEnTexteIso()
    {
        DossierTest dossier;
        QVERIFY(TableMajAttente::Ajouter(1, QDate(2026, 4, 3)));
        QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT DateAjoutMaj FROM MajAttente"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2026-04-03"));
    }

    void lignesDeProxyCreeeSansIdentifiantObtient1()
    {
        DossierTest dossier;
        Parametres p;
        p.ProxyActifMaj = true;
        p.AdresseProxyMaj = QStringLiteral("10.0.0.1");
        p.PortProxyMaj = QStringLiteral("3128");
        QVERIFY(TableParametres::InsererProxy(p));
        const Parametres lu = TableParametres::LireLigne1();
        QVERIFY(lu.Existe);
        QCOMPARE(lu.IdParamMajInt, 1);
        // Columns never written read as empty texts and false flags.
        QCOMPARE(lu.HeureVerifMaj, QString());
        QCOMPARE(lu.Jours, (std::array<bool, 7>{}));
        QVERIFY(lu.ProxyActifMaj);
        // The parameters screen then finds and updates the same row.
        Parametres ecran = lu;
        ecran.HeureVerifMaj = QStringLiteral("06:30");
        ecran.Jours[2] = true;
        QVERIFY(TableParametres::MettreAJour(ecran));
        QCOMPARE(TableParametres::Lire().HeureVerifMaj, QStringLiteral("06:30"));
        QVERIFY(TableParametres::Lire().Jours[2]);
        QCOMPARE(TableParametres::Lire().PortProxyMaj, QStringLiteral("3128"));
    }

    void versionCouranteEstLaPlusHaute()
    {
        DossierTest dossier;
        Poste p;
        p.NomPoste = QStringLiteral("pc01");
        const qint64 id = TablePostes::Inserer(p);
        QVERIFY(!TablePostes::VersionMax(id).has_value());
        TablePostes::AjouterHistorique(id, 121, QDate(2026, 1, 1));
        TablePostes::AjouterHistorique(id, 118, QDate(2026, 2, 1));
        QCOMPARE(*TablePostes::VersionMax(id), 121);
        const auto historique = TablePostes::Historique(id);
        QCOMPARE(historique.size(), 2);
        QCOMPARE(historique.at(0).VersionMaj, 121);
    }

    void versionsSurSoixanteQuatreBits()
    {
        DossierTest dossier;
        MajDispo m;
        m.NumVersionDispo = Q_INT64_C(9000000000);
        m.NomFichierMaj = QStringLiteral("MAJ.zip");
        QVERIFY(TableMajDispo::Inserer(m) > 0);
        QCOMPARE(TableMajDispo::Derniere()->NumVersionDispo, Q_INT64_C(9000000000));
        QCOMPARE(TableMajDispo::PostesApres(Q_INT64_C(8999999999)).size(), 1);
    }

    void transactionAnnuleeNeLaisseRien()
    {
        DossierTest dossier;
        {
            BaseInterne::Transaction t;
            Poste p;
            p.NomPoste = QStringLiteral("pc01");
            TablePostes::Inserer(p);
        }
        QCOMPARE(TablePostes::Tous().size(), 0);
        {
            BaseInterne::Transaction t;
            Poste p;
            p.NomPoste = QStringLiteral("pc01");
            TablePostes::Inserer(p);
            QVERIFY(t.Valider());
        }
        QCOMPARE(TablePostes::Tous().size(), 1);
    }

    void initialisationAjouteLesTablesManquantesSeulement()
    {
        DossierTest dossier(false);
        const QString chemin = dossier.Fichier(BaseInterne::NomFichier());
        QVERIFY(!BaseInterne::Ouvrir(chemin));
        QVERIFY(BaseInterne::Initialiser(chemin));
        AjouterEvenement(0, QStringLiteral("avant"));
        BaseInterne::Commande(QStringLiteral("DROP TABLE MajPoste"));
        BaseInterne::Fermer();
        QVERIFY(BaseInterne::Initialiser(chemin));
        QCOMPARE(TableJournal::Tous().size(), 1);
        // The seven tables, the acknowledgements still to come and sqlite_sequence.
        QCOMPARE(BaseInterne::Connexion().tables().size(), 9);
        QVERIFY(BaseInterne::Connexion().tables().contains(QStringLiteral("MajPoste")));

        // A file of an earlier version, without the program's later table, opens and gains it.
        BaseInterne::Commande(QStringLiteral("DROP TABLE MajASignaler"));
        BaseInterne::Fermer();
        QVERIFY(BaseInterne::Ouvrir(chemin));
        QVERIFY(BaseInterne::Connexion().tables().contains(QStringLiteral("MajASignaler")));
        QCOMPARE(TableJournal::Tous().size(), 1);
    }

    // The first failed write after a successful one is told to the person; later ones are not,
    // until a write succeeds again. A file moved away while open takes no write.
    void ecritureImpossibleDiteUneFois()
    {
        DossierTest dossier;
        InterlocuteurScripte personne;
        SortieCapturee sortie;
        const QString chemin = dossier.Fichier(BaseInterne::NomFichier());
        const QString ailleurs = dossier.Fichier(QStringLiteral("donnees-deplacee.db"));
        // Every box planned by the failures so far has been shown once this has run.
        const auto apresLesMessages = [] {
            bool passe = false;
            QTimer::singleShot(0, [&passe] { passe = true; });
            return QTest::qWaitFor([&passe] { return passe; });
        };
        AjouterEvenement(0, QStringLiteral("avant"));

        QVERIFY(QFile::rename(chemin, ailleurs));
        AjouterEvenement(0, QStringLiteral("perdu"));
        QVERIFY(!TableResponsables::Ajouter(QStringLiteral("dupont")));
        QVERIFY(apresLesMessages());
        QCOMPARE(personne.affiches.size(), 1);
        QCOMPARE(personne.affiches.first().titre, QStringLiteral("Message QUENTARIS"));
        QCOMPARE(personne.affiches.first().icone, Icone::Exclamation);
        QCOMPARE(personne.affiches.first().texte,
                 QStringLiteral("La base de données interne du serveur de mise à jour (") + chemin
                     + QStringLiteral(") ne peut pas être écrite.\r\nTant que ce problème dure, les mises à jour "
                                      "téléchargées, le journal des événements et les paramètres ne sont pas "
                                      "enregistrés, et les versions signalées par les postes restent en attente. "
                                      "Vérifiez que le fichier existe, que le dossier du programme peut être écrit et "
                                      "que le disque n'est pas plein."));

        // Every failure still goes to standard error, with the box only once.
        QCOMPARE(sortie.Contenant(QStringLiteral("supprimé ou déplacé")).size(), 2);
        QCOMPARE(sortie.Contenant(QStringLiteral("Message QUENTARIS: La base de données interne")).size(), 1);

        QVERIFY(QFile::rename(ailleurs, chemin));
        AjouterEvenement(0, QStringLiteral("après"));
        QVERIFY(QFile::rename(chemin, ailleurs));
        QVERIFY(!TableResponsables::Ajouter(QStringLiteral("dupont")));
        QVERIFY(apresLesMessages());
        QCOMPARE(personne.affiches.size(), 2);

        QVERIFY(QFile::rename(ailleurs, chemin));
        QStringList messages;
        for (const Evenement& e : TableJournal::Tous())
            messages.prepend(e.MessageEvt);
        QCOMPARE(messages, (QStringList{QStringLiteral("avant"), QStringLiteral("après")}));
        QVERIFY(TableResponsables::Tous().isEmpty());
    }

    // A site that copies donnees.db alone, without its log, gets what a check wrote at once, and
    // everything else, whoever wrote it, a while after.
    void fichierSeulAJourApresUnPointDeControle()
    {
        DossierTest dossier;
        QTemporaryDir sauvegardes;
        int copies = 0;
        const auto evenementsDansLaCopie = [&] {
            const QString copie = sauvegardes.filePath(QStringLiteral("copie%1.db").arg(++copies));
            QFile::copy(dossier.Fichier(BaseInterne::NomFichier()), copie);
            return AutreProgramme(copie).Valeur(QStringLiteral("SELECT count(*) FROM EvtMaj")).toInt();
        };
        BaseInterne::FixerDelaiPointDeControle(3600 * 1000);
        AjouterEvenement(Information, QStringLiteral("vérification"));
        QCOMPARE(evenementsDansLaCopie(), 0);
        Frm_Reseau reseau;
        reseau.Etat_().FixerVerificationEnCours(true);
        reseau.Etat_().FixerVerificationEnCours(false);
        QCOMPARE(evenementsDansLaCopie(), 1);

        AjouterEvenement(Information, QStringLiteral("plus tard"));
        QCOMPARE(evenementsDansLaCopie(), 1);
        BaseInterne::FixerDelaiPointDeControle(50);
        QTRY_COMPARE(evenementsDansLaCopie(), 2);

        // A row another program wrote (a console of the service) reaches the file as well.
        AutreProgramme(dossier.Fichier(BaseInterne::NomFichier()))
            .Executer(QStringLiteral("INSERT INTO EvtMaj (TypeEvt, MessageEvt) VALUES (0, 'console')"));
        QTRY_COMPARE(evenementsDansLaCopie(), 3);
        BaseInterne::FixerDelaiPointDeControle(BaseInterne::PointDeControleApresMs);
    }

    void fichierQuiNEstPasUneBaseRefuse()
    {
        DossierTest dossier(false);
        dossier.EcrireFichier(BaseInterne::NomFichier(), QByteArray(4096, 'x'));
        QString erreur;
        QVERIFY(!BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier()), &erreur));
        QVERIFY(!erreur.isEmpty());
    }

    void fichierSansLesSeptTablesRefuse()
    {
        DossierTest dossier(false);
        const QString chemin = dossier.Fichier(BaseInterne::NomFichier());
        // An empty file opens as an empty SQLite database.
        dossier.EcrireFichier(BaseInterne::NomFichier(), QByteArray());
        QString erreur;
        QVERIFY(!BaseInterne::Ouvrir(chemin, &erreur));
        QVERIFY(!BaseInterne::Connexion().isOpen());
        QCOMPARE(erreur,
                 QStringLiteral("tables absentes : ParamMajInt, MajDispo, MajAttente, MajPoste, MajHistorique, "
                                "EvtMaj, MajResponsable (quentaris-serveur --init-db les crée)"));

        // Another program's database, and ours with one table dropped.
        QVERIFY(BaseInterne::Initialiser(chemin));
        QVERIFY(BaseInterne::Commande(QStringLiteral("DROP TABLE MajResponsable")));
        QVERIFY(BaseInterne::Commande(QStringLiteral("CREATE TABLE Clients (Nom TEXT)")));
        BaseInterne::Fermer();
        QVERIFY(!BaseInterne::Ouvrir(chemin, &erreur));
        QCOMPARE(erreur, QStringLiteral("tables absentes : MajResponsable (quentaris-serveur --init-db les crée)"));

        QVERIFY(BaseInterne::Initialiser(chemin));
        BaseInterne::Fermer();
        QVERIFY(BaseInterne::Ouvrir(chemin, &erreur));
    }
};

class TstJournal : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Horloge::Reinitialiser(); }

    void ordreEtContenu()
    {
        DossierTest dossier;
        Horloge::Regler(QDateTime(QDate(2026, 3, 5), QTime(22, 0, 7)));
        const QString longue = QString(800, QLatin1Char('a')) + QStringLiteral(" n'as pas pu être effectué. ");
        AjouterEvenement(2, QStringLiteral("Aucune mise à jour disponible sur le serveur."));
        AjouterEvenement(1, longue);
        AjouterEvenement(0, QStringLiteral("troisième"));
        const auto evenements = TableJournal::Tous();
        QCOMPARE(evenements.size(), 3);
        QCOMPARE(evenements.at(0).MessageEvt, QStringLiteral("troisième"));
        QCOMPARE(evenements.at(1).MessageEvt, longue);
        QCOMPARE(evenements.at(1).TypeEvt, QStringLiteral("1"));
        QCOMPARE(evenements.at(2).TypeEvt, QStringLiteral("2"));
        QCOMPARE(evenements.at(2).DateEvt, QStringLiteral("2026-03-05"));
        QCOMPARE(evenements.at(2).HeureEvt.left(5), QStringLiteral("22:00"));
        QVERIFY(evenements.at(0).IdEvtMaj > evenements.at(1).IdEvtMaj);
    }

    void purgeJusquAuJourChoisiInclus()
    {
        DossierTest dossier;
        Horloge::Regler(QDateTime(QDate(2026, 3, 4), QTime(23, 59, 59)));
        AjouterEvenement(0, QStringLiteral("veille"));
        Horloge::Regler(QDateTime(QDate(2026, 3, 5), QTime(8, 0, 0)));
        AjouterEvenement(0, QStringLiteral("jour"));
        Horloge::Regler(QDateTime(QDate(2026, 3, 6), QTime(0, 0, 1)));
        AjouterEvenement(0, QStringLiteral("lendemain"));
        QVERIFY(TableJournal::PurgerJusquAu(QDate(2026, 3, 5)));
        const auto restants = TableJournal::Tous();
        QCOMPARE(restants.size(), 1);
        QCOMPARE(restants.at(0).MessageEvt, QStringLiteral("lendemain"));
    }
};

QUENTARIS_TEST(TstBaseInterne)
QUENTARIS_TEST(TstJournal)
#include "tst_BaseInterne.moc"
