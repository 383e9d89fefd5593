#include "core/BaseInterne.h"
#include "support/Registre.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
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

// Paths of an install under the configured prefix, as the package lays them under /usr.
QStringList sousUsr(QStringList chemins)
{
    for (QString& chemin : chemins)
        if (chemin.startsWith(kPrefixe + QLatin1Char('/')))
            chemin.replace(0, kPrefixe.size(), QStringLiteral("/usr"));
    chemins.sort();
    return chemins;
}

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

    // The site's folders are made once, readable by the service's group and nobody else, the
    // server versions writable by the service alone. Installing again changes nothing that
    // exists: neither the site's settings, nor the owner or rights of a file the site put in the
    // program folder or in its database share, which the installation never makes.
    void dossiersDuSite()
    {
        const QString programme = m_racine.path() + QStringLiteral("/var/lib/quentaris-serveur");
        QFile config(programme + QStringLiteral("/configserv.ini"));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll(), QByteArray("PORT=28000\nDOSSIER_SERVEUR=/var/lib/quentaris-serveur/serveur\n"));
        config.close();
        QVERIFY(BaseInterne::Ouvrir(programme + QStringLiteral("/donnees.db")));
        QVERIFY(BaseInterne::Connexion().tables().contains(QStringLiteral("MajPoste")));
        BaseInterne::Fermer();
        const auto droits = [](const QString& chemin) {
            struct stat infos
            {
            };
            return ::stat(QFile::encodeName(chemin).constData(), &infos) == 0 ? int(infos.st_mode & 07777) : -1;
        };
        QCOMPARE(droits(programme), 02770);
        QCOMPARE(droits(programme + QStringLiteral("/donnees.db")), 0660);
        QCOMPARE(droits(programme + QStringLiteral("/configserv.ini")), 0640);
        QCOMPARE(droits(programme + QStringLiteral("/serveur")), 02750);
        QCOMPARE(droits(programme + QStringLiteral("/maj")), 02750);
        for (const char* ailleurs : {"/opt", "/srv"})
            QVERIFY2(!QFileInfo::exists(m_racine.path() + QLatin1String(ailleurs)), ailleurs);

        // What the site wrote or put there since.
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write("PORT=31000\n");
        config.close();
        const QString programmeDuSite = programme + QStringLiteral("/MajProgServeur");
        const QString base = m_racine.path() + QStringLiteral("/srv/unidata/COMPTA/base.dat");
        QVERIFY(QDir().mkpath(QFileInfo(base).absolutePath()));
        for (const QString& chemin : {programmeDuSite, base}) {
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            QVERIFY(::chmod(QFile::encodeName(chemin).constData(), 0600) == 0);
            if (::geteuid() == 0)
                QVERIFY(::chown(QFile::encodeName(chemin).constData(), 65534, 65534) == 0);
        }
        QVERIFY(::chmod(QFile::encodeName(programme).constData(), 02750) == 0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_racine.path());
        const Resultat r = lancer(QStringLiteral(QUENTARIS_CMAKE),
                                  {QStringLiteral("--install"), QStringLiteral(QUENTARIS_CONSTRUCTION)}, env);
        QCOMPARE(r.code, 0);
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll(), QByteArray("PORT=31000\n"));
        QCOMPARE(droits(programme), 02750);
        for (const QString& chemin : {programmeDuSite, base}) {
            QCOMPARE(droits(chemin), 0600);
            if (::geteuid() == 0)
                QCOMPARE(QFileInfo(chemin).ownerId(), 65534u);
        }
        QVERIFY(::chmod(QFile::encodeName(programme).constData(), 02770) == 0);
        QVERIFY(QFile::remove(programmeDuSite));
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
        const bool service = QFileInfo::exists(m_racine.path() + kPrefixe + QStringLiteral("/bin/quentaris-service"));

        const Resultat infos = lancer(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), deb});
        QCOMPARE(infos.code, 0);
        for (const char* dependance : {"libqt6widgets6", "libqt6network6", "libqt6sql6", "libqt6sql6-sqlite",
                                       "libsodium23", "libarchive13", "adduser", "init-system-helpers"})
            QVERIFY2(infos.sortie.contains(QLatin1String(dependance)), qPrintable(infos.sortie));
        if (service)
            QVERIFY2(infos.sortie.contains(QLatin1String("libsystemd0")), qPrintable(infos.sortie));

        // Debian's places: the files of `make install` under /usr instead of its prefix, every
        // file of /etc a conffile, the copyright and changelog, programs without their symbols.
        QTemporaryDir extrait;
        QCOMPARE(lancer(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, extrait.path()}).code, 0);
        const QStringList sommets = {QStringLiteral("usr"), QStringLiteral("etc")};
        const QStringList sommetsInstalles = {kPrefixe.mid(1), QStringLiteral("etc")};
        QCOMPARE(fichiers(extrait.path(), sommets), sousUsr(fichiers(m_racine.path(), sommetsInstalles)));
        QTemporaryDir controle;
        QCOMPARE(lancer(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), deb, controle.path()}).code, 0);
        for (const char* script : {"postinst", "prerm", "postrm"})
            QVERIFY2(QFileInfo(controle.filePath(QLatin1String(script))).isExecutable(), script);
        QFile conffiles(controle.filePath(QStringLiteral("conffiles")));
        QVERIFY(conffiles.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(conffiles.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 fichiers(extrait.path(), {QStringLiteral("etc")}));
        for (const char* document : {"copyright", "changelog.gz", "examples/quentaris.ini"})
            QVERIFY2(QFileInfo::exists(extrait.path() + QStringLiteral("/usr/share/doc/quentaris-serveur/")
                                       + QLatin1String(document)),
                     document);
        QFile autostart(extrait.path() + QStringLiteral("/etc/xdg/autostart/quentaris-serveur.desktop"));
        QVERIFY(autostart.open(QIODevice::ReadOnly));
        const QByteArray entree = autostart.readAll();
        QVERIFY(entree.contains("\nExec=/usr/bin/quentaris-serveur "));
        QVERIFY(entree.contains("\nTryExec=/usr/bin/quentaris-serveur\n"));
        const QStringList programmes = QDir(extrait.path() + QStringLiteral("/usr/bin")).entryList(QDir::Files);
        QCOMPARE(programmes.size(), service ? 2 : 1);
        for (const QString& programme : programmes) {
            const Resultat nature
                = lancer(QStringLiteral("file"),
                         {QStringLiteral("-b"), extrait.path() + QStringLiteral("/usr/bin/") + programme});
            QVERIFY2(nature.sortie.contains(QStringLiteral(", stripped")), qPrintable(nature.sortie));
        }

        // The package never carries a site's settings or database: its postinst makes them.
        const QStringList site = {QStringLiteral("var")};
        QCOMPARE(fichiers(extrait.path(), site), QStringList());
        const Resultat preparation
            = lancer(extrait.path() + QStringLiteral("/usr/libexec/quentaris-serveur/prepare-site"), {extrait.path()});
        QVERIFY2(preparation.code == 0, qPrintable(preparation.sortie));
        QCOMPARE(fichiers(extrait.path(), site), fichiers(m_racine.path(), site));

        if (!service)
            QSKIP("quentaris-service is not built: the package holds no unit");
        const QString unite = extrait.path() + QStringLiteral("/usr/lib/systemd/system/quentaris-serveur.service");
        QVERIFY(QFileInfo::exists(unite));
        if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
            QSKIP("systemd-analyze absent: the unit is not verified");
        // Verified as installed, its program taken from the package; any warning is a fault.
        QFile source(unite);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray texte = source.readAll();
        texte.replace("ExecStart=/usr/bin/",
                      QByteArray("ExecStart=" + QFile::encodeName(extrait.path()) + "/usr/bin/"));
        QTemporaryDir systeme;
        QFile copie(systeme.filePath(QStringLiteral("quentaris-serveur.service")));
        QVERIFY(copie.open(QIODevice::WriteOnly));
        copie.write(texte);
        copie.close();
        // Its Documentation= names the package's own manual pages.
        QProcessEnvironment pages = QProcessEnvironment::systemEnvironment();
        pages.insert(QStringLiteral("MANPATH"), extrait.path() + QStringLiteral("/usr/share/man"));
        const Resultat verification
            = lancer(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), copie.fileName()}, pages);
        QVERIFY2(verification.code == 0 && verification.sortie.isEmpty(), qPrintable(verification.sortie));
    }
};

QUENTARIS_TEST(TstInstallation)
#include "tst_Installation.moc"
