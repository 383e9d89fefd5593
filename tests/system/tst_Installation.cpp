#include "core/BaseInterne.h"
#include "support/Registre.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Resultat
{
    int code = -1;
    QString sortie;
};

Resultat lancer(const QString& programme, const QStringList& arguments, const QProcessEnvironment& environnement = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!environnement.isEmpty())
        p.setProcessEnvironment(environnement);
    p.start(programme, arguments);
    if (!p.waitForFinished(600000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// Files of a tree, relative to its root, under the given top folders.
QStringList fichiers(const QString& racine, const QStringList& sommets)
{
    QStringList liste;
    for (const QString& sommet : sommets) {
        QDirIterator it(racine + QLatin1Char('/') + sommet, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            liste.append(it.next().mid(racine.size()));
    }
    liste.sort();
    return liste;
}

const QString kPrefixe = QStringLiteral(QUENTARIS_PREFIXE);

} // namespace

// The installed tree, as `cmake --install` lays it with DESTDIR, and the Debian package.
class TstInstallation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_racine;

private slots:
    void initTestCase()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_racine.path());
        const Resultat r = lancer(QStringLiteral(QUENTARIS_CMAKE),
                                  {QStringLiteral("--install"), QStringLiteral(QUENTARIS_CONSTRUCTION)}, env);
        QVERIFY2(r.code == 0, qPrintable(r.sortie));
    }

    void programmeEtEntreesDeBureau()
    {
        const QString racine = m_racine.path();
        const Resultat version
            = lancer(racine + kPrefixe + QStringLiteral("/bin/quentaris-serveur"), {QStringLiteral("--version")});
        QCOMPARE(version.code, 0);
        QCOMPARE(version.sortie, QStringLiteral("quentaris-serveur " QUENTARIS_VERSION "\n"));

        const QString bureau = racine + kPrefixe + QStringLiteral("/share/applications/quentaris-serveur.desktop");
        const QString autostart = racine + QStringLiteral("/etc/xdg/autostart/quentaris-serveur.desktop");
        const Resultat validation = lancer(QStringLiteral("desktop-file-validate"), {bureau, autostart});
        QVERIFY2(validation.code == 0, qPrintable(validation.sortie));
        QFile entree(autostart);
        QVERIFY(entree.open(QIODevice::ReadOnly));
        const QString texte = QString::fromUtf8(entree.readAll());
        QVERIFY(
            texte.contains(QStringLiteral("Exec=") + kPrefixe
                           + QStringLiteral("/bin/quentaris-serveur --home /var/lib/quentaris-serveur --autostart")));
        QVERIFY(QFileInfo::exists(racine + kPrefixe
                                  + QStringLiteral("/share/icons/hicolor/scalable/apps/quentaris-serveur.svg")));
    }

    void dossiersDuSite()
    {
        const QString programme = m_racine.path() + QStringLiteral("/var/lib/quentaris-serveur");
        QFile config(programme + QStringLiteral("/configserv.ini"));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll(), QByteArray("PORT=28000\n"));
        QVERIFY(BaseInterne::Ouvrir(programme + QStringLiteral("/donnees.db")));
        QVERIFY(BaseInterne::Connexion().tables().contains(QStringLiteral("MajPoste")));
        BaseInterne::Fermer();

        const group* sudo = getgrnam("sudo");
        const QStringList dossiers = {programme, m_racine.path() + QStringLiteral("/opt/quentaris/Serveur"),
                                      m_racine.path() + QStringLiteral("/srv/unidata")};
        for (const QString& dossier : dossiers) {
            struct stat infos
            {
            };
            QVERIFY2(::stat(QFile::encodeName(dossier).constData(), &infos) == 0, qPrintable(dossier));
            QVERIFY(infos.st_mode & S_IWGRP);
            if (sudo && ::geteuid() == 0)
                QCOMPARE(infos.st_gid, sudo->gr_gid);
        }
        // Installing again keeps the site's settings and database.
        QVERIFY(config.isOpen());
        config.close();
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write("PORT=31000\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_racine.path());
        const Resultat r = lancer(QStringLiteral(QUENTARIS_CMAKE),
                                  {QStringLiteral("--install"), QStringLiteral(QUENTARIS_CONSTRUCTION)}, env);
        QCOMPARE(r.code, 0);
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll(), QByteArray("PORT=31000\n"));
    }

    void paquetDebian()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
            QSKIP("dpkg-deb absent");
        QTemporaryDir sortie;
        const Resultat paquet = lancer(QStringLiteral(QUENTARIS_CPACK),
                                       {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                        QStringLiteral(QUENTARIS_CONSTRUCTION "/CPackConfig.cmake"),
                                        QStringLiteral("-B"), sortie.path()});
        QVERIFY2(paquet.code == 0, qPrintable(paquet.sortie));
        const QStringList debs = QDir(sortie.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = sortie.filePath(debs.first());

        const Resultat infos = lancer(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), deb});
        QCOMPARE(infos.code, 0);
        for (const char* dependance :
             {"libqt6widgets6", "libqt6network6", "libqt6sql6", "libqt6sql6-sqlite", "libsodium23", "libarchive13"})
            QVERIFY2(infos.sortie.contains(QLatin1String(dependance)), qPrintable(infos.sortie));
        QVERIFY(infos.sortie.contains(QStringLiteral("postinst")));

        QTemporaryDir extrait;
        QCOMPARE(lancer(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, extrait.path()}).code, 0);
        const QStringList sommets = {kPrefixe.mid(1), QStringLiteral("etc")};
        QCOMPARE(fichiers(extrait.path(), sommets), fichiers(m_racine.path(), sommets));
        // The package never carries a site's settings or database: its postinst makes them.
        const QStringList site = {QStringLiteral("var"), QStringLiteral("srv"), QStringLiteral("opt")};
        QCOMPARE(fichiers(extrait.path(), site), QStringList());
        const Resultat preparation = lancer(
            extrait.path() + kPrefixe + QStringLiteral("/libexec/quentaris-serveur/prepare-site"), {extrait.path()});
        QVERIFY2(preparation.code == 0, qPrintable(preparation.sortie));
        QCOMPARE(fichiers(extrait.path(), site + sommets), fichiers(m_racine.path(), site + sommets));
    }
};

QUENTARIS_TEST(TstInstallation)
#include "tst_Installation.moc"
