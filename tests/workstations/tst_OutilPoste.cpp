#include "PosteTest.h"
#include "core/Etat.h"
#include "core/TablePostes.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "workstations/ServeurPostes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>

// quentaris-poste against a running server, as a site would use it.
class TstOutilPoste : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<Etat> m_etat;
    std::unique_ptr<ServeurPostes> m_serveur;

    struct Sortie
    {
        int code = -1;
        QString texte;
        QString erreurs;
    };

    Sortie lancer(QStringList arguments)
    {
        const QString outil = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../tools/quentaris-poste/quentaris-poste"));
        arguments << QStringLiteral("--port") << QString::number(m_serveur->PortControle())
                  << QStringLiteral("--port-transfert") << QString::number(m_serveur->PortTransfert());
        QProcess processus;
        processus.start(outil, arguments);
        Sortie s;
        // The server runs in this event loop: wait for the tool without blocking it.
        if (!QTest::qWaitFor([&] { return processus.state() == QProcess::NotRunning; }, 60000))
            return s;
        s.code = processus.exitStatus() == QProcess::NormalExit ? processus.exitCode() : -1;
        s.texte = QString::fromLocal8Bit(processus.readAllStandardOutput());
        s.erreurs = QString::fromLocal8Bit(processus.readAllStandardError());
        return s;
    }

    QByteArray publier(qint64 version, const QByteArray& octets)
    {
        const QString nom = QStringLiteral("poste%1.zip").arg(version);
        m_dossier->EcrireFichier(QStringLiteral("maj/") + nom, octets);
        AjouterMaj(version, nom);
        return octets;
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_dossier->EcrireParametres();
        m_etat = std::make_unique<Etat>();
        m_serveur = std::make_unique<ServeurPostes>(*m_etat);
        QString erreur;
        QVERIFY2(m_serveur->Ecouter(0, 0, &erreur), qPrintable(erreur));
    }

    void cleanup()
    {
        m_serveur.reset();
        m_etat.reset();
        m_dossier.reset();
    }

    // Ask the list, fetch every file, report the new version.
    void miseAJourComplete()
    {
        QByteArray a(10000, Qt::Uninitialized);
        for (int i = 0; i < a.size(); ++i)
            a[i] = char(i * 7 + 3);
        publier(121, a);
        publier(122, QByteArray());
        const QString dossier = m_dossier->Fichier(QStringLiteral("poste"));
        const Sortie s
            = lancer({QStringLiteral("--utilisateur"), QStringLiteral("dupont"), QStringLiteral("--version"),
                      QStringLiteral("120"), QStringLiteral("--telecharger"), QStringLiteral("--dossier"), dossier,
                      QStringLiteral("--signaler"), QStringLiteral("122"), QStringLiteral("--poste"),
                      QStringLiteral("PC01"), QStringLiteral("--attente"), QStringLiteral("200")});
        QVERIFY2(s.code == 0, qPrintable(s.texte + s.erreurs));
        QVERIFY2(s.texte.contains(QStringLiteral("Mises à jour à installer, dans l'ordre : 121, 122 (MAJOK1).")),
                 qPrintable(s.texte));
        QFile fa(QDir(dossier).filePath(QStringLiteral("121")));
        QVERIFY(fa.open(QIODevice::ReadOnly));
        QVERIFY(fa.readAll() == a);
        QCOMPARE(QFileInfo(QDir(dossier).filePath(QStringLiteral("122"))).size(), 0);
        QVERIFY(QFileInfo::exists(QDir(dossier).filePath(QStringLiteral("122"))));

        QTRY_COMPARE(TablePostes::Tous().size(), 1);
        const Poste poste = TablePostes::Tous().first();
        QCOMPARE(poste.NomPoste, QStringLiteral("PC01"));
        QCOMPARE(poste.AdresseIPPoste, QStringLiteral("127.0.0.1"));
        QCOMPARE(TablePostes::VersionMax(poste.IdMajPoste), std::optional<qint64>(122));
    }

    // Failures end with a non-zero code and say why.
    void echecs()
    {
        Sortie s = lancer({QStringLiteral("--recuperer"), QStringLiteral("999"), QStringLiteral("--dossier"),
                           m_dossier->Fichier(QStringLiteral("poste"))});
        QCOMPARE(s.code, 1);
        QVERIFY2(s.erreurs.contains(QStringLiteral("ERREURTRANS")), qPrintable(s.erreurs));

        m_etat->InstallationEnCours = true;
        s = lancer({QStringLiteral("--version"), QStringLiteral("120")});
        QCOMPARE(s.code, 1);
        QVERIFY2(s.erreurs.contains(QStringLiteral("INSSRV")), qPrintable(s.erreurs));
    }
};

QUENTARIS_TEST(TstOutilPoste)
#include "tst_OutilPoste.moc"
