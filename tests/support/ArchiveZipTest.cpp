#include "ArchiveZipTest.h"

#include <QFile>
#include <QtEndian>
#include <archive.h>
#include <archive_entry.h>

namespace ArchiveZipTest {

namespace {

quint16 lire16(const QByteArray& b, qsizetype i)
{
    return qFromLittleEndian<quint16>(b.constData() + i);
}

quint32 lire32(const QByteArray& b, qsizetype i)
{
    return qFromLittleEndian<quint32>(b.constData() + i);
}

void ecrire32(QByteArray& b, qsizetype i, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + i);
}

bool lire(const QString& chemin, QByteArray* octets)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *octets = f.readAll();
    return true;
}

bool ecrire(const QString& chemin, const QByteArray& octets)
{
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(octets) == octets.size();
}

// Position of the end-of-central-directory record (archives without comment).
qsizetype finRepertoire(const QByteArray& b)
{
    const qsizetype i = b.lastIndexOf(QByteArray("PK\x05\x06", 4));
    return i >= 0 && i + 22 <= b.size() ? i : -1;
}

// Calls `f` with the position of each central directory entry, until it returns false.
template <typename F>
bool pourChaqueEntree(const QByteArray& b, F f)
{
    const qsizetype fin = finRepertoire(b);
    if (fin < 0)
        return false;
    const quint16 entrees = lire16(b, fin + 10);
    qsizetype j = lire32(b, fin + 16);
    for (quint16 k = 0; k < entrees; ++k) {
        if (!f(j))
            break;
        j += 46 + lire16(b, j + 28) + lire16(b, j + 30) + lire16(b, j + 32);
    }
    return true;
}

} // namespace

bool Ecrire(const QString& chemin, const QVector<EntreeZip>& entrees, const QString& motDePasse)
{
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    if (!motDePasse.isEmpty()) {
        archive_write_set_passphrase(a, motDePasse.toUtf8().constData());
        archive_write_set_format_option(a, "zip", "encryption", "zipcrypt");
    }
    bool ok = archive_write_open_filename(a, QFile::encodeName(chemin).constData()) == ARCHIVE_OK;
    for (const EntreeZip& e : entrees) {
        if (!ok)
            break;
        archive_entry* entree = archive_entry_new();
        archive_entry_set_pathname_utf8(entree, e.nom.toUtf8().constData());
        archive_entry_set_perm(entree, static_cast<mode_t>(e.mode));
        if (e.genre == EntreeZip::Dossier) {
            archive_entry_set_filetype(entree, AE_IFDIR);
            archive_entry_set_size(entree, 0);
        } else if (e.genre == EntreeZip::Lien) {
            archive_entry_set_filetype(entree, AE_IFLNK);
            archive_entry_set_symlink_utf8(entree, e.cible.toUtf8().constData());
            archive_entry_set_size(entree, 0);
        } else {
            archive_entry_set_filetype(entree, AE_IFREG);
            archive_entry_set_size(entree, e.contenu.size());
        }
        ok = archive_write_header(a, entree) == ARCHIVE_OK;
        if (ok && e.genre == EntreeZip::Fichier && !e.contenu.isEmpty())
            ok = archive_write_data(a, e.contenu.constData(), static_cast<size_t>(e.contenu.size()))
                == e.contenu.size();
        archive_entry_free(entree);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

bool Assembler(const QString& chemin, const QStringList& archives)
{
    QByteArray locaux;
    QByteArray repertoire;
    quint32 nombre = 0;
    for (const QString& nom : archives) {
        QByteArray b;
        if (!lire(nom, &b))
            return false;
        const qsizetype fin = finRepertoire(b);
        if (fin < 0)
            return false;
        const quint16 entrees = lire16(b, fin + 10);
        const quint32 debut = lire32(b, fin + 16);
        const quint32 decalage = static_cast<quint32>(locaux.size());
        qsizetype j = debut;
        for (quint16 k = 0; k < entrees; ++k) {
            const qsizetype longueur = 46 + lire16(b, j + 28) + lire16(b, j + 30) + lire16(b, j + 32);
            QByteArray entree = b.mid(j, longueur);
            ecrire32(entree, 42, lire32(entree, 42) + decalage);
            repertoire += entree;
            j += longueur;
        }
        locaux += b.left(debut);
        nombre += entrees;
    }
    QByteArray fin(22, '\0');
    ecrire32(fin, 0, 0x06054b50);
    qToLittleEndian<quint16>(static_cast<quint16>(nombre), fin.data() + 8);
    qToLittleEndian<quint16>(static_cast<quint16>(nombre), fin.data() + 10);
    ecrire32(fin, 12, static_cast<quint32>(repertoire.size()));
    ecrire32(fin, 16, static_cast<quint32>(locaux.size()));
    return ecrire(chemin, locaux + repertoire + fin);
}

bool FalsifierTaille(const QString& chemin, const QString& nom, quint32 taille)
{
    QByteArray b;
    if (!lire(chemin, &b))
        return false;
    const QByteArray recherche = nom.toUtf8();
    bool trouvee = false;
    pourChaqueEntree(b, [&](qsizetype j) {
        if (b.mid(j + 46, lire16(b, j + 28)) != recherche)
            return true;
        const quint32 compresse = lire32(b, j + 20);
        const quint32 ancienne = lire32(b, j + 24);
        const quint32 local = lire32(b, j + 42);
        ecrire32(b, j + 24, taille);
        if (lire32(b, local + 22) == ancienne)
            ecrire32(b, local + 22, taille);
        const qsizetype descripteur = local + 30 + lire16(b, local + 26) + lire16(b, local + 28) + compresse;
        if (b.mid(descripteur, 4) == QByteArray("PK\x07\x08", 4))
            ecrire32(b, descripteur + 12, taille);
        trouvee = true;
        return false;
    });
    return trouvee && ecrire(chemin, b);
}

bool CommeSousWindows(const QString& chemin)
{
    QByteArray b;
    if (!lire(chemin, &b))
        return false;
    const bool lue = pourChaqueEntree(b, [&](qsizetype j) {
        // "Version made by": host system 0, MS-DOS; external attributes: directory or archive.
        b[j + 5] = 0;
        const bool dossier = b.at(j + 46 + lire16(b, j + 28) - 1) == '/';
        ecrire32(b, j + 38, dossier ? 0x10 : 0x20);
        return true;
    });
    return lue && ecrire(chemin, b);
}

} // namespace ArchiveZipTest
