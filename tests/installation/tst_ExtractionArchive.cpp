#include "installation/ExtractionArchive.h"
#include "support/ArchiveZipTest.h"
#include "support/Registre.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using ExtractionArchive::ExtraireArchive;

namespace {

QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// Bytes that deflate well, so a small archive expands a lot.
QByteArray repetitif(int taille)
{
    QByteArray b;
    b.reserve(taille);
    for (int i = 0; i < taille; ++i)
        b.append(static_cast<char>('a' + (i / 1000) % 26));
    return b;
}

} // namespace

class TstExtractionArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    QString chemin(const QString& nom) const { return m_dossier.filePath(nom); }
    QString nouvelleDestination(const QString& nom) const
    {
        QDir(m_dossier.path()).mkpath(nom);
        return chemin(nom);
    }

private slots:
    void dossiersEcrasementEtOctetsInchanges()
    {
        const QByteArray texteCrlf("ligne 1\r\nligne 2\r\n\r\nfin sans saut");
        const QByteArray binaire = QByteArray::fromHex("00ff0d0a1a0d00");
        const QString zip = chemin(QStringLiteral("maj.zip"));
        QVERIFY(
            ArchiveZipTest::Ecrire(zip,
                                   {{QStringLiteral("INSTALLMAJ/"), {}, EntreeZip::Dossier, 0755},
                                    {QStringLiteral("INSTALLMAJ/LANCEMAJCD"), "#!/bin/sh\n", EntreeZip::Fichier, 0755},
                                    {QStringLiteral("INSTALLMAJ/sous/lisezmoi.txt"), texteCrlf},
                                    {QStringLiteral("donnees.bin"), binaire},
                                    {QStringLiteral("vide.txt"), {}}}));
        const QString dest = nouvelleDestination(QStringLiteral("512"));
        QDir(dest).mkpath(QStringLiteral("INSTALLMAJ/sous"));
        {
            QFile ancien(dest + QStringLiteral("/INSTALLMAJ/sous/lisezmoi.txt"));
            QVERIFY(ancien.open(QIODevice::WriteOnly));
            ancien.write(QByteArray(500, 'z'));
        }

        QStringList anomalies;
        QVERIFY(ExtraireArchive(zip, dest, QString(), &anomalies));
        QVERIFY2(anomalies.isEmpty(), qPrintable(anomalies.join(QLatin1Char('\n'))));
        QCOMPARE(contenu(dest + QStringLiteral("/INSTALLMAJ/sous/lisezmoi.txt")), texteCrlf);
        QCOMPARE(contenu(dest + QStringLiteral("/donnees.bin")), binaire);
        QCOMPARE(contenu(dest + QStringLiteral("/vide.txt")), QByteArray());
        QVERIFY(QFileInfo(dest + QStringLiteral("/INSTALLMAJ/LANCEMAJCD")).isExecutable());

        // A second run over the same folder overwrites without a question.
        QVERIFY(ExtraireArchive(zip, dest, QString()));
        QCOMPARE(contenu(dest + QStringLiteral("/INSTALLMAJ/sous/lisezmoi.txt")), texteCrlf);
    }

    void entreeChiffreeAvecEtSansMotDePasse()
    {
        const QString clair = chemin(QStringLiteral("clair.zip"));
        const QString chiffre = chemin(QStringLiteral("chiffre.zip"));
        const QString fin = chemin(QStringLiteral("fin.zip"));
        const QString mixte = chemin(QStringLiteral("mixte.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(clair, {{QStringLiteral("avant.txt"), "avant"}}));
        QVERIFY(ArchiveZipTest::Ecrire(chiffre, {{QStringLiteral("secret/config.txt"), repetitif(3000)}},
                                       QStringLiteral("S3cret!")));
        QVERIFY(ArchiveZipTest::Ecrire(fin, {{QStringLiteral("apres.txt"), "apres"}}));
        QVERIFY(ArchiveZipTest::Assembler(mixte, {clair, chiffre, fin}));

        const QString sans = nouvelleDestination(QStringLiteral("sans"));
        QStringList anomalies;
        QVERIFY(!ExtraireArchive(mixte, sans, QString(), &anomalies));
        QCOMPARE(contenu(sans + QStringLiteral("/avant.txt")), QByteArray("avant"));
        QCOMPARE(contenu(sans + QStringLiteral("/apres.txt")), QByteArray("apres"));
        QVERIFY(!QFileInfo::exists(sans + QStringLiteral("/secret/config.txt")));
        QCOMPARE(anomalies.size(), 1);
        QVERIFY(anomalies.first().contains(QStringLiteral("secret/config.txt")));

        const QString faux = nouvelleDestination(QStringLiteral("faux"));
        QVERIFY(!ExtraireArchive(mixte, faux, QStringLiteral("autre"), nullptr));
        QVERIFY(!QFileInfo::exists(faux + QStringLiteral("/secret/config.txt")));
        QCOMPARE(contenu(faux + QStringLiteral("/apres.txt")), QByteArray("apres"));

        const QString avec = nouvelleDestination(QStringLiteral("avec"));
        QVERIFY(ExtraireArchive(mixte, avec, QStringLiteral("S3cret!")));
        QCOMPARE(contenu(avec + QStringLiteral("/secret/config.txt")), repetitif(3000));
        QCOMPARE(contenu(avec + QStringLiteral("/avant.txt")), QByteArray("avant"));
    }

    void entreesHorsDestinationEtLiensRefuses()
    {
        const QString zip = chemin(QStringLiteral("piege.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(zip,
                                       {{QStringLiteral("../evade.txt"), "dehors"},
                                        {QStringLiteral("a/../../evade2.txt"), "dehors"},
                                        {QStringLiteral("/tmp/absolu-quentaris.txt"), "dehors"},
                                        {QStringLiteral("lien"), {}, EntreeZip::Lien, 0777, QStringLiteral("..")},
                                        {QStringLiteral("./ici/bon.txt"), "dedans"}}));
        const QString parent = nouvelleDestination(QStringLiteral("piege"));
        const QString dest = parent + QStringLiteral("/dest");
        QDir().mkpath(dest);

        QStringList anomalies;
        QVERIFY(!ExtraireArchive(zip, dest, QString(), &anomalies));
        QCOMPARE(anomalies.size(), 4);
        QVERIFY(!QFileInfo::exists(parent + QStringLiteral("/evade.txt")));
        QVERIFY(!QFileInfo::exists(m_dossier.filePath(QStringLiteral("evade2.txt"))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/absolu-quentaris.txt")));
        QVERIFY(!QFileInfo(dest + QStringLiteral("/lien")).isSymLink());
        QVERIFY(!QFileInfo::exists(dest + QStringLiteral("/lien")));
        QCOMPARE(contenu(dest + QStringLiteral("/ici/bon.txt")), QByteArray("dedans"));

        // A link already in the destination does not lead the writing outside.
        QDir().mkpath(parent + QStringLiteral("/ailleurs"));
        QVERIFY(QFile::link(parent + QStringLiteral("/ailleurs"), dest + QStringLiteral("/sortie")));
        const QString zip2 = chemin(QStringLiteral("piege2.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(zip2, {{QStringLiteral("sortie/x.txt"), "x"}}));
        QVERIFY(!ExtraireArchive(zip2, dest, QString()));
        QVERIFY(!QFileInfo::exists(parent + QStringLiteral("/ailleurs/x.txt")));
    }

    // A link left in the destination that leads outside: nothing is created through it, not
    // even an empty folder, while a link that stays inside is followed.
    void rienNeSeCreeParUnLienVersLExterieur()
    {
        const QString parent = nouvelleDestination(QStringLiteral("lien"));
        const QString dest = parent + QStringLiteral("/512");
        const QString dehors = parent + QStringLiteral("/dehors");
        QDir().mkpath(dest + QStringLiteral("/interne"));
        QDir().mkpath(dehors);
        QVERIFY(QFile::link(dehors, dest + QStringLiteral("/sortie")));
        QVERIFY(QFile::link(dest + QStringLiteral("/interne"), dest + QStringLiteral("/raccourci")));
        const QString zip = chemin(QStringLiteral("lien.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(zip,
                                       {{QStringLiteral("sortie/sous/"), {}, EntreeZip::Dossier, 0755},
                                        {QStringLiteral("sortie/a/b/x.txt"), "x"},
                                        {QStringLiteral("raccourci/c/y.txt"), "y"}}));

        QStringList anomalies;
        QVERIFY(!ExtraireArchive(zip, dest, QString(), &anomalies));
        QCOMPARE(anomalies,
                 (QStringList{QStringLiteral("Entrée « sortie/sous/ » non extraite : le dossier ne peut pas être "
                                             "créé dans la destination."),
                              QStringLiteral("Entrée « sortie/a/b/x.txt » non extraite : le dossier ne peut pas "
                                             "être créé dans la destination.")}));
        QCOMPARE(QDir(dehors).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(contenu(dest + QStringLiteral("/interne/c/y.txt")), QByteArray("y"));
    }

    void entreeQuiDepasseSaTailleOuLeDisque()
    {
        const QString zip = chemin(QStringLiteral("bombe.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(
            zip, {{QStringLiteral("bombe.bin"), repetitif(1000000)}, {QStringLiteral("petit.txt"), "petit"}}));
        QVERIFY(ArchiveZipTest::FalsifierTaille(zip, QStringLiteral("bombe.bin"), 100));
        const QString dest = nouvelleDestination(QStringLiteral("bombe"));
        {
            QFile ancien(dest + QStringLiteral("/bombe.bin"));
            QVERIFY(ancien.open(QIODevice::WriteOnly));
            ancien.write("version precedente");
        }
        QStringList anomalies;
        QVERIFY(!ExtraireArchive(zip, dest, QString(), &anomalies));
        QCOMPARE(anomalies.size(), 1);
        QVERIFY(anomalies.first().contains(QStringLiteral("taille annoncée")));
        // The stopped entry leaves the previous file as it was, and no partial file.
        QCOMPARE(contenu(dest + QStringLiteral("/bombe.bin")), QByteArray("version precedente"));
        QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(contenu(dest + QStringLiteral("/petit.txt")), QByteArray("petit"));

        const QString zip2 = chemin(QStringLiteral("gros.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(
            zip2, {{QStringLiteral("a.txt"), "abc"}, {QStringLiteral("gros.bin"), repetitif(200000)}}));
        const QString dest2 = nouvelleDestination(QStringLiteral("plein"));
        ExtractionArchive::Limites limites;
        limites.EspaceMaximal = 100000;
        anomalies.clear();
        QVERIFY(!ExtraireArchive(zip2, dest2, QString(), &anomalies, limites));
        QVERIFY(anomalies.first().contains(QStringLiteral("espace disque")));
        QCOMPARE(contenu(dest2 + QStringLiteral("/a.txt")), QByteArray("abc"));
        QVERIFY(!QFileInfo::exists(dest2 + QStringLiteral("/gros.bin")));
    }

    void archiveAbsenteTronqueeOuAutre()
    {
        const QString dest = nouvelleDestination(QStringLiteral("rien"));
        QStringList anomalies;
        QVERIFY(!ExtraireArchive(chemin(QStringLiteral("absente.zip")), dest, QString(), &anomalies));
        QCOMPARE(anomalies.size(), 1);

        const QString zip = chemin(QStringLiteral("entier.zip"));
        QVERIFY(ArchiveZipTest::Ecrire(
            zip, {{QStringLiteral("a.txt"), repetitif(50000)}, {QStringLiteral("b.txt"), repetitif(50000)}}));
        QFile entier(zip);
        QVERIFY(entier.open(QIODevice::ReadOnly));
        const QByteArray octets = entier.readAll();
        for (const qsizetype longueur : {qsizetype(0), qsizetype(30), octets.size() / 2, octets.size() - 10}) {
            QFile tronque(chemin(QStringLiteral("tronque.zip")));
            QVERIFY(tronque.open(QIODevice::WriteOnly | QIODevice::Truncate));
            tronque.write(octets.left(longueur));
            tronque.close();
            QVERIFY(!ExtraireArchive(tronque.fileName(), dest, QString()));
        }
        QFile texte(chemin(QStringLiteral("texte.zip")));
        QVERIFY(texte.open(QIODevice::WriteOnly));
        texte.write("ceci n'est pas une archive\n");
        texte.close();
        QVERIFY(!ExtraireArchive(texte.fileName(), dest, QString()));
        QVERIFY(!ExtraireArchive(zip, chemin(QStringLiteral("dossier-absent")), QString()));
    }
};

QUENTARIS_TEST(TstExtractionArchive)
#include "tst_ExtractionArchive.moc"
