#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The control protocol spoken with workstations: what a message asks and what the server
// answers, from the internal database. A question whose reading of the database failed gets
// no answer at all, never one computed from the failed read: the workstation asks again later.

// "AJOURS" alone, or the versions a workstation at that version lacks, in download order;
// nothing when the database could not be read.
std::optional<QStringList> MajPosteSuivante(const QString& versionInstallee);

// A version report ("ENRMAJ"): the workstation, the version it installed, its addresses as it
// gave them, and the day it reported.
struct RapportVersion
{
    QString Nom;
    qint64 Version = 0;
    QString AdresseMAC;
    QString AdresseIP;
    QDate Jour;
};

// Records a version report: the workstation is created at its first report, with its
// addresses, together with its first history row; every report adds one history row. False,
// with nothing written, when the database did not take it.
bool EnregistrerVersionPoste(const RapportVersion& rapport);

// Whether a workstation user must be told that server updates wait for installation; nothing
// when the database could not be read.
std::optional<bool> ResponsableAPrevenir(const QString& utilisateur);

// The version list as workstations read it: its elements joined by the byte 0xFE.
QString TexteListe(const QStringList& liste);

// The answer to "VMAJ01" from a workstation at that version: "MAJOK0" when its list is "AJOURS",
// "MAJOK1|" and the list otherwise; nothing when the database could not be read.
std::optional<QByteArray> ReponseListe(qint64 versionInstallee);

class CacheReponsesListe;

struct ReponsePoste
{
    QByteArray Reponse; // the bytes to send back; empty: nothing
    std::optional<QString> Tag; // the connection's new label, when a user announced himself
    std::optional<RapportVersion> Rapport; // a well-formed version report, to be recorded
};

// Handles one message of a control connection. While a server installation runs, every
// message is answered "INSSRV" and nothing else happens. Statements wait only briefly for a
// lock held by another program.
// `cache`, when given, answers "VMAJ01" for the current state of the database.
ReponsePoste TraiterMessagePoste(const QByteArray& message, bool installationEnCours,
                                 CacheReponsesListe* cache = nullptr);
