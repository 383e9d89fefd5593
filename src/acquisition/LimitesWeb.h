#pragma once

#include <QVector>
#include <QtGlobal>

// Every limit of the web requests and downloads, in one place. The program uses the values
// below; tests shorten them.
struct LimitesWeb
{
    LimitesWeb(); // the program's values

    // An exchange that receives nothing for this long is cut: a stall.
    int SansDonneesMs = 60 * 1000;
    // An exchange whose body comes at less than DebitMinimal bytes per second, averaged over
    // each span of FenetreDebitMs, is cut like a stall: a trickle.
    qint64 DebitMinimal = 1024;
    int FenetreDebitMs = 5 * 60 * 1000;
    // Waits before the new attempts of a download that failed for a passing reason; there are
    // as many retries as waits.
    QVector<int> RelancesMs = {10 * 1000, 30 * 1000, 90 * 1000};
    // An attempt that took the file at least this many bytes beyond the most it ever held in
    // this download proved the link works: it is resumed at once and not counted among the
    // retries. Measured against the most ever held, so that a service that ignores ranges and
    // cuts at varying points cannot pass for progress by starting over.
    qint64 ProgresSuffisant = 1024 * 1024;
    // Attempts of one download that brought the file no further than it ever was, however far
    // apart: past them the download fails. Attempts that do take the file further are not
    // counted: they are bounded by its size (announced, or TailleMaxSansAnnonce), so a check
    // always ends, and a download that keeps progressing is never given up.
    int TentativesSansProgresMax = 20;
    // Largest file kept when no size is announced (the documentation), so that a body
    // without end never fills the update folder's disk.
    qint64 TailleMaxSansAnnonce = 256 * 1024 * 1024;
    // Longest text answer kept.
    qint64 TailleMaxTexte = 16 * 1024 * 1024;
    // Redirections followed for one request.
    int RedirectionsMax = 10;
};

namespace RequeteWeb {

const LimitesWeb& Limites();
void FixerLimites(const LimitesWeb& limites);

} // namespace RequeteWeb
