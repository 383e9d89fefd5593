#pragma once

class QString;
class QUrl;
class QWidget;

// Opening documents and addresses from the windows, with a message when it cannot be done.

// Opens the information document of that version, in the update folder of the settings, with
// its application. With no settings row nothing happens; settings that cannot be read, a
// missing document, or one that no application could open are told to the person in a box
// owned by `fenetre`.
void OuvrirInfosVersion(QWidget* fenetre, const QString& version);

// Opens an address in the browser; when no application could open it, the person is told once
// the current event is over (the window that asked may be gone by then).
void OuvrirAdresseWeb(const QUrl& adresse);
