#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A file system mounted on a temporary folder for the life of the object. Needs root.
class MontageTemporaire
{
public:
    ~MontageTemporaire();
    MontageTemporaire(const MontageTemporaire&) = delete;
    MontageTemporaire& operator=(const MontageTemporaire&) = delete;

    // Empty when mounted; otherwise why it is not (for QSKIP).
    QString Indisponible() const { return m_raison; }
    QString Chemin() const { return m_point.path(); }

protected:
    MontageTemporaire() = default;
    // Runs mount with these arguments and the mount point last; `sansRoot` and `echec` say why
    // it is not mounted.
    void Monter(const QStringList& arguments, const QString& sansRoot, const QString& echec);

private:
    QTemporaryDir m_point;
    QString m_raison;
    bool m_monte = false;
};

// A small file system of its own (a tmpfs of the given size), to meet a full disk and a move
// across file systems for real.
class PetitDisque : public MontageTemporaire
{
public:
    explicit PetitDisque(const QString& taille);
};

// A folder shown a second time, at another path, by a bind mount: the same files under two
// names that no symbolic link gives away.
class MontageLie : public MontageTemporaire
{
public:
    explicit MontageLie(const QString& dossier);
};

// Skips the test when the mount cannot be had.
#define MONTAGE_OU_QSKIP(montage)                                                                                      \
    do {                                                                                                               \
        if (!(montage).Indisponible().isEmpty())                                                                       \
            QSKIP(qPrintable((montage).Indisponible()));                                                               \
    } while (false)
