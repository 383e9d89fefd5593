#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Zip archives made by the tests themselves, with libarchive.
struct EntreeZip
{
    enum Genre
    {
        Fichier,
        Dossier,
        Lien
    };
    QString nom;
    QByteArray contenu;
    Genre genre = Fichier;
    int mode = 0644;
    QString cible = QString(); // target of a link
};

namespace ArchiveZipTest {

// Writes the entries (deflated) into a new archive; with a password every entry is
// encrypted (traditional PKWARE encryption).
bool Ecrire(const QString& chemin, const QVector<EntreeZip>& entrees, const QString& motDePasse = QString());

// Joins the entries of several archives, in order, into one archive (for archives mixing
// plain and encrypted entries).
bool Assembler(const QString& chemin, const QStringList& archives);

// Rewrites the announced uncompressed size of one entry, as a forged archive would.
bool FalsifierTaille(const QString& chemin, const QString& nom, quint32 taille);

// Rewrites every entry as an archiver on Windows stores it: made on MS-DOS, no Unix mode bits.
bool CommeSousWindows(const QString& chemin);

} // namespace ArchiveZipTest
