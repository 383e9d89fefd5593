#include "FichierProvisoire.h"

#include "Disque.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

bool g_sansNomPermis = true;

QString nomCache(const QString& dossier)
{
    return QDir(dossier).filePath(FichierProvisoire::PrefixeCache()
                                  + QString::number(QRandomGenerator::global()->generate64(), 16));
}

} // namespace

FichierProvisoire::FichierProvisoire(const QString& cible) : m_cible(QFileInfo(cible).absoluteFilePath()) { }

FichierProvisoire::~FichierProvisoire()
{
    Abandonner();
}

void FichierProvisoire::FixerSansNomPermis(bool permis)
{
    g_sansNomPermis = permis;
}

QString FichierProvisoire::PrefixeCache()
{
    return QStringLiteral(".quentaris-partiel-");
}

bool FichierProvisoire::Ouvrir(QString* erreur)
{
    Abandonner();
    m_taille = 0;
    if (g_sansNomPermis && ouvrirSansNom())
        return true;
    return ouvrirCache(erreur);
}

bool FichierProvisoire::ouvrirSansNom()
{
#if defined(Q_OS_LINUX) && defined(O_TMPFILE)
    const QByteArray dossier = QFile::encodeName(QFileInfo(m_cible).absolutePath());
    const int fd = ::open(dossier.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (!m_fichier.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    return false;
#endif
}

QStringList FichierProvisoire::Balayer(const QString& dossier)
{
    QStringList supprimes;
    QDir d(dossier);
    for (const QString& nom : d.entryList({PrefixeCache() + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        if (d.remove(nom))
            supprimes.append(d.filePath(nom));
    }
    return supprimes;
}

bool FichierProvisoire::ouvrirCache(QString* erreur)
{
    // Hidden files left by a program killed while it wrote one are of no use to anyone.
    const QString dossier = QFileInfo(m_cible).absolutePath();
    Balayer(dossier);
    m_cache = nomCache(dossier);
    m_fichier.setFileName(m_cache);
    if (!m_fichier.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        *erreur = m_fichier.errorString();
        m_cache.clear();
        return false;
    }
    return true;
}

bool FichierProvisoire::Ajouter(const QByteArray& octets, QString* erreur)
{
#ifdef Q_OS_UNIX
    // Written here rather than through QFile, whose message for a full disk says nothing.
    const char* debut = octets.constData();
    qint64 reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(m_fichier.handle(), debut, static_cast<size_t>(reste));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *erreur = Disque::TexteErreur(n < 0 ? errno : ENOSPC);
            return false;
        }
        debut += n;
        reste -= n;
        m_taille += n;
    }
    return true;
#else
    if (m_fichier.write(octets) != octets.size()) {
        *erreur = m_fichier.errorString();
        return false;
    }
    m_taille += octets.size();
    return true;
#endif
}

bool FichierProvisoire::Vider(QString* erreur)
{
    if (!m_fichier.resize(0) || !m_fichier.seek(0)) {
        *erreur = m_fichier.errorString();
        return false;
    }
    m_taille = 0;
    return true;
}

bool FichierProvisoire::Nommer(QString* erreur)
{
#ifdef Q_OS_UNIX
    if (!m_fichier.isOpen()) {
        *erreur = QStringLiteral("fichier fermé");
        return false;
    }
    if (::fsync(m_fichier.handle()) != 0) {
        *erreur = Disque::TexteErreur(errno);
        return false;
    }
    if (!lier(erreur))
        return false;
    m_fichier.close();
    m_cache.clear();
    return Disque::SynchroniserDossier(QFileInfo(m_cible).absolutePath(), erreur);
#else
    m_fichier.close();
    QFile::remove(m_cible);
    if (!QFile::rename(m_cache, m_cible)) {
        *erreur = QStringLiteral("renommage impossible");
        return false;
    }
    m_cache.clear();
    return true;
#endif
}

bool FichierProvisoire::lier(QString* erreur)
{
#ifdef Q_OS_UNIX
    const QByteArray cible = QFile::encodeName(m_cible);
    if (!m_cache.isEmpty()) {
        if (::rename(QFile::encodeName(m_cache).constData(), cible.constData()) == 0)
            return true;
        *erreur = Disque::TexteErreur(errno);
        return false;
    }
#ifdef Q_OS_LINUX
    const QByteArray descripteur = "/proc/self/fd/" + QByteArray::number(m_fichier.handle());
    if (::linkat(AT_FDCWD, descripteur.constData(), AT_FDCWD, cible.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) {
        *erreur = Disque::TexteErreur(errno);
        return false;
    }
    // The name is taken: the whole file gets a hidden name, then takes the other's place at once.
    const QByteArray cache = QFile::encodeName(nomCache(QFileInfo(m_cible).absolutePath()));
    if (::linkat(AT_FDCWD, descripteur.constData(), AT_FDCWD, cache.constData(), AT_SYMLINK_FOLLOW) != 0) {
        *erreur = Disque::TexteErreur(errno);
        return false;
    }
    if (::rename(cache.constData(), cible.constData()) != 0) {
        *erreur = Disque::TexteErreur(errno);
        ::unlink(cache.constData());
        return false;
    }
    return true;
#else
    *erreur = QStringLiteral("fichier sans nom");
    return false;
#endif
#else
    Q_UNUSED(erreur);
    return false;
#endif
}

void FichierProvisoire::Abandonner()
{
    m_fichier.close();
    if (!m_cache.isEmpty())
        QFile::remove(m_cache);
    m_cache.clear();
    m_taille = 0;
}
