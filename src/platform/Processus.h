#pragma once

#include <QByteArray>

// Processes as the system knows them.
namespace Processus {

// What tells a running process apart from any other that ever had or will have its pid: its
// start time and the boot it belongs to ("start boot_id" on Linux). Empty when the process has
// ended (a zombie waiting to be reaped counts as ended) or when the system cannot tell.
QByteArray Identite(qint64 pid);

} // namespace Processus
