#pragma once

#include <QStringList>
#include <QTemporaryFile>

// Captures what the program writes on standard error while it lives (the descriptor itself
// is redirected to a file), and gives it back as lines without their timestamps.
class SortieCapturee
{
public:
    SortieCapturee();
    ~SortieCapturee();
    SortieCapturee(const SortieCapturee&) = delete;
    SortieCapturee& operator=(const SortieCapturee&) = delete;

    // The lines written so far; "YYYY-MM-DD hh:mm:ss " is taken off those that start with it.
    QStringList Lignes() const;
    // The lines that hold `texte`.
    QStringList Contenant(const QString& texte) const;
    // The lines as written, timestamps and priorities included.
    QStringList Brutes() const;

private:
    QTemporaryFile m_fichier;
    int m_ancienne = -1;
};
