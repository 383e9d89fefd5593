#pragma once

#include <QString>
#include <optional>

// The transfer channel: which file a workstation gets for a version, and how many bytes of
// the stream carry it.

// The full path of the workstation update file of that version, read from the update folder
// of the settings row at each call; the empty text when the version is not a whole number,
// has no workstation update, or no settings row gives the folder; nothing when the database
// could not be read (the question then gets no answer). Statements wait only briefly for a
// lock held by another program.
std::optional<QString> FichierMajPoste(const QString& version);

// Files travel in chunks of this size; the last one is padded with spaces.
constexpr qint64 TailleBloc = 4096;

// Bytes on the wire for a file of `taille` bytes: one chunk more than the whole chunks it
// fills, so a whole chunk of spaces follows a file whose size is a multiple of the chunk.
constexpr qint64 TailleFlux(qint64 taille)
{
    return (taille / TailleBloc + 1) * TailleBloc;
}
