#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// A file being written for a name in a folder, that has no name there until it is complete.
// On Linux it is an unnamed file of that folder (O_TMPFILE): the kernel drops it when it is
// abandoned or when the program ends first, so a kill at any moment leaves nothing in the
// folder. Where the folder's file system cannot do that, it is a hidden file of the folder,
// removed when abandoned; one left by a killed program is removed by the next use of the folder.
class FichierProvisoire
{
public:
    explicit FichierProvisoire(const QString& cible);
    ~FichierProvisoire();
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;

    bool Ouvrir(QString* erreur);
    QString Cible() const { return m_cible; }
    qint64 Taille() const { return m_taille; }
    bool Ajouter(const QByteArray& octets, QString* erreur);
    // Back to empty, to start again from the first byte.
    bool Vider(QString* erreur);
    // Puts the data on disk, gives the file its name (replacing the file of that name, if any),
    // then puts the folder's entry on disk, so that a power cut never leaves the name without
    // its data. The file is closed afterwards.
    bool Nommer(QString* erreur);
    // Drops the data; nothing stays in the folder.
    void Abandonner();

    // Whether the unnamed way is used where the system has it (tests turn it off to exercise
    // the hidden file).
    static void FixerSansNomPermis(bool permis);
    // Start of the hidden files' names.
    static QString PrefixeCache();
    // Removes the hidden files of the folder, left by a program killed while it wrote them or
    // named them; only when none can be in use (at start). The paths removed.
    static QStringList Balayer(const QString& dossier);

private:
    bool ouvrirSansNom();
    bool ouvrirCache(QString* erreur);
    bool lier(QString* erreur);

    QString m_cible;
    QFile m_fichier;
    QString m_cache; // path of the hidden file; empty while the file has no name
    qint64 m_taille = 0;
};
