#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The control protocol spoken with workstations: what a message asks and what the server
// answers, from the internal database.

// "AJOURS" alone, or the versions a workstation at that version lacks, in download order.
QStringList MajPosteSuivante(const QString& versionInstallee);

// Whether the server update of that version has been installed (false when none is queued).
bool MajServeurInstallee(const QString& version);

// Records a version report: the workstation is created at its first report, with its
// addresses, together with its first history row; every report adds one history row. False,
// with nothing written, when the version is not a whole number or a statement failed.
bool EnregistrerVersionPoste(const QString& nom, const QString& version, const QString& adresseMAC,
                             const QString& adresseIP);

// Whether a workstation user must be told that server updates wait for installation.
bool ResponsableAPrevenir(const QString& utilisateur);

// The version list as workstations read it: its elements joined by the byte 0xFE.
QString TexteListe(const QStringList& liste);

// The answer to "VMAJ01" from a workstation at that version: "MAJOK0" when its list is "AJOURS",
// "MAJOK1|" and the list otherwise.
QByteArray ReponseListe(qint64 versionInstallee);

class CacheReponsesListe;

struct ReponsePoste
{
    QByteArray Reponse; // the bytes to send back; empty: nothing
    std::optional<QString> Tag; // the connection's new label, when a user announced himself
};

// Handles one message of a control connection. While a server installation runs, every
// message is answered "INSSRV" and nothing else happens.
// `cache`, when given, answers "VMAJ01" for the current state of the database.
ReponsePoste TraiterMessagePoste(const QByteArray& message, bool installationEnCours,
                                 CacheReponsesListe* cache = nullptr);
