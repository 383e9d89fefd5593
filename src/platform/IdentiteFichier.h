#pragma once

#include <QString>
#include <QtGlobal>

// A file or folder as the system knows it, whatever path leads to it: its device and inode.
// Two paths name the same file when their identities are equal, through symbolic links, bind
// mounts and hard links alike, which comparing names or bytes cannot tell.
namespace IdentiteFichier {

enum class Nature
{
    Absent, // nothing, or a link that leads nowhere
    Fichier, // a regular file
    Dossier,
    Peripherique,
    Tube, // a named pipe (FIFO)
    Prise, // a local socket
    Autre
};

struct Description
{
    Nature Genre = Nature::Absent;
    quint64 Peripherique = 0;
    quint64 Noeud = 0;
    bool MemeQue(const Description& autre) const
    {
        return Genre != Nature::Absent && autre.Genre != Nature::Absent && Peripherique == autre.Peripherique
            && Noeud == autre.Noeud;
    }
};

// What the path names once every link on it is followed.
Description Decrire(const QString& chemin);

// Both paths exist and lead to one file or folder.
bool MemeFichier(const QString& a, const QString& b);

// The same folder, whatever path names it: one identity when both exist; otherwise, for a
// folder not made yet, the same cleaned absolute path.
bool MemeDossier(const QString& a, const QString& b);

// "un dossier", "un périphérique" …, for a person.
QString TexteNature(Nature nature);

} // namespace IdentiteFichier
