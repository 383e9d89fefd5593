#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system of its own (a tmpfs of the given size), mounted for the life of the
// object, to meet a full disk and a move across file systems for real. Needs root.
class PetitDisque
{
public:
    explicit PetitDisque(const QString& taille);
    ~PetitDisque();
    PetitDisque(const PetitDisque&) = delete;
    PetitDisque& operator=(const PetitDisque&) = delete;

    // Empty when mounted; otherwise why it is not (for QSKIP).
    QString Indisponible() const { return m_raison; }
    QString Chemin() const { return m_point.path(); }

private:
    QTemporaryDir m_point;
    QString m_raison;
    bool m_monte = false;
};

// Skips the test when the small file system cannot be had.
#define PETIT_DISQUE_OU_QSKIP(disque)                                                                                  \
    do {                                                                                                               \
        if (!(disque).Indisponible().isEmpty())                                                                        \
            QSKIP(qPrintable((disque).Indisponible()));                                                                \
    } while (false)
